#pragma once
// libsodium, the source of every primitive of the age document type, must be
// started before its first use: it picks the code paths for this processor
// and opens the system's random source.

namespace tainoteka {

// Once per process, before any thread uses libsodium; calling it again is
// harmless. False if libsodium cannot start (no system random source).
bool StartCryptoLibrary();

} // namespace tainoteka
