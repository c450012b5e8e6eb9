#include "PasteGate.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

namespace tainoteka {
namespace {

TPasteGate* current = nullptr;

bool IsPasteKeyInto(QLineEdit* field, QEvent* event)
{
    return field && !field->isReadOnly() && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste);
}

bool IsMiddleClickPasteInto(QLineEdit* field, QEvent* event)
{
    return field && !field->isReadOnly() && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton
        && QGuiApplication::clipboard()->supportsSelection();
}

// What the line edit's own menu holds, built without reading the clipboard.
QMenu* MenuWithoutPaste(QLineEdit& field)
{
    auto* menu = new QMenu(&field);
    menu->setObjectName(QStringLiteral("qt_edit_menu"));
    const bool editable = !field.isReadOnly();
    const bool copyable = field.hasSelectedText() && field.echoMode() == QLineEdit::Normal;
    const auto add = [&](const char* name, const char* caption, QKeySequence::StandardKey key, bool enabled,
                         std::function<void()> run) {
        QString text = QLineEdit::tr(caption);
        if (key != QKeySequence::UnknownKey)
            text += QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, &field, std::move(run));
    };
    if (editable) {
        add("edit-undo", "&Undo", QKeySequence::Undo, field.isUndoAvailable(), [&field] { field.undo(); });
        add("edit-redo", "&Redo", QKeySequence::Redo, field.isRedoAvailable(), [&field] { field.redo(); });
        menu->addSeparator();
        add("edit-cut", "Cu&t", QKeySequence::Cut, copyable, [&field] { field.cut(); });
    }
    add("edit-copy", "&Copy", QKeySequence::Copy, copyable, [&field] { field.copy(); });
    if (editable) {
        add("edit-paste", "&Paste", QKeySequence::Paste, false, [] {});
        add("edit-delete", "Delete", QKeySequence::UnknownKey, field.hasSelectedText(), [&field] { field.del(); });
    }
    menu->addSeparator();
    const bool allSelected = field.selectedText() == field.text();
    add("select-all", "Select All", QKeySequence::SelectAll, !field.text().isEmpty() && !allSelected,
        [&field] { field.selectAll(); });
    return menu;
}

} // namespace

TPasteGate::TPasteGate(TClipboardTextCheck check, QObject* parent)
    : QObject(parent), check_(std::move(check)), previous_(current)
{
    current = this;
    qApp->installEventFilter(this);
}

TPasteGate::~TPasteGate()
{
    if (current == this)
        current = previous_;
}

bool TPasteGate::Readable(QClipboard::Mode mode) { return !current || current->check_(mode); }

QMenu* TPasteGate::CreateFieldContextMenu(QLineEdit& field)
{
    if (field.isReadOnly() || Readable(QClipboard::Clipboard))
        return field.createStandardContextMenu();
    return MenuWithoutPaste(field);
}

bool TPasteGate::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (IsPasteKeyInto(field, event))
        return !Readable(QClipboard::Clipboard);
    if (IsMiddleClickPasteInto(field, event))
        return !Readable(QClipboard::Selection);
    // Fields of a class of our own build their menus through CreateFieldContextMenu.
    if (field && event->type() == QEvent::ContextMenu && field->metaObject() == &QLineEdit::staticMetaObject
        && field->contextMenuPolicy() == Qt::DefaultContextMenu) {
        QMenu* menu = CreateFieldContextMenu(*field);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return false;
}

} // namespace tainoteka
