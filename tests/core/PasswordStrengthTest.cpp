#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Passphrase.h"
#include "PasswordStrength.h"
#include "RussianLayout.h"
#include "StrengthLine.h"

using namespace tainoteka;

namespace {

std::string Text(const TSecretBytes& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string Repeated(std::string_view piece, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

TEST(PasswordStrength, CommonPasswordsRateLow)
{
    if (!PasswordStrengthAvailable())
        GTEST_SKIP() << "built without zxcvbn";
    const struct {
        const char* Password;
        int MostScore;
    } cases[] = {
        {"", 0},
        {"123456", 0},
        {"password", 0},
        {"йцукен", 0}, // "qwerty" on the same keys
        {"пароль", 2}, // "gfhjkm"
        {"Пароль2024", 3},
    };
    for (const auto& c : cases)
        EXPECT_LE(EstimatePasswordStrength(c.Password).Score, c.MostScore) << c.Password;
}

TEST(PasswordStrength, EmptyPasswordLine)
{
    if (!PasswordStrengthAvailable())
        GTEST_SKIP() << "built without zxcvbn";
    EXPECT_EQ(StrengthLine(EstimatePasswordStrength("")),
              "Надёжность пароля: очень слабый, подбор: меньше секунды");
}

TEST(PasswordStrength, GeneratedPassphraseRatesAtLeastGood)
{
    if (!PasswordStrengthAvailable())
        GTEST_SKIP() << "built without zxcvbn";
    EXPECT_GE(EstimatePasswordStrength(Text(GeneratePassphrase())).Score, 3);
}

// 1,024 characters of any script, and bytes that are not UTF-8 at all: zxcvbn
// looks closely at the first 100 bytes only, so the estimate stays finite.
TEST(PasswordStrength, LongAndNonLatinTextGivesAnEstimate)
{
    if (!PasswordStrengthAvailable())
        GTEST_SKIP() << "built without zxcvbn";
    for (const char* piece : {"a", "1", "Ж", "日", "😀", "Zq9!", "\xD0", "\xFF\xFE"}) {
        const double guesses = EstimatePasswordStrength(Repeated(piece, 1024)).Guesses;
        EXPECT_TRUE(std::isfinite(guesses) && guesses >= 1) << piece;
    }
}

TEST(RussianLayout, RussianLettersBecomeTheirKeys)
{
    const struct {
        const char* Text;
        const char* Keys;
    } cases[] = {
        {"пароль", "gfhjkm"},
        {"ЙЦУКЕН", "QWERTY"},
        {"Пароль2024", "Gfhjkm2024"},
        {"жэбюхъЁё", ";',.[]~`"},
        {"日本щ", "日本o"},
        {"password", ""},
        {"\xD0", ""}, // a cut letter is not one
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(RussianKeysAsLatin(c.Text)), c.Keys) << c.Text;
}

} // namespace
