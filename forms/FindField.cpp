#include "FindField.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

#include "ClipboardBlocking.h"
#include "PasteGate.h"
#include "RichEditText.h"
#include "SecretClipboard.h"

namespace tainoteka {

TFindField::TFindField(QWidget* parent) : QLineEdit(parent)
{
    setDragEnabled(false);
}

void TFindField::SetClipboardBlocked(bool blocked)
{
    clipboardBlocked_ = blocked;
    setAcceptDrops(!blocked);
}

void TFindField::CopySelection()
{
    if (clipboardBlocked_ || !hasSelectedText())
        return;
    auto* copied = new QMimeData;
    copied->setText(selectedText());
    MarkAsSecret(*copied);
    QGuiApplication::clipboard()->setMimeData(copied);
}

void TFindField::CutSelection()
{
    if (clipboardBlocked_ || !hasSelectedText())
        return;
    CopySelection();
    del();
}

void TFindField::GiveUpPrimary()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && clipboard->ownsSelection())
        clipboard->clear(QClipboard::Selection);
}

void TFindField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit EnterPressed(event->modifiers() & Qt::ShiftModifier);
        event->accept();
        return;
    }
    if (IsRedoKey(*event)) {
        redo();
        event->accept();
        return;
    }
    if (IsClipboardKey(*event) && (clipboardBlocked_ || !event->matches(QKeySequence::Paste))) {
        if (event->matches(QKeySequence::Copy))
            CopySelection();
        else if (event->matches(QKeySequence::Cut))
            CutSelection();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
    if (clipboardBlocked_)
        GiveUpPrimary();
}

void TFindField::mousePressEvent(QMouseEvent* event)
{
    if (clipboardBlocked_ && event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void TFindField::mouseReleaseEvent(QMouseEvent* event)
{
    // The release is where the line edit offers the selection as PRIMARY
    // and pastes it on a middle click; nothing else happens there.
    if (clipboardBlocked_ && (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton)) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

QMenu* TFindField::CreateContextMenu()
{
    QMenu* menu = TPasteGate::CreateFieldContextMenu(*this);
    if (clipboardBlocked_) {
        RemoveClipboardActions(*menu);
        return menu;
    }
    // Our copies carry the marker that the line edit's own would lack.
    for (QAction* action : menu->actions()) {
        const TClipboardAction kind = ClipboardActionOf(*action);
        if (kind != TClipboardAction::Cut && kind != TClipboardAction::Copy)
            continue;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this,
                kind == TClipboardAction::Copy ? &TFindField::CopySelection : &TFindField::CutSelection);
    }
    return menu;
}

void TFindField::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = CreateContextMenu();
    menu->exec(event->globalPos());
    delete menu;
}

void TFindField::dragEnterEvent(QDragEnterEvent* event)
{
    if (clipboardBlocked_)
        event->ignore();
    else
        QLineEdit::dragEnterEvent(event);
}

void TFindField::dragMoveEvent(QDragMoveEvent* event)
{
    if (clipboardBlocked_)
        event->ignore();
    else
        QLineEdit::dragMoveEvent(event);
}

void TFindField::dropEvent(QDropEvent* event)
{
    if (clipboardBlocked_)
        event->ignore();
    else
        QLineEdit::dropEvent(event);
}

} // namespace tainoteka
