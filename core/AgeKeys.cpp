#include "AgeKeys.h"

#include <sodium.h>

namespace tainoteka {
namespace {

// libsodium declares its pointers never null, even for zero lengths (the
// empty HKDF salt of the header key).
const std::uint8_t* NonNull(std::span<const std::uint8_t> bytes)
{
    static constexpr std::uint8_t kNothing[1] = {};
    return bytes.empty() ? kNothing : bytes.data();
}

std::array<std::uint8_t, kAgeMacSize> Hmac(std::span<const std::uint8_t> key,
                                           std::span<const std::span<const std::uint8_t>> parts)
{
    crypto_auth_hmacsha256_state state;
    crypto_auth_hmacsha256_init(&state, NonNull(key), key.size());
    for (const auto part : parts)
        crypto_auth_hmacsha256_update(&state, NonNull(part), part.size());
    std::array<std::uint8_t, kAgeMacSize> mac{};
    crypto_auth_hmacsha256_final(&state, mac.data());
    sodium_memzero(&state, sizeof state);
    return mac;
}

std::span<const std::uint8_t> AsBytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

TSecretBytes HkdfSha256(std::span<const std::uint8_t> ikm, std::span<const std::uint8_t> salt, std::string_view info)
{
    EnsureSodium();
    // Extract, then one block of Expand: 32 bytes is all age ever asks for.
    const std::span<const std::uint8_t> extractParts[] = {ikm};
    auto prk = Hmac(salt, extractParts);
    static constexpr std::uint8_t kFirstBlock[] = {1};
    const std::span<const std::uint8_t> expandParts[] = {AsBytes(info), kFirstBlock};
    auto okm = Hmac(prk, expandParts);
    TSecretBytes key(okm);
    sodium_memzero(prk.data(), prk.size());
    sodium_memzero(okm.data(), okm.size());
    return key;
}

std::array<std::uint8_t, kAgeMacSize> AgeHeaderMac(const TSecretBytes& fileKey, std::span<const std::uint8_t> header)
{
    const TSecretBytes macKey = HkdfSha256(fileKey.bytes(), {}, "header");
    const std::span<const std::uint8_t> parts[] = {header};
    return Hmac(macKey.bytes(), parts);
}

} // namespace tainoteka
