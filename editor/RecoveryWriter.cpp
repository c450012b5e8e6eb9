#include "RecoveryWriter.h"

#include <QFile>

#include <new>

#include "PasswordSealer.h"
#include "RecoveryStore.h"
#include "Wipe.h"

namespace tainoteka {

namespace {

void WipeJob(TRecoveryJob& job)
{
    Wipe(job.Password);
    if (job.Content)
        Wipe(job.Content->Text);
}

} // namespace

TRecoveryWriter::TRecoveryWriter(TPasswordSealer& sealer, std::function<void(const TFileResult&)> done)
    : done_(std::move(done)), sealer_(sealer), thread_([this] { Run(); })
{
}

TRecoveryWriter::~TRecoveryWriter()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TRecoveryWriter::Write(TRecoveryJob job)
{
    {
        std::lock_guard lock(mutex_);
        if (waiting_)
            WipeJob(*waiting_);
        waiting_ = std::move(job);
    }
    wake_.notify_all();
}

void TRecoveryWriter::Remove(const QString& path) { Write(TRecoveryJob{path, {}, std::nullopt}); }

void TRecoveryWriter::Wait()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !waiting_ && !busy_; });
}

void TRecoveryWriter::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || waiting_; });
        // At the end a removal still runs (the copy must not outlive a normal
        // close); a write no longer does.
        if (stopping_ && waiting_ && waiting_->Content) {
            WipeJob(*waiting_);
            waiting_.reset();
        }
        if (!waiting_)
            return;
        TRecoveryJob job = std::move(*waiting_);
        waiting_.reset();
        busy_ = true;
        lock.unlock();
        const bool writes = job.Content.has_value();
        const TFileResult result = Perform(job);
        if (writes)
            done_(result);
        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
}

TFileResult TRecoveryWriter::Perform(TRecoveryJob& job)
{
    if (!job.Content) {
        QFile::remove(job.Path);
        return {true, {}, 0};
    }
    struct TWipeJob {
        TRecoveryJob& Job;
        ~TWipeJob() { WipeJob(Job); }
    } wipeJob{job};
    try {
        UseNewlines(job.Content->Text);
        QByteArray payload = EncodeRecoveryContent(*job.Content);
        TWipeOnExit<QByteArray> wipePayload(payload);
        Wipe(job.Content->Text);
        const std::vector<std::uint8_t> sealed = sealer_.Seal(job.Password, payload);
        Wipe(payload);
        return WriteRecoveryFile(job.Path, QByteArray::fromRawData(reinterpret_cast<const char*>(sealed.data()),
                                                                   qsizetype(sealed.size())));
    } catch (const std::bad_alloc&) {
        return FileFailure(job.Path, QStringLiteral("не хватает памяти"));
    }
}

} // namespace tainoteka
