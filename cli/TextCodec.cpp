#include "TextCodec.h"

#include "CodePage1251.h"

namespace tainoteka::cli {
namespace {

struct TSequenceStart {
    std::size_t Length = 0;
    char32_t Bits = 0;
    char32_t Smallest = 0; // anything below is an overlong form
};

std::optional<TSequenceStart> ReadLead(unsigned char lead)
{
    if (lead < 0x80)
        return TSequenceStart{1, lead, 0};
    if ((lead & 0xE0) == 0xC0)
        return TSequenceStart{2, char32_t(lead & 0x1F), 0x80};
    if ((lead & 0xF0) == 0xE0)
        return TSequenceStart{3, char32_t(lead & 0x0F), 0x800};
    if ((lead & 0xF8) == 0xF0)
        return TSequenceStart{4, char32_t(lead & 0x07), 0x10000};
    return std::nullopt;
}

// Length of the sequence at text[at] with its code point; 0 when malformed.
std::size_t DecodeOne(std::string_view text, std::size_t at, char32_t& codePoint)
{
    const std::optional<TSequenceStart> start = ReadLead(static_cast<unsigned char>(text[at]));
    if (!start || text.size() - at < start->Length)
        return 0;
    char32_t value = start->Bits;
    for (std::size_t k = 1; k < start->Length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < start->Smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    codePoint = value;
    return start->Length;
}

int ToCp1251(char32_t codePoint)
{
    if (codePoint > 0xFFFF)
        return -1;
    return CharToCp1251(static_cast<char16_t>(codePoint));
}

void AppendUtf8(std::string& out, char16_t ch)
{
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

} // namespace

TUtf8Import Utf8ToCp1251(std::string_view utf8)
{
    TUtf8Import result;
    result.Bytes.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t codePoint = 0;
        const std::size_t length = DecodeOne(utf8, at, codePoint);
        if (length == 0) {
            result.MalformedAt = result.Bytes.size();
            break;
        }
        const int byte = ToCp1251(codePoint);
        if (byte < 0)
            result.Unmappable.push_back(result.Bytes.size());
        result.Bytes += byte < 0 ? '?' : static_cast<char>(byte);
        at += length;
    }
    return result;
}

std::string Cp1251ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char byte : bytes)
        AppendUtf8(out, Cp1251ToChar(static_cast<unsigned char>(byte)));
    return out;
}

} // namespace tainoteka::cli
