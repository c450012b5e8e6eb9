#pragma once
// The document while the window is locked: its text, path and type sealed
// under its password in the recovery format, held only in memory. Opening
// derives the key, and so may sealing (about a second each): call them away
// from the interface thread.
#include <cstdint>
#include <optional>
#include <vector>

#include "AgeFile.h"
#include "RecoveryCopy.h"

namespace tainoteka {
class TPasswordSealer;
}

namespace tainoteka {

struct TOpenedSnapshot {
    AgeStatus Status = AgeStatus::Damaged;
    std::optional<TRecoveryContent> Content; // only when Status is Ok
};

class TDocumentSnapshot {
public:
    // Wipes content.Text and every copy made on the way. Throws std::bad_alloc.
    static TDocumentSnapshot Seal(TPasswordSealer& sealer, const QString& password, TRecoveryContent& content);
    TOpenedSnapshot Open(const QString& password) const;
    bool IsEmpty() const { return sealed_.empty(); }

private:
    std::vector<std::uint8_t> sealed_;
};

} // namespace tainoteka
