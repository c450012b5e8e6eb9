#include "ShownName.h"

#include "Utf8.h"

namespace tainoteka::cli {

std::string ShownName(std::string_view systemName)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(systemName.size());
    for (std::size_t at = 0; at < systemName.size();) {
        char32_t codePoint = 0;
        const std::size_t length = DecodeUtf8At(systemName, at, codePoint);
        if (length > 0) {
            shown.append(systemName.substr(at, length));
            at += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(systemName[at++]);
        shown += "\\x";
        shown += kDigits[byte >> 4];
        shown += kDigits[byte & 0xF];
    }
    return shown;
}

} // namespace tainoteka::cli
