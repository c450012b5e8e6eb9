#pragma once
// Passphrases of words drawn at random from EFF's large list, joined by
// hyphens: each word adds log2(7776) ≈ 12.9 bits, six give 77.5.
#include "SecretBytes.h"

namespace tainoteka {

inline constexpr int kPassphraseWords = 6;
inline constexpr char kPassphraseSeparator = '-';

// ASCII text (no terminating NUL) in locked memory that is wiped when freed.
// Each word is drawn with randombytes_uniform. Four words of the list hold a
// hyphen themselves ("drop-down", "felt-tip", "t-shirt", "yo-yo"), so a
// passphrase may show more hyphens than words; the draw is the same.
// Throws std::invalid_argument when words < 1.
TSecretBytes GeneratePassphrase(int words = kPassphraseWords);

} // namespace tainoteka
