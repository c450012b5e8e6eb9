#pragma once
// Every paste of the program asks here first whether the clipboard (or
// PRIMARY) can be read: its owner must answer within a bound, so that a
// program that owns it and never answers cannot freeze the whole program.
// The editing area asks for its own pastes; an application-wide filter asks
// for every one-line field of every window (paste keys, middle click and
// context menu), and quietly drops a paste that would wait.
#include <QClipboard>
#include <QObject>

#include <functional>

class QLineEdit;
class QMenu;

namespace tainoteka {

// True when the owner answered in time that it offers text.
using TClipboardTextCheck = std::function<bool(QClipboard::Mode)>;

class TPasteGate final : public QObject {
public:
    // Installs itself application-wide; the check holds until it goes.
    explicit TPasteGate(TClipboardTextCheck check, QObject* parent = nullptr);
    ~TPasteGate() override;

    // Whether a paste from `mode` may read it now; with no gate, Qt reads it.
    static bool Readable(QClipboard::Mode mode);
    // The field's standard context menu; Paste disabled, without asking Qt
    // (which would wait for the owner), when the clipboard is not readable.
    static QMenu* CreateFieldContextMenu(QLineEdit& field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TClipboardTextCheck check_;
    TPasteGate* previous_;
};

} // namespace tainoteka
