#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "KeyDerivation.h"

using namespace tainoteka;

namespace {

struct KnownAnswer {
    std::string password; // Windows-1251 bytes
    TKeySet keys;
};

std::string FromHex(const std::string& hex)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

const std::vector<KnownAnswer>& ShortAnswers()
{
    static const std::vector<KnownAnswer> answers = {
        {"", {9163, 6739, 8845}},
        {"a", {-175866, 16718, 2560}},
        {"abc", {-131215, -222645, -130849}},
        {FromHex("cff0e8e2e5f2"), {398440, -124655, 239477}}, // Привет
        {"12345678901234567890", {-994262, 625215, 630226}},
    };
    return answers;
}

std::vector<KnownAnswer> LongAnswers()
{
    std::ifstream in(TAINOTEKA_VECTORS_DIR "/x87-long-passwords.tsv");
    std::vector<KnownAnswer> answers;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string hex;
        KnownAnswer a;
        fields >> hex >> a.keys.StartKey >> a.keys.MultKey >> a.keys.AddKey;
        a.password = FromHex(hex);
        answers.push_back(a);
    }
    return answers;
}

} // namespace

TEST(KeyDerivation, ShortKnownAnswersOnBothPaths)
{
    for (const auto& a : ShortAnswers()) {
        EXPECT_EQ(DerivePasswordKeys(a.password), a.keys) << "password bytes: " << a.password.size();
        EXPECT_EQ(DerivePasswordKeysPortable(a.password), a.keys) << "portable, bytes: " << a.password.size();
        if (HasX87Trig()) {
            EXPECT_EQ(DerivePasswordKeysX87(a.password), a.keys) << "x87, bytes: " << a.password.size();
        }
    }
}

TEST(KeyDerivation, ReferenceOutputsFillCallerVariables)
{
    int32_t s = 1, m = 2, a = 3;
    DerivePasswordKeys("abc", s, m, a);
    EXPECT_EQ(TKeySet(s, m, a), (TKeySet{-131215, -222645, -130849}));
}

TEST(KeyDerivation, LongKnownAnswersNeedTheX87Reduction)
{
    const auto answers = LongAnswers();
    ASSERT_EQ(answers.size(), 4u);
    for (const auto& a : answers) {
        ASSERT_GT(a.password.size(), 10000u);
        if (HasX87Trig()) {
            EXPECT_EQ(DerivePasswordKeysX87(a.password), a.keys) << "x87, bytes: " << a.password.size();
        }
        EXPECT_EQ(DerivePasswordKeysPortable(a.password), a.keys) << "portable, bytes: " << a.password.size();
        EXPECT_EQ(DerivePasswordKeys(a.password), a.keys);
    }
}

TEST(KeyDerivation, ZeroByteAndUpperHalfBytes)
{
    // cos(1 * 0) = 1 exactly: 200000 added to StartKey.
    EXPECT_EQ(DerivePasswordKeys(std::string(1, '\0')).StartKey, 9163 + 200000);
    // 0xFF must enter as 255, not -1: cos(-1) and cos(255) differ.
    const TKeySet high = DerivePasswordKeys("\xFF");
    EXPECT_NE(high, DerivePasswordKeys(std::string(1, '\x01')));
    EXPECT_EQ(high.StartKey, 9163 + static_cast<int32_t>(std::cos(255.0L) * 200000));
}

TEST(KeyDerivation, PortableAgreesWithX87OnRandomShortPasswords)
{
    if (!HasX87Trig())
        GTEST_SKIP() << "no x87 on this machine; bench/verify_portable_keys checks the full million elsewhere";
    std::mt19937 gen(20261207);
    std::uniform_int_distribution<int> length(0, 20), byte(0, 255);
    for (int n = 0; n < 20000; ++n) {
        std::string password(length(gen), '\0');
        for (char& ch : password)
            ch = static_cast<char>(byte(gen));
        ASSERT_EQ(DerivePasswordKeysPortable(password), DerivePasswordKeysX87(password)) << "sample " << n;
    }
}
