#pragma once
// Line ends as a protected file stores them, worked out piece by piece so a
// text of any length can pass through in blocks: CR LF, a lone CR and a lone
// LF each end a line and become the file type's line end; a last line
// without an end gets one. A CR at the end of one piece and a LF at the start
// of the next are one line end.
#include <string>
#include <string_view>

namespace tainoteka {

enum class TLineEnd {
    CrLf, // a .txtp's; a NUL ends the text, as the format's readers end it there
    Lf, // an age payload's; a NUL is a character like any other
};

class TLineEndNormalizer {
public:
    explicit TLineEndNormalizer(TLineEnd lineEnd = TLineEnd::CrLf) : lineEnd_(lineEnd) {}

    // Appends the normalised form of the next piece of the text to out.
    void Append(std::string_view piece, std::string& out);
    // The text is complete: a last line without an end gets one.
    void Finish(std::string& out);
    // A NUL was met; whatever follows it is dropped.
    bool Ended() const { return ended_; }

private:
    std::string_view End() const { return lineEnd_ == TLineEnd::CrLf ? "\r\n" : "\n"; }

    TLineEnd lineEnd_;
    bool afterCr_ = false; // the last byte taken was a CR, so a LF next belongs to it
    bool lineOpen_ = false; // characters since the last line end
    bool ended_ = false;
};

} // namespace tainoteka
