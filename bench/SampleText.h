#pragma once
// Document-like text for the benchmarks: Russian and English words with
// punctuation, a line break about every 60 characters.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tainoteka::bench {

// Exactly `length` UTF-16 code units, lines ending in '\n' (as the editor
// hands text over); the same text for the same seed. Every character has a
// Windows-1251 byte.
std::u16string MakeSampleText(std::size_t length, uint32_t seed = 20240229);

} // namespace tainoteka::bench
