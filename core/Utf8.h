#pragma once
// Strict UTF-8, as both programs read it: overlong forms, surrogates and
// values past U+10FFFF are not UTF-8.
#include <cstddef>
#include <optional>
#include <string_view>

namespace tainoteka {

// Bytes of the sequence a lead byte begins; 0 for a byte that begins none.
std::size_t Utf8LeadLength(unsigned char lead);

// Length of the well-formed sequence at text[at], with its code point; 0 when
// there is none there (a sequence cut short by the end of text included).
std::size_t DecodeUtf8At(std::string_view text, std::size_t at, char32_t& codePoint);

// Where the first byte that begins no well-formed sequence is; nullopt for UTF-8 text.
std::optional<std::size_t> FirstNonUtf8Byte(std::string_view text);

} // namespace tainoteka
