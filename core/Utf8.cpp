#include "Utf8.h"

namespace tainoteka {
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

} // namespace

std::size_t Utf8LeadLength(unsigned char lead)
{
    const std::optional<TSequenceStart> start = ReadLead(lead);
    return start ? start->Length : 0;
}

std::size_t DecodeUtf8At(std::string_view text, std::size_t at, char32_t& codePoint)
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

std::optional<std::size_t> FirstNonUtf8Byte(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        char32_t codePoint = 0;
        const std::size_t length = DecodeUtf8At(text, at, codePoint);
        if (length == 0)
            return at;
        at += length;
    }
    return std::nullopt;
}

} // namespace tainoteka
