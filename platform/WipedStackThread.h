#pragma once
// A thread for work on a text or a password whose stack is ours: when the
// thread ends, the whole stack is wiped and given back. The C library keeps
// the stack of an ended thread for the next one, with what the work left in
// it, some of it above any frame of ours (the thread's first frames, the
// libraries' thread-local data) where no wipe from inside the work reaches.
// Linux only; elsewhere an ordinary thread.
#include <functional>
#include <memory>

namespace tainoteka {

class TWipedStackThread {
public:
    explicit TWipedStackThread(std::function<void()> work);
    // Waits for the work to end.
    ~TWipedStackThread();
    TWipedStackThread(const TWipedStackThread&) = delete;
    TWipedStackThread& operator=(const TWipedStackThread&) = delete;

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

} // namespace tainoteka
