#pragma once
// Notice that the session is ending under the program (logout, shutdown, a
// termination request), so that unsaved work can be put aside first. Qt's
// own commitDataRequest covers the session managers that ask politely; this
// covers the rest: SIGTERM and SIGHUP on Unix, WM_QUERYENDSESSION and
// WM_ENDSESSION on Windows.
#include <functional>
#include <memory>

namespace tainoteka {

class TSessionEnd {
public:
    // ending runs on the interface thread. After a termination signal the
    // process then ends as the signal asks, without any question.
    explicit TSessionEnd(std::function<void()> ending);
    ~TSessionEnd();
    TSessionEnd(const TSessionEnd&) = delete;
    TSessionEnd& operator=(const TSessionEnd&) = delete;

    class TImpl;

private:
    std::unique_ptr<TImpl> impl_;
};

} // namespace tainoteka
