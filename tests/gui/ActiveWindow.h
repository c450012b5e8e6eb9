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

// The shown top-level window of the kind, such as the message box a modal
// loop has opened; nullptr when there is none.
template <class TWindow>
TWindow* ShownWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<TWindow*>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

} // namespace tainoteka::test
