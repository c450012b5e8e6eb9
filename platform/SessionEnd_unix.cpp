// Termination signals on Unix: the handler only writes the signal's number
// to a pipe; the interface thread reads it, runs the callback and then lets
// the signal end the process.
#include "SessionEnd.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <utility>
#include <unistd.h>

namespace tainoteka {
namespace {

int gSignalPipe[2] = {-1, -1};

extern "C" void NoteSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[1], &byte, 1);
}

constexpr int kSignals[] = {SIGTERM, SIGHUP};

} // namespace

class TSessionEnd::TImpl {
public:
    explicit TImpl(std::function<void()> ending) : ending_(std::move(ending))
    {
        if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        notifier_ = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Received(); });
        for (const int number : kSignals) {
            struct sigaction action {};
            action.sa_handler = NoteSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            ::sigaction(number, &action, nullptr);
        }
    }
    ~TImpl()
    {
        for (const int number : kSignals)
            std::signal(number, SIG_DFL);
        notifier_.reset();
        for (int& fd : gSignalPipe)
            if (fd >= 0)
                ::close(std::exchange(fd, -1));
    }

private:
    void Received()
    {
        unsigned char number = 0;
        if (::read(gSignalPipe[0], &number, 1) != 1)
            return;
        ending_();
        std::signal(number, SIG_DFL);
        std::raise(number);
    }

    std::function<void()> ending_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

TSessionEnd::TSessionEnd(std::function<void()> ending) : impl_(std::make_unique<TImpl>(std::move(ending))) {}

TSessionEnd::~TSessionEnd() = default;

} // namespace tainoteka
