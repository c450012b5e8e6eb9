#pragma once
// The keys an age file derives from its file key, and the header MAC.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "SecretBytes.h"

namespace tainoteka {

inline constexpr std::size_t kAgeFileKeySize = 16;
inline constexpr std::size_t kAgeMacSize = 32;

// HKDF-SHA-256 with a 32-byte output.
TSecretBytes HkdfSha256(std::span<const std::uint8_t> ikm, std::span<const std::uint8_t> salt, std::string_view info);

// HMAC-SHA-256 over the header up to and including "---", under the key
// the file key gives for "header".
std::array<std::uint8_t, kAgeMacSize> AgeHeaderMac(const TSecretBytes& fileKey, std::span<const std::uint8_t> header);

} // namespace tainoteka
