#pragma once
// Where a character stands in a text, as every message names it: line and
// column from 1. CR LF, a lone CR and a lone LF each end a line; a column
// counts characters (a UTF-16 surrogate pair is one).
#include <algorithm>
#include <cstddef>
#include <string_view>

namespace tainoteka {

struct TTextPlace {
    std::size_t Line = 1;
    std::size_t Column = 1;
};

// The place after a text that arrives piece by piece; a CR ending one piece
// and a LF starting the next are one line end.
class TPlaceCounter {
public:
    void Advance(std::string_view text) { AdvanceOver(text); }
    void Advance(std::u16string_view text) { AdvanceOver(text); }
    const TTextPlace& Place() const { return place_; }

private:
    template <class Char>
    void AdvanceOver(std::basic_string_view<Char> text)
    {
        for (const Char ch : text) {
            const bool secondHalfOfCrLf = ch == Char('\n') && afterCr_;
            afterCr_ = ch == Char('\r');
            if (secondHalfOfCrLf)
                continue;
            if (ch == Char('\r') || ch == Char('\n')) {
                ++place_.Line;
                place_.Column = 1;
            } else if (sizeof(Char) == 1 || ch < Char(0xDC00) || ch > Char(0xDFFF)) {
                ++place_.Column; // the second half of a surrogate pair is no character of its own
            }
        }
    }

    TTextPlace place_;
    bool afterCr_ = false;
};

// index: the character's position in bytes (one-byte text) or UTF-16 units.
inline TTextPlace PlaceOf(std::string_view text, std::size_t index)
{
    TPlaceCounter counter;
    counter.Advance(text.substr(0, std::min(index, text.size())));
    return counter.Place();
}

inline TTextPlace PlaceOf(std::u16string_view text, std::size_t index)
{
    TPlaceCounter counter;
    counter.Advance(text.substr(0, std::min(index, text.size())));
    return counter.Place();
}

} // namespace tainoteka
