#pragma once
// UTF-8 (the command line's side) <-> Windows-1251 (what a protected file holds).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TextPlace.h"

namespace tainoteka::cli {

struct TUtf8Import {
    // Windows-1251 bytes; '?' holds the place of a character that has no byte,
    // so indexes into Bytes stay one per character.
    std::string Bytes;
    std::vector<std::size_t> Unmappable; // indexes into Bytes
    // Index into Bytes where a malformed sequence began; decoding stops there.
    std::optional<std::size_t> MalformedAt;

    bool Ok() const { return Unmappable.empty() && !MalformedAt; }
};

// Strict: overlong forms, surrogates and values past U+10FFFF are malformed.
TUtf8Import Utf8ToCp1251(std::string_view utf8);

// How much of a piece of UTF-8 can be decoded now: all of it except a
// sequence cut short at its end, whose remaining bytes come with the next piece.
std::size_t CompleteUtf8Length(std::string_view utf8);

// Every byte has a character (0x98 included), so this never fails.
std::string Cp1251ToUtf8(std::string_view bytes);
void AppendCp1251AsUtf8(std::string_view bytes, std::string& out);

// Where a character lies, also in a text that arrives piece by piece: the
// rule every message of the program uses.
using tainoteka::PlaceOf;
using tainoteka::TPlaceCounter;
using tainoteka::TTextPlace;

} // namespace tainoteka::cli
