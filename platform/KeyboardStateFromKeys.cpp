#include "KeyboardStateFromKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace tainoteka {

TKeyboardStateFromKeys::TKeyboardStateFromKeys(QObject* parent) : QObject(parent)
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

bool TKeyboardStateFromKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        capsLock_ = (static_cast<QKeyEvent*>(event)->nativeModifiers() & LockMask) != 0;
    return QObject::eventFilter(watched, event);
}

} // namespace tainoteka
