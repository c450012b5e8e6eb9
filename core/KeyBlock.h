#pragma once
// The 200-byte key block at the head of every .txtp file: the password and the
// body keys, framed by random filler and enciphered under the password's keys.
#include <cstddef>
#include <string>
#include <string_view>

#include "Cipher.h"
#include "RandomSource.h"

namespace tainoteka {

inline constexpr std::size_t KeyBlockSize = 200;
inline constexpr std::size_t MaxPasswordLength = 20;

// Ten digits, Latin capitals and small letters, Cyrillic А-Я and а-я in
// Windows-1251, with а a second time between б and в: 127 characters.
inline constexpr std::string_view FillerAlphabet =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
    "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
    "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9\xDA\xDB\xDC\xDD\xDE\xDF"
    "\xE0\xE1\xE0\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
    "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE\xFF";
static_assert(FillerAlphabet.size() == 127);

struct TFileKeys {
    std::string Password; // at most MaxPasswordLength bytes
    int32_t StartKey = 0;
    int32_t MultKey = 0;
    int32_t AddKey = 0;
    bool Valid = false;
};

struct TBuiltKeyBlock {
    std::string Block; // KeyBlockSize enciphered bytes
    TKeySet BodyKeys; // the keys the body must be enciphered under
};

// "|StartKey=.. MultKey=.. AddKey=.. Password=..|" for the given keys.
std::string FramedKeyText(const TKeySet& bodyKeys, std::string_view password);
// Draws fresh body keys and builds the block for the password (Windows-1251 bytes).
TBuiltKeyBlock BuildKeyBlock(std::string_view password, TRandomSource& random);
TBuiltKeyBlock BuildKeyBlock(std::string_view password);

TFileKeys ParseKeyBlock(std::string_view block, std::string_view typed);

bool IsIntegerText(std::string_view text);

} // namespace tainoteka
