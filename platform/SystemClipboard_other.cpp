// Emptying through Qt: on X11 clearing the selections notifies only the
// programs that own them, never ourselves again.
#ifndef _WIN32
#include "SystemClipboard.h"

#include <QGuiApplication>

namespace tainoteka {

TEmptyResult EmptySystemClipboard(QClipboard::Mode mode)
{
    QGuiApplication::clipboard()->clear(mode);
    return TEmptyResult::Done;
}

} // namespace tainoteka
#endif
