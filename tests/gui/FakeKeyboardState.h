#pragma once
// A keyboard whose Caps Lock and layout the test sets by hand.
#include "KeyboardState.h"

#include <QString>

namespace tainoteka::test {

class FakeKeyboardState final : public IKeyboardState {
public:
    bool CapsLock = false;
    QString Layout = QStringLiteral("00000409");

    bool IsCapsLockOn() override { return CapsLock; }
    QString LayoutName() override { return Layout; }
};

} // namespace tainoteka::test
