#include "PasswordStrength.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#if TAINOTEKA_HAVE_ZXCVBN
#include <zxcvbn.h>
#endif

#include "RussianLayout.h"
#include "SecretBytes.h"

namespace tainoteka {

namespace {

constexpr std::array<double, 4> kLeastGuessesForScore = {1e3, 1e6, 1e8, 1e10};

// zxcvbn examines only the first 100 bytes match by match and counts the
// rest as one plain sequence, so its time stays flat with length: about
// 5 ms for 1,024 characters, and no prefix of ours is needed.
// It only reads the text: the reversed copy it makes is zeroed before it is
// freed, and without the match list nothing of the password is returned.
double ZxcvbnBits(std::string_view text)
{
#if TAINOTEKA_HAVE_ZXCVBN
    TSecretBytes cString(text.size() + 1);
    if (!text.empty())
        std::memcpy(cString.data(), text.data(), text.size());
    return ZxcvbnMatch(reinterpret_cast<const char*>(cString.data()), nullptr, nullptr);
#else
    static_cast<void>(text);
    return 0;
#endif
}

std::string_view AsText(const TSecretBytes& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

} // namespace

bool PasswordStrengthAvailable() { return TAINOTEKA_HAVE_ZXCVBN != 0; }

TPasswordStrength StrengthForGuesses(double guesses)
{
    const auto score = std::upper_bound(kLeastGuessesForScore.begin(), kLeastGuessesForScore.end(), guesses)
                       - kLeastGuessesForScore.begin();
    return {static_cast<int>(score), guesses, guesses / kGuessesPerSecond};
}

TPasswordStrength EstimatePasswordStrength(std::string_view passwordUtf8)
{
    double bits = ZxcvbnBits(passwordUtf8);
    const TSecretBytes latinKeys = RussianKeysAsLatin(passwordUtf8);
    if (latinKeys.size() > 0)
        bits = std::min(bits, ZxcvbnBits(AsText(latinKeys)));
    return StrengthForGuesses(std::exp2(bits));
}

} // namespace tainoteka
