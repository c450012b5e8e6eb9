#pragma once
// What the text widgets of the main window share for the clipboard switch:
// which keys and which context menu commands move text through the
// clipboard.
class QAction;
class QKeyEvent;
class QMenu;

namespace tainoteka {

enum class TClipboardAction { None, Cut, Copy, Paste };

// Cut, copy and paste, with Shift+Delete, Ctrl+Insert and Shift+Insert.
bool IsClipboardKey(const QKeyEvent& event);
// What a command of a standard context menu does with the clipboard.
TClipboardAction ClipboardActionOf(const QAction& action);
// Takes cut, copy and paste out of a standard context menu.
void RemoveClipboardActions(QMenu& menu);

} // namespace tainoteka
