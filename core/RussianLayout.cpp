#include "RussianLayout.h"

#include <cstring>
#include <optional>

namespace tainoteka {

namespace {

// а..я and А..Я in alphabet order, as the keys of the US layout.
constexpr std::string_view kSmallKeys = "f,dult;pbqrkvyjghcnea[wxio]sm'.z";
constexpr std::string_view kCapitalKeys = "F<DULT:PBQRKVYJGHCNEA{WXIO}SM\">Z";

// The key of the two-byte UTF-8 letter starting at text[i], if it is Russian.
std::optional<char> KeyOf(std::string_view text, std::size_t i)
{
    if (i + 1 >= text.size())
        return std::nullopt;
    const unsigned codePoint = (static_cast<unsigned char>(text[i]) & 0x1Fu) << 6
                               | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
    const bool twoBytes = (static_cast<unsigned char>(text[i]) & 0xE0u) == 0xC0u
                          && (static_cast<unsigned char>(text[i + 1]) & 0xC0u) == 0x80u;
    if (!twoBytes)
        return std::nullopt;
    if (codePoint >= 0x410 && codePoint < 0x430)
        return kCapitalKeys[codePoint - 0x410];
    if (codePoint >= 0x430 && codePoint < 0x450)
        return kSmallKeys[codePoint - 0x430];
    if (codePoint == 0x401)
        return '~';
    if (codePoint == 0x451)
        return '`';
    return std::nullopt;
}

// Walks the text once; writes into out when it is given.
std::size_t Transcribe(std::string_view text, char* out, bool& anyRussian)
{
    std::size_t size = 0;
    for (std::size_t i = 0; i < text.size(); ++size) {
        const std::optional<char> key = KeyOf(text, i);
        if (out)
            out[size] = key ? *key : text[i];
        anyRussian = anyRussian || key;
        i += key ? 2 : 1;
    }
    return size;
}

} // namespace

TSecretBytes RussianKeysAsLatin(std::string_view textUtf8)
{
    bool anyRussian = false;
    const std::size_t size = Transcribe(textUtf8, nullptr, anyRussian);
    if (!anyRussian)
        return {};
    TSecretBytes keys(size);
    Transcribe(textUtf8, reinterpret_cast<char*>(keys.data()), anyRussian);
    return keys;
}

} // namespace tainoteka
