// The end of a Windows session: the system asks every top-level window
// (WM_QUERYENDSESSION) and then tells it (WM_ENDSESSION); the program puts
// its work aside at the question and lets the session end.
#include "SessionEnd.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace tainoteka {

class TSessionEnd::TImpl final : public QAbstractNativeEventFilter {
public:
    explicit TImpl(std::function<void()> ending) : ending_(std::move(ending))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~TImpl() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_ENDSESSION && !msg->wParam)
            done_ = false; // the session goes on after all
        const bool ending = msg->message == WM_QUERYENDSESSION || (msg->message == WM_ENDSESSION && msg->wParam);
        if (ending && !done_) {
            done_ = true; // every top-level window hears it; once is enough
            ending_();
        }
        return false; // Qt answers as it would
    }

private:
    std::function<void()> ending_;
    bool done_ = false;
};

TSessionEnd::TSessionEnd(std::function<void()> ending) : impl_(std::make_unique<TImpl>(std::move(ending))) {}

TSessionEnd::~TSessionEnd() = default;

} // namespace tainoteka
