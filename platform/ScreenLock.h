#pragma once
// Notice that the user has left: the screen locks or the machine is about to
// sleep. Linux: the session bus's screen savers (freedesktop and GNOME
// ActiveChanged(true)) and logind's Lock of this session and
// PrepareForSleep(true); Windows: WTS_SESSION_LOCK and PBT_APMSUSPEND. A bus
// or service that is not there is simply not heard from.
#include <functional>
#include <memory>

namespace tainoteka {

class TScreenLock {
public:
    // locking runs on the interface thread.
    explicit TScreenLock(std::function<void()> locking);
    ~TScreenLock();
    TScreenLock(const TScreenLock&) = delete;
    TScreenLock& operator=(const TScreenLock&) = delete;

    class TImpl;

private:
    std::unique_ptr<TImpl> impl_;
};

} // namespace tainoteka
