#pragma once
// Keyboard state where the platform only tells it along with key events
// (native Wayland): Caps Lock from the XKB modifiers each key event carries,
// as of the last key the program received. No layout name is given there.
#include <QObject>

#include "KeyboardState.h"

namespace tainoteka {

class TKeyboardStateFromKeys final : public QObject, public IKeyboardState {
public:
    // The XKB Lock modifier in the core keymaps' modifier order.
    static constexpr quint32 LockMask = 1u << 1;

    explicit TKeyboardStateFromKeys(QObject* parent = nullptr);

    bool IsCapsLockOn() override { return capsLock_; }
    QString LayoutName() override { return {}; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool capsLock_ = false;
};

} // namespace tainoteka
