#include "TextCodec.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "CodePage1251.h"
#include "Utf8.h"

namespace tainoteka::cli {
namespace {

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
        const std::size_t length = DecodeUtf8At(utf8, at, codePoint);
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

std::size_t CompleteUtf8Length(std::string_view utf8)
{
    // A lead byte stands at most three bytes before the end of a cut sequence.
    const std::size_t lookBack = std::min<std::size_t>(utf8.size(), 3);
    for (std::size_t back = 1; back <= lookBack; ++back) {
        const auto byte = static_cast<unsigned char>(utf8[utf8.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        return Utf8LeadLength(byte) > back ? utf8.size() - back : utf8.size();
    }
    return utf8.size();
}

std::string Cp1251ToUtf8(std::string_view bytes)
{
    std::string out;
    AppendCp1251AsUtf8(bytes, out);
    return out;
}

namespace {

// The UTF-8 form of every Windows-1251 byte: length, then up to three bytes.
struct TUtf8Forms {
    std::array<std::array<char, 4>, 256> Form{};
    TUtf8Forms()
    {
        for (int b = 0; b < 256; ++b) {
            std::string utf8;
            AppendUtf8(utf8, Cp1251ToChar(static_cast<unsigned char>(b)));
            Form[std::size_t(b)][0] = static_cast<char>(utf8.size());
            utf8.copy(Form[std::size_t(b)].data() + 1, 3);
        }
    }
};

const TUtf8Forms& Utf8Forms()
{
    static const TUtf8Forms forms;
    return forms;
}

} // namespace

void AppendCp1251AsUtf8(std::string_view bytes, std::string& out)
{
    // Written through a table into room made beforehand: this runs over
    // every byte of every decrypted text.
    const TUtf8Forms& forms = Utf8Forms();
    const std::size_t start = out.size();
    out.resize(start + 3 * bytes.size());
    char* at = out.data() + start;
    for (const char byte : bytes) {
        const std::array<char, 4>& form = forms.Form[static_cast<unsigned char>(byte)];
        std::memcpy(at, form.data() + 1, 3);
        at += form[0];
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
}

} // namespace tainoteka::cli
