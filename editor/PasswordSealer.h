#pragma once
// Seals payloads in the recovery format under a document's password, keeping
// the key derived for the last password so that later copies cost an
// encryption, not a derivation. Shared by the recovery writer's thread and
// the lock: one derivation serves both, and Forget leaves no key behind.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace tainoteka {

class AgeSealer;

class TPasswordSealer {
public:
    TPasswordSealer();
    ~TPasswordSealer();
    TPasswordSealer(const TPasswordSealer&) = delete;
    TPasswordSealer& operator=(const TPasswordSealer&) = delete;

    // Throws std::bad_alloc.
    std::vector<std::uint8_t> Seal(const QString& password, const QByteArray& payload);
    // Wipes the kept password and key.
    void Forget();
    bool HoldsKey() const;

private:
    mutable std::mutex mutex_;
    std::unique_ptr<AgeSealer> sealer_;
    QByteArray password_;
};

} // namespace tainoteka
