#include "WholeTextGuard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace tainoteka {

bool MovesWithinText(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if ((modifiers & ~(Qt::ShiftModifier | Qt::ControlModifier)) != 0)
        return false;
    switch (event.key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home: return true;
    case Qt::Key_End: return !(modifiers & Qt::ControlModifier); // Ctrl+End goes to the text's end
    default: return false;
    }
}

TWholeTextGuard::TWholeTextGuard(QWidget& area, std::function<void()> finish)
    : area_(area), finish_(std::move(finish))
{
}

void TWholeTextGuard::Watch(bool on)
{
    if (on == watching_)
        return;
    watching_ = on;
    // Removing it while it filters an event is safe: Qt skips a removed filter.
    if (on)
        QApplication::instance()->installEventFilter(this);
    else
        QApplication::instance()->removeEventFilter(this);
}

bool TWholeTextGuard::IsInArea(QObject* watched) const
{
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && (widget == &area_ || area_.isAncestorOf(widget));
}

bool TWholeTextGuard::NeedsWholeText(QObject* watched, QEvent& event) const
{
    switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride: return !MovesWithinText(static_cast<const QKeyEvent&>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // A window gets the press before the widget under it, which decides.
        if (!watched->isWidgetType())
            return false;
        const auto button = static_cast<const QMouseEvent&>(event).button();
        return !IsInArea(watched) || button == Qt::MiddleButton;
    }
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::Close: return true;
    default: return false;
    }
}

bool TWholeTextGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (NeedsWholeText(watched, *event))
        finish_();
    return false;
}

} // namespace tainoteka
