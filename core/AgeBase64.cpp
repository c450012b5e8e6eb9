#include "AgeBase64.h"

#include <sodium.h>

#include "SecretBytes.h"

namespace tainoteka {

namespace {
constexpr int kVariant = sodium_base64_VARIANT_ORIGINAL_NO_PADDING;
}

std::string EncodeAgeBase64(std::span<const std::uint8_t> bytes)
{
    EnsureSodium();
    std::string text(sodium_base64_ENCODED_LEN(bytes.size(), kVariant), '\0');
    sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), kVariant);
    text.resize(text.size() - 1); // the terminating NUL
    return text;
}

std::optional<std::vector<std::uint8_t>> DecodeAgeBase64(std::string_view text)
{
    EnsureSodium();
    std::vector<std::uint8_t> bytes(text.size() * 3 / 4 + 1);
    std::size_t length = 0;
    // Without an end pointer libsodium refuses anything it does not consume
    // whole, and it refuses non-zero unused bits.
    if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length, nullptr, kVariant) != 0)
        return std::nullopt;
    bytes.resize(length);
    return bytes;
}

} // namespace tainoteka
