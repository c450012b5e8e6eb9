#pragma once
// Keeps the recovery copy of the open document up to date: about 20 s after
// the last change, at most every 2 minutes while changes go on, at once when
// the session ends, and only for a document that has a password. The copy is
// the document's text, path and type, encrypted under its password.
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "PasswordSealer.h"
#include "RecoveryCopy.h"
#include "RecoveryStore.h"

namespace tainoteka {

class TRecoveryWriter;

// The clock and the one timer the keeper waits on; tests put in their own.
class IRecoveryTimer {
public:
    virtual ~IRecoveryTimer() = default;
    virtual std::chrono::milliseconds Now() const = 0; // any steady origin
    // Calls wake once, after delay, unless started again or stopped first.
    virtual void Start(std::chrono::milliseconds delay, std::function<void()> wake) = 0;
    virtual void Stop() = 0;
};

// What the keeper asks of the document when a copy is due.
struct TRecoverySource {
    std::function<QString()> Password;
    std::function<TRecoveryContent()> Content;
};

class TRecoveryKeeper final : public QObject {
public:
    static constexpr std::chrono::milliseconds QuietTime{20'000};
    static constexpr std::chrono::milliseconds LongestWait{120'000};

    // note shows a failed write in the status bar (empty: nothing to show).
    TRecoveryKeeper(const QString& folder, TRecoverySource source, std::function<void(const QString&)> note,
                    QObject* parent = nullptr);
    ~TRecoveryKeeper() override;

    void UseTimer(std::unique_ptr<IRecoveryTimer> timer);
    TRecoveryStore& Store() { return store_; }
    // The key of the copies' password; the lock seals with it too.
    TPasswordSealer& Sealer() { return sealer_; }

    // The text changed, or the document got a password while changed.
    void Changed();
    void PasswordChanged();
    // Saved, or the changes given up: no copy any more.
    void Discard();
    // The session ends: the copy is written now, and this returns once it is.
    void WriteNow();
    // The same without waiting: the copy is taken now and written meanwhile.
    void WriteDueNow();
    // Unsaved changes since the last save or discard.
    bool HasChanges() const { return changed_; }
    // The copy on disk holds every change (once the writes asked for are done).
    bool HoldsChanges() const { return changed_ && !due_ && lastWriteOk_; }
    // A copy left by an earlier run is the document now, changed.
    void Adopt(const QString& copy);
    // Returns once the writes asked for are done (their notes still queued).
    void Wait();

private:
    void Write();

    TRecoveryStore store_; // outlives the writer, which may still remove the copy
    TRecoverySource source_;
    std::function<void(const QString&)> note_;
    std::unique_ptr<IRecoveryTimer> timer_;
    TPasswordSealer sealer_; // outlives the writer, whose thread seals with it
    std::unique_ptr<TRecoveryWriter> writer_;
    std::chrono::milliseconds quietTime_;
    std::chrono::milliseconds firstChange_{0};
    bool changed_ = false; // unsaved changes since the last save or discard
    bool due_ = false; // changes the copy does not hold yet
    std::atomic<bool> lastWriteOk_{false}; // set on the writer's thread
};

} // namespace tainoteka
