#pragma once
// Writes recovery copies on a thread of its own, so that neither the key
// derivation nor the encryption of a long text holds up the window. Only the
// newest request waits: a write or removal asked for later replaces one not
// yet begun. The sealer keeps the key derived for the password.
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "AtomicFile.h"
#include "RecoveryCopy.h"

namespace tainoteka {

class TPasswordSealer;

struct TRecoveryJob {
    QString Path; // the copy; with no content, removed
    QString Password;
    std::optional<TRecoveryContent> Content;
};

class TRecoveryWriter {
public:
    // done runs on the writer's thread after every write.
    TRecoveryWriter(TPasswordSealer& sealer, std::function<void(const TFileResult&)> done);
    // Finishes the request in hand; one still waiting is dropped.
    ~TRecoveryWriter();
    TRecoveryWriter(const TRecoveryWriter&) = delete;
    TRecoveryWriter& operator=(const TRecoveryWriter&) = delete;

    void Write(TRecoveryJob job);
    void Remove(const QString& path);
    // Returns once nothing waits and nothing is being written.
    void Wait();

private:
    void Run();
    TFileResult Perform(TRecoveryJob& job);

    std::function<void(const TFileResult&)> done_;
    TPasswordSealer& sealer_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<TRecoveryJob> waiting_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace tainoteka
