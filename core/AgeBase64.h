#pragma once
// Base64 as the age header writes it: standard alphabet, no "=" padding,
// and only the canonical encoding of each value accepted.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tainoteka {

std::string EncodeAgeBase64(std::span<const std::uint8_t> bytes);

// Nothing for padding, a character outside the alphabet or non-zero unused bits.
std::optional<std::vector<std::uint8_t>> DecodeAgeBase64(std::string_view text);

inline bool IsAgeBase64Char(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

} // namespace tainoteka
