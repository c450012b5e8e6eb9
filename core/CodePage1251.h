#pragma once
// Windows-1251 <-> UTF-16. Every byte maps to one character and back, the
// undefined 0x98 included (as U+0098), so any stored byte survives a round trip.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tainoteka {

char16_t Cp1251ToChar(unsigned char byte);
// -1 when the character has no Windows-1251 byte.
int CharToCp1251(char16_t ch);

std::u16string Cp1251ToUtf16(std::string_view bytes);
// Into a caller's buffer of bytes.size() units, so a large text needs no extra copy.
void Cp1251ToUtf16(std::string_view bytes, char16_t* out);

struct TCp1251Encoding {
    std::string Bytes;
    // Positions (UTF-16 code units) of characters with no Windows-1251 byte;
    // the bytes are only meaningful when this is empty.
    std::vector<std::size_t> Unmappable;
    bool Ok() const { return Unmappable.empty(); }
};
TCp1251Encoding Utf16ToCp1251(std::u16string_view text);

// A text as a protected file stores it, a piece at a time: Windows-1251,
// every line ending CR LF (CR LF, a lone CR or LF, U+2028 and U+2029 each
// end a line; a last line without an end gets one). Pieces of one text in
// order give the bytes of the whole wherever it is cut, so a save can
// encipher the start while the rest is still being converted.
class TStoredTextEncoder {
public:
    // Most bytes `units` UTF-16 code units can take, the last line's end included.
    static constexpr std::size_t MostBytes(std::size_t units) { return 2 * units + 2; }
    // Writes the piece's bytes at out and returns their end; stops before a
    // refused character, and takes nothing more once one was met.
    char* Encode(std::u16string_view piece, char* out);
    // The last line's end, where the text does not end with one.
    char* Finish(char* out);
    // Position (UTF-16 code unit) of the first NUL or character with no
    // Windows-1251 byte; the bytes are only meaningful without one.
    const std::optional<std::size_t>& Refused() const { return refused_; }

private:
    std::size_t taken_ = 0; // code units of the pieces before
    bool afterCr_ = false;
    bool lineOpen_ = false;
    std::optional<std::size_t> refused_;
};

} // namespace tainoteka
