#pragma once
// The passphrase stanza: the file key wrapped under a key scrypt derives
// from the passphrase and a salt.
#include <cstdint>

#include "AgeFile.h"
#include "AgeHeader.h"
#include "SecretBytes.h"

namespace tainoteka {

inline constexpr int kAgeMaxLog2WorkFactor = 22;

bool IsScryptStanza(const TAgeStanza& stanza);

// A fresh salt for every stanza.
TAgeStanza MakeScryptStanza(const TSecretBytes& fileKey, const TSecretBytes& passphrase, int log2WorkFactor);

// Ok with the file key; Damaged for a malformed stanza, WrongPassphrase when it
// does not unwrap; WorkFactorTooLarge or OutOfMemory before any work is done.
AgeStatus UnwrapScryptStanza(const TAgeStanza& stanza, const TSecretBytes& passphrase, TSecretBytes& fileKey);

} // namespace tainoteka
