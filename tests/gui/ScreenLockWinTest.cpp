// The Windows screen-lock notice: its hidden window takes the session and
// power messages the system sends (Wine sends none of them itself, so the
// test sends them as the system would).
#include <gtest/gtest.h>

#include <windows.h>
#include <wtsapi32.h>

#include "ScreenLock.h"

using namespace tainoteka;

TEST(ScreenLockWin, SessionLockAndSuspendLockTheOtherMessagesDoNot)
{
    int locks = 0;
    const TScreenLock screenLock([&locks] { ++locks; });
    const HWND window = ::FindWindowW(L"TainotekaScreenLock", nullptr);
    ASSERT_NE(window, nullptr);
    const struct {
        UINT Message;
        WPARAM Event;
        int Locks;
    } cases[] = {
        {WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1},  {WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0},
        {WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, 0}, {WM_POWERBROADCAST, PBT_APMSUSPEND, 1},
        {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0},
    };
    for (const auto& c : cases) {
        locks = 0;
        ::SendMessageW(window, c.Message, c.Event, 0);
        EXPECT_EQ(locks, c.Locks) << c.Message << " " << c.Event;
    }
}
