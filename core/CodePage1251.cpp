#include "CodePage1251.h"

#include <array>
#include <cstdint>

namespace tainoteka {
namespace {

// 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char16_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

struct Tables {
    std::array<char16_t, 256> toChar{};
    std::array<int16_t, 0x10000> toByte{};
    Tables()
    {
        toByte.fill(-1);
        for (int b = 0; b < 256; ++b) {
            char16_t ch = b < 0x80 ? char16_t(b) : b < 0xC0 ? kUpperHalf[b - 0x80] : char16_t(0x0410 + b - 0xC0);
            toChar[b] = ch;
            toByte[ch] = static_cast<int16_t>(b);
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

} // namespace

char16_t Cp1251ToChar(unsigned char byte) { return tables().toChar[byte]; }

int CharToCp1251(char16_t ch) { return tables().toByte[ch]; }

void Cp1251ToUtf16(std::string_view bytes, char16_t* out)
{
    const auto& t = tables().toChar;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = t[static_cast<unsigned char>(bytes[i])];
}

std::u16string Cp1251ToUtf16(std::string_view bytes)
{
    std::u16string out(bytes.size(), u'\0');
    Cp1251ToUtf16(bytes, out.data());
    return out;
}

TCp1251Encoding Utf16ToCp1251(std::u16string_view text)
{
    const auto& t = tables().toByte;
    TCp1251Encoding result;
    result.Bytes.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int b = t[text[i]];
        if (b < 0)
            result.Unmappable.push_back(i);
        result.Bytes[i] = static_cast<char>(b);
    }
    return result;
}

namespace {

bool EndsLineAfterCr(char16_t unit) { return unit == u'\n' || (unit | 1) == 0x2029; }

} // namespace

char* TStoredTextEncoder::Encode(std::u16string_view piece, char* out)
{
    if (refused_ || piece.empty())
        return out;
    const auto& t = tables().toByte;
    std::size_t i = 0;
    // A CR that ended the piece before has written its line's end already.
    if (afterCr_ && EndsLineAfterCr(piece[0]))
        ++i;
    for (; i < piece.size(); ++i) {
        const char16_t unit = piece[i];
        const int byte = t[unit];
        if (byte > '\r') { // most characters: no line end, no NUL
            *out++ = static_cast<char>(byte);
            continue;
        }
        if (unit == u'\r' || EndsLineAfterCr(unit)) {
            *out++ = '\r';
            *out++ = '\n';
            if (unit == u'\r' && i + 1 < piece.size() && EndsLineAfterCr(piece[i + 1]))
                ++i;
            continue;
        }
        if (byte <= 0) {
            refused_ = taken_ + i;
            return out;
        }
        *out++ = static_cast<char>(byte);
    }
    const char16_t last = piece.back();
    afterCr_ = last == u'\r';
    lineOpen_ = !afterCr_ && !EndsLineAfterCr(last);
    taken_ += piece.size();
    return out;
}

char* TStoredTextEncoder::Finish(char* out)
{
    if (lineOpen_ && !refused_) {
        *out++ = '\r';
        *out++ = '\n';
        lineOpen_ = false;
    }
    return out;
}

} // namespace tainoteka
