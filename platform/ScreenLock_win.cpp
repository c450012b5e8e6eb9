// Screen locks and sleep on Windows: a hidden window of our own is told of
// session changes (WTSRegisterSessionNotification) and, as every top-level
// window is, of power changes.
#include "ScreenLock.h"

#include <windows.h>
#include <wtsapi32.h>

namespace tainoteka {
namespace {

const wchar_t kClassName[] = L"TainotekaScreenLock";

} // namespace

class TScreenLock::TImpl {
public:
    explicit TImpl(std::function<void()> locking) : locking_(std::move(locking))
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &TImpl::WindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        ::RegisterClassW(&windowClass); // fails harmlessly when registered already
        // Top-level (not message-only), or power broadcasts would not reach it.
        window_ = ::CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    windowClass.hInstance, nullptr);
        if (!window_)
            return;
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        registered_ = ::WTSRegisterSessionNotification(window_, NOTIFY_FOR_THIS_SESSION) != FALSE;
    }
    ~TImpl()
    {
        if (!window_)
            return;
        if (registered_)
            ::WTSUnRegisterSessionNotification(window_);
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
    TImpl(const TImpl&) = delete;
    TImpl& operator=(const TImpl&) = delete;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<TImpl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        const bool leaving = (message == WM_WTSSESSION_CHANGE && wParam == WTS_SESSION_LOCK) ||
            (message == WM_POWERBROADCAST && wParam == PBT_APMSUSPEND);
        if (self && leaving)
            self->locking_();
        if (message == WM_POWERBROADCAST)
            return TRUE;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    std::function<void()> locking_;
    HWND window_ = nullptr;
    bool registered_ = false;
};

TScreenLock::TScreenLock(std::function<void()> locking) : impl_(std::make_unique<TImpl>(std::move(locking))) {}

TScreenLock::~TScreenLock() = default;

} // namespace tainoteka
