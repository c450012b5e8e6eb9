#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "KeyboardStateFromKeys.h"

using namespace tainoteka;

namespace {

void SendKey(QWidget& to, QEvent::Type type, Qt::Key key, quint32 nativeModifiers)
{
    QKeyEvent event(type, key, Qt::NoModifier, 0, 0, nativeModifiers, QString());
    QApplication::sendEvent(&to, &event);
}

} // namespace

TEST(KeyboardStateFromKeys, CapsLockFollowsTheLastKeysModifiers)
{
    TKeyboardStateFromKeys keyboard;
    QLineEdit field;
    EXPECT_FALSE(keyboard.IsCapsLockOn()) << "nothing known before a key";
    EXPECT_TRUE(keyboard.LayoutName().isEmpty());

    // Caps Lock's own press still carries the old state; its release the new.
    SendKey(field, QEvent::KeyPress, Qt::Key_CapsLock, 0);
    EXPECT_FALSE(keyboard.IsCapsLockOn());
    SendKey(field, QEvent::KeyRelease, Qt::Key_CapsLock, TKeyboardStateFromKeys::LockMask);
    EXPECT_TRUE(keyboard.IsCapsLockOn());
    SendKey(field, QEvent::KeyPress, Qt::Key_A, TKeyboardStateFromKeys::LockMask | 0x1); // with Shift
    EXPECT_TRUE(keyboard.IsCapsLockOn());
    SendKey(field, QEvent::KeyPress, Qt::Key_A, 0x1);
    EXPECT_FALSE(keyboard.IsCapsLockOn()) << "Shift alone is not Caps Lock";
    EXPECT_TRUE(keyboard.LayoutName().isEmpty());
}
