#pragma once
// Where a character stands in a text, as every message names it: line and
// column from 1. CR LF, a lone CR and a lone LF each end a line; a column
// counts characters (a UTF-16 surrogate pair is one).
#include <cstddef>
#include <string_view>

namespace tainoteka {

struct TTextPlace {
    std::size_t Line = 1;
    std::size_t Column = 1;
};

namespace detail {
template <class Char>
TTextPlace PlaceIn(std::basic_string_view<Char> text, std::size_t index)
{
    TTextPlace place;
    for (std::size_t i = 0; i < index && i < text.size(); ++i) {
        const Char ch = text[i];
        if (ch != Char('\r') && ch != Char('\n')) {
            const bool secondHalf = sizeof(Char) == 2 && ch >= Char(0xDC00) && ch <= Char(0xDFFF);
            if (!secondHalf)
                ++place.Column;
            continue;
        }
        if (ch == Char('\r') && i + 1 < index && text[i + 1] == Char('\n'))
            ++i;
        ++place.Line;
        place.Column = 1;
    }
    return place;
}
} // namespace detail

// index: position of the character in bytes (one-byte text) or UTF-16 units.
inline TTextPlace PlaceOf(std::string_view text, std::size_t index) { return detail::PlaceIn(text, index); }
inline TTextPlace PlaceOf(std::u16string_view text, std::size_t index) { return detail::PlaceIn(text, index); }

} // namespace tainoteka
