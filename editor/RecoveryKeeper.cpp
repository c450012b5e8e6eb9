#include "RecoveryKeeper.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

#include "RecoveryWriter.h"

namespace tainoteka {
namespace {

class TSystemTimer final : public IRecoveryTimer {
public:
    TSystemTimer()
    {
        clock_.start();
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::VeryCoarseTimer); // a second either way is fine, and costs less
        QObject::connect(&timer_, &QTimer::timeout, [this] { wake_(); });
    }
    std::chrono::milliseconds Now() const override { return std::chrono::milliseconds(clock_.elapsed()); }
    void Start(std::chrono::milliseconds delay, std::function<void()> wake) override
    {
        wake_ = std::move(wake);
        timer_.start(delay);
    }
    void Stop() override { timer_.stop(); }

private:
    QElapsedTimer clock_;
    QTimer timer_;
    std::function<void()> wake_;
};

// The end-to-end tests shorten the wait after the last change; nothing else does.
std::chrono::milliseconds QuietTimeFromEnvironment()
{
    bool ok = false;
    const int shortened = qEnvironmentVariableIntValue("TAINOTEKA_RECOVERY_DELAY_MS", &ok);
    return ok && shortened >= 0 ? std::chrono::milliseconds(shortened) : TRecoveryKeeper::QuietTime;
}

QString FailureNote(const QString& error) { return QStringLiteral("Копия для восстановления не записана: %1").arg(error); }

} // namespace

TRecoveryKeeper::TRecoveryKeeper(const QString& folder, TRecoverySource source,
                                 std::function<void(const QString&)> note, QObject* parent)
    : QObject(parent),
      store_(folder),
      source_(std::move(source)),
      note_(std::move(note)),
      timer_(std::make_unique<TSystemTimer>()),
      quietTime_(QuietTimeFromEnvironment())
{
    writer_ = std::make_unique<TRecoveryWriter>(sealer_, [this](const TFileResult& written) {
        lastWriteOk_ = written.Ok;
        const QString text = written.Ok ? QString() : FailureNote(written.Error);
        QMetaObject::invokeMethod(this, [this, text] { note_(text); }, Qt::QueuedConnection);
    });
}

TRecoveryKeeper::~TRecoveryKeeper() = default;

void TRecoveryKeeper::UseTimer(std::unique_ptr<IRecoveryTimer> timer) { timer_ = std::move(timer); }

void TRecoveryKeeper::Changed()
{
    changed_ = true;
    const std::chrono::milliseconds now = timer_->Now();
    if (!due_) {
        due_ = true;
        firstChange_ = now;
    }
    const std::chrono::milliseconds deadline = std::min(now + quietTime_, firstChange_ + LongestWait);
    timer_->Start(std::max(deadline - now, std::chrono::milliseconds(0)), [this] { Write(); });
}

void TRecoveryKeeper::PasswordChanged()
{
    // The copy is under the old password, or there was none yet.
    if (changed_)
        Changed();
}

void TRecoveryKeeper::Discard()
{
    timer_->Stop();
    changed_ = due_ = false;
    if (!store_.OwnCopy().isEmpty())
        writer_->Remove(store_.OwnCopy());
    note_({});
}

void TRecoveryKeeper::WriteNow()
{
    WriteDueNow();
    writer_->Wait();
}

void TRecoveryKeeper::WriteDueNow()
{
    if (due_) {
        timer_->Stop();
        Write();
    }
}

void TRecoveryKeeper::Adopt(const QString& copy)
{
    writer_->Wait();
    store_.Adopt(copy);
}

void TRecoveryKeeper::Wait() { writer_->Wait(); }

void TRecoveryKeeper::Write()
{
    due_ = false;
    QString password = source_.Password();
    if (password.isEmpty())
        return; // without a password a copy could only be readable
    QString path;
    const TFileResult prepared = store_.PrepareOwnCopy(path);
    if (!prepared.Ok) {
        lastWriteOk_ = false;
        note_(FailureNote(prepared.Error));
        return;
    }
    writer_->Write(TRecoveryJob{path, std::move(password), source_.Content()});
}

} // namespace tainoteka
