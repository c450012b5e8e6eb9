#pragma once
// Reads this process's memory the way an attacker with access to it would:
// every readable region through /proc/self/mem, freed heap blocks included.
// Linux only.
#include <cstddef>
#include <string_view>
#include <vector>

namespace tainoteka::test {

bool CanReadOwnMemory();

struct TCopies {
    int Narrow = 0; // one byte a letter: ASCII, UTF-8, Windows-1251
    int Wide = 0;   // UTF-16
};

// How many times the ASCII text made of `pieces`, joined, occurs in the
// process's memory. The joined needle and the reading buffer live in a
// mapping of their own that is not counted, so that only the caller's pieces,
// none of which holds the text whole, stand for it. -1 each when the text
// is empty or too long (over a thousand letters), or no room could be had.
TCopies CopiesInOwnMemory(const std::vector<std::string_view>& pieces);

} // namespace tainoteka::test
