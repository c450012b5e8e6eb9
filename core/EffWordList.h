#pragma once
// EFF's large word list (resources/wordlist/eff_large_wordlist.txt): 7,776
// words, one for each roll of five dice, compiled in at configure time in the
// list's own order, so the program reads no file to make a passphrase.
#include <array>
#include <cstddef>
#include <string_view>

namespace tainoteka {

inline constexpr std::size_t kEffWordCount = 7776;

extern const std::array<std::string_view, kEffWordCount> kEffLargeWordList;

} // namespace tainoteka
