#pragma once
// Emptying the system clipboard for the clipboard guard. On Windows emptying
// is itself a change that every clipboard listener hears, our own included,
// so only content that some other program may have put there is emptied.
#include <QClipboard>

#include <cstdint>

namespace tainoteka {

struct TClipboardSnapshot {
    std::uint32_t Sequence = 0; // the system's clipboard change counter
    int Formats = 0; // formats the clipboard holds
};

// Whether the clipboard may hold something not emptied by us: it holds a
// format, or it changed since our last emptying (or we never emptied it).
class TForeignContentRule {
public:
    bool ShouldEmpty(const TClipboardSnapshot& now) const
    {
        return now.Formats > 0 || !emptiedOnce_ || now.Sequence != ownSequence_;
    }
    void RecordOwnEmptying(std::uint32_t sequenceAfter)
    {
        emptiedOnce_ = true;
        ownSequence_ = sequenceAfter;
    }

private:
    bool emptiedOnce_ = false;
    std::uint32_t ownSequence_ = 0;
};

enum class TEmptyResult {
    Done, // emptied, or nothing there to empty
    Busy, // another program holds the clipboard open: try again shortly
};

// Never waits for another program.
TEmptyResult EmptySystemClipboard(QClipboard::Mode mode);

#ifdef _WIN32
// The Windows clipboard itself, whatever Qt platform is in use.
TEmptyResult EmptyWindowsClipboard(TForeignContentRule& rule);
#endif

} // namespace tainoteka
