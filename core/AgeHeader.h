#pragma once
// The age header: the version line, recipient stanzas, and the MAC line.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "AgeKeys.h"

namespace tainoteka {

inline constexpr std::string_view kAgeVersionLine = "age-encryption.org/v1\n";

struct TAgeStanza {
    std::vector<std::string> Arguments; // the type first
    std::vector<std::uint8_t> Body;
};

struct TAgeHeader {
    std::vector<TAgeStanza> Stanzas;
    std::size_t MacInputLength = 0; // up to and including "---"
    std::array<std::uint8_t, kAgeMacSize> Mac{};
    std::size_t Length = 0; // the whole header with the MAC line's LF
};

enum class TAgeHeaderParse {
    Complete,
    NeedMore, // the bytes so far may still begin a header
    Invalid,
};

TAgeHeaderParse ParseAgeHeader(std::span<const std::uint8_t> bytes, TAgeHeader& header);

// A stanza's lines, the body wrapped at 64 columns and ended by a short line.
std::string FormatAgeStanza(const TAgeStanza& stanza);

} // namespace tainoteka
