#include "AgeScrypt.h"

#include <algorithm>
#include <new>
#include <string>

#include <sodium.h>

#include "AgeBase64.h"
#include "AgeKeys.h"

namespace tainoteka {
namespace {

constexpr std::string_view kSaltLabel = "age-encryption.org/v1/scrypt";
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kWrappedSize = kAgeFileKeySize + crypto_aead_chacha20poly1305_ietf_ABYTES;
constexpr std::uint8_t kZeroNonce[crypto_aead_chacha20poly1305_ietf_NPUBBYTES] = {};

// Decimal digits without a leading zero; anything longer than two digits is
// beyond the limit anyway and is not parsed (no overflow).
std::optional<int> ParseWorkFactor(const std::string& text)
{
    if (text.empty() || text[0] == '0' || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return text.size() > 2 ? kAgeMaxLog2WorkFactor + 1 : std::stoi(text);
}

constexpr std::uint64_t kBlockSize = 8; // scrypt's r
constexpr std::uint64_t kParallelism = 1; // scrypt's p

// Ok, or OutOfMemory when scrypt cannot have its 128 * r * N bytes.
AgeStatus DeriveWrapKey(const TSecretBytes& passphrase, std::span<const std::uint8_t> salt, int log2WorkFactor,
                        TSecretBytes& wrapKey)
{
    std::string labelled(kSaltLabel);
    labelled.append(reinterpret_cast<const char*>(salt.data()), salt.size());
    wrapKey = TSecretBytes(crypto_aead_chacha20poly1305_ietf_KEYBYTES);
    const int failed = crypto_pwhash_scryptsalsa208sha256_ll(
        passphrase.data(), passphrase.size(), reinterpret_cast<const std::uint8_t*>(labelled.data()), labelled.size(),
        std::uint64_t(1) << log2WorkFactor, kBlockSize, kParallelism, wrapKey.data(), wrapKey.size());
    return failed ? AgeStatus::OutOfMemory : AgeStatus::Ok;
}

} // namespace

std::uint64_t ScryptMemoryNeeded(int log2WorkFactor)
{
    const std::uint64_t table = 128 * kBlockSize * (std::uint64_t(1) << log2WorkFactor);
    const std::uint64_t buffers = 128 * kBlockSize * kParallelism + 256 * kBlockSize + 64;
    return table + buffers;
}

bool ScryptMemoryFits(int log2WorkFactor, std::optional<std::uint64_t> available)
{
    return !available || ScryptMemoryNeeded(log2WorkFactor) <= *available;
}

bool IsScryptStanza(const TAgeStanza& stanza)
{
    return !stanza.Arguments.empty() && stanza.Arguments[0] == "scrypt";
}

std::optional<int> ScryptWorkFactor(const TAgeStanza& stanza)
{
    return IsScryptStanza(stanza) && stanza.Arguments.size() == 3 ? ParseWorkFactor(stanza.Arguments[2]) : std::nullopt;
}

TAgeStanza MakeScryptStanza(const TSecretBytes& fileKey, const TSecretBytes& passphrase, int log2WorkFactor)
{
    std::uint8_t salt[kSaltSize];
    randombytes_buf(salt, sizeof salt);
    TSecretBytes wrapKey;
    if (DeriveWrapKey(passphrase, salt, log2WorkFactor, wrapKey) != AgeStatus::Ok)
        throw std::bad_alloc();
    TAgeStanza stanza;
    stanza.Arguments = {"scrypt", EncodeAgeBase64(salt), std::to_string(log2WorkFactor)};
    stanza.Body.resize(kWrappedSize);
    crypto_aead_chacha20poly1305_ietf_encrypt(stanza.Body.data(), nullptr, fileKey.data(), fileKey.size(), nullptr, 0,
                                              nullptr, kZeroNonce, wrapKey.data());
    return stanza;
}

AgeStatus UnwrapScryptStanza(const TAgeStanza& stanza, const TSecretBytes& passphrase, TSecretBytes& fileKey,
                             std::optional<std::uint64_t> availableMemory)
{
    if (stanza.Arguments.size() != 3)
        return AgeStatus::Damaged;
    const auto salt = DecodeAgeBase64(stanza.Arguments[1]);
    const auto log2WorkFactor = ParseWorkFactor(stanza.Arguments[2]);
    if (!salt || salt->size() != kSaltSize || !log2WorkFactor || stanza.Body.size() != kWrappedSize)
        return AgeStatus::Damaged;
    if (*log2WorkFactor > kAgeMaxLog2WorkFactor)
        return AgeStatus::WorkFactorTooLarge;
    // Asked for more than there is, the system may kill the program instead of refusing.
    if (!ScryptMemoryFits(*log2WorkFactor, availableMemory))
        return AgeStatus::OutOfMemory;
    TSecretBytes wrapKey;
    const AgeStatus derived = DeriveWrapKey(passphrase, *salt, *log2WorkFactor, wrapKey);
    if (derived != AgeStatus::Ok)
        return derived;
    TSecretBytes key(kAgeFileKeySize);
    if (crypto_aead_chacha20poly1305_ietf_decrypt(key.data(), nullptr, nullptr, stanza.Body.data(), stanza.Body.size(),
                                                  nullptr, 0, kZeroNonce, wrapKey.data()) != 0)
        return AgeStatus::WrongPassphrase;
    fileKey = std::move(key);
    return AgeStatus::Ok;
}

} // namespace tainoteka
