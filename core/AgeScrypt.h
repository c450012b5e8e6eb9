#pragma once
// The passphrase stanza: the file key wrapped under a key scrypt derives
// from the passphrase and a salt.
#include <cstdint>
#include <optional>

#include "AgeFile.h"
#include "AgeHeader.h"
#include "SecretBytes.h"

namespace tainoteka {

inline constexpr int kAgeMaxLog2WorkFactor = 22;

// Bytes scrypt takes at a work factor: its table of 128 * r * N bytes (r = 8)
// and its few small buffers.
std::uint64_t ScryptMemoryNeeded(int log2WorkFactor);
// Whether those fit in available bytes; without a figure nothing is refused.
bool ScryptMemoryFits(int log2WorkFactor, std::optional<std::uint64_t> available);

bool IsScryptStanza(const TAgeStanza& stanza);
// The work factor a scrypt stanza names; nullopt when it names none.
std::optional<int> ScryptWorkFactor(const TAgeStanza& stanza);

// A fresh salt for every stanza.
TAgeStanza MakeScryptStanza(const TSecretBytes& fileKey, const TSecretBytes& passphrase, int log2WorkFactor);

// Ok with the file key; Damaged for a malformed stanza, WrongPassphrase when it
// does not unwrap; WorkFactorTooLarge, or OutOfMemory when the derivation
// needs more than availableMemory, before any work is done.
AgeStatus UnwrapScryptStanza(const TAgeStanza& stanza, const TSecretBytes& passphrase, TSecretBytes& fileKey,
                             std::optional<std::uint64_t> availableMemory = std::nullopt);

} // namespace tainoteka
