#pragma once
// Shows a window and makes it the active one, so that focus means on the
// offscreen platform what it means on a desktop.
#include <QApplication>
#include <QWidget>

namespace tainoteka::test {

inline void ShowActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QCoreApplication::processEvents();
}

} // namespace tainoteka::test
