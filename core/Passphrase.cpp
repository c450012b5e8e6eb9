#include "Passphrase.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include <sodium.h>

#include "EffWordList.h"
#include "Wipe.h"

namespace tainoteka {

TSecretBytes GeneratePassphrase(int words)
{
    if (words < 1)
        throw std::invalid_argument("a passphrase needs at least one word");
    EnsureSodium();
    // The drawn places give the passphrase away as surely as its text.
    std::vector<std::uint32_t> drawn(static_cast<std::size_t>(words));
    TWipeOnExit wipeDrawn(drawn);
    std::size_t size = drawn.size() - 1;
    for (std::uint32_t& place : drawn) {
        place = randombytes_uniform(static_cast<std::uint32_t>(kEffWordCount));
        size += kEffLargeWordList[place].size();
    }
    TSecretBytes phrase(size);
    char* out = reinterpret_cast<char*>(phrase.data());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        if (i > 0)
            *out++ = kPassphraseSeparator;
        const std::string_view word = kEffLargeWordList[drawn[i]];
        std::memcpy(out, word.data(), word.size());
        out += word.size();
    }
    return phrase;
}

} // namespace tainoteka
