#include "WipedStackThread.h"

#include <stdexcept>

#ifdef __linux__
#include <pthread.h>
#include <string.h>
#include <sys/mman.h>
#else
#include <thread>
#endif

namespace tainoteka {

#ifdef __linux__

namespace {

// As much as a thread gets by default.
constexpr std::size_t kStackSize = 8 * 1024 * 1024;

void* RunWork(void* state)
{
    (*static_cast<std::function<void()>*>(state))();
    return nullptr;
}

} // namespace

struct TWipedStackThread::TState {
    std::function<void()> Work;
    void* Stack = nullptr;
    pthread_t Thread{};
};

TWipedStackThread::TWipedStackThread(std::function<void()> work) : state_(std::make_unique<TState>())
{
    state_->Work = std::move(work);
    state_->Stack = mmap(nullptr, kStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (state_->Stack == MAP_FAILED)
        throw std::bad_alloc();
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstack(&attributes, state_->Stack, kStackSize);
    const int failed = pthread_create(&state_->Thread, &attributes, RunWork, &state_->Work);
    pthread_attr_destroy(&attributes);
    if (failed) {
        munmap(state_->Stack, kStackSize);
        throw std::runtime_error("no thread");
    }
}

TWipedStackThread::~TWipedStackThread()
{
    pthread_join(state_->Thread, nullptr);
    explicit_bzero(state_->Stack, kStackSize);
    munmap(state_->Stack, kStackSize);
}

#else

struct TWipedStackThread::TState {
    std::thread Thread;
};

TWipedStackThread::TWipedStackThread(std::function<void()> work)
    : state_(std::make_unique<TState>(TState{std::thread(std::move(work))}))
{
}

TWipedStackThread::~TWipedStackThread() { state_->Thread.join(); }

#endif

} // namespace tainoteka
