#include "ClipboardBlocking.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

namespace tainoteka {
namespace {

// The standard menus show the command's key after a tab; only the text
// editors' menus name their commands as well.
bool IsCommand(const QAction& action, const char* name, QKeySequence::StandardKey key)
{
    if (action.objectName() == QLatin1String(name))
        return true;
    const QString shown = action.text().section(QLatin1Char('\t'), 1);
    return !shown.isEmpty() && shown == QKeySequence(key).toString(QKeySequence::NativeText);
}

} // namespace

bool IsClipboardKey(const QKeyEvent& event)
{
    // Shift+Delete, Ctrl+Insert and Shift+Insert are among these on every platform.
    return event.matches(QKeySequence::Cut) || event.matches(QKeySequence::Copy)
        || event.matches(QKeySequence::Paste);
}

TClipboardAction ClipboardActionOf(const QAction& action)
{
    if (IsCommand(action, "edit-cut", QKeySequence::Cut))
        return TClipboardAction::Cut;
    if (IsCommand(action, "edit-copy", QKeySequence::Copy))
        return TClipboardAction::Copy;
    if (IsCommand(action, "edit-paste", QKeySequence::Paste))
        return TClipboardAction::Paste;
    return TClipboardAction::None;
}

void RemoveClipboardActions(QMenu& menu)
{
    for (QAction* action : menu.actions())
        if (ClipboardActionOf(*action) != TClipboardAction::None)
            menu.removeAction(action);
}

} // namespace tainoteka
