#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Cipher.h"

using namespace tainoteka;

namespace {

std::string Encrypted(std::string text, const TKeySet& keys, int32_t* endKey = nullptr)
{
    const int32_t end = EncryptRun(reinterpret_cast<unsigned char*>(text.data()), text.size(), keys);
    if (endKey)
        *endKey = end;
    return text;
}

std::string Decrypted(std::string text, const TKeySet& keys, int32_t* endKey = nullptr)
{
    const int32_t end = DecryptRun(reinterpret_cast<unsigned char*>(text.data()), text.size(), keys);
    if (endKey)
        *endKey = end;
    return text;
}

} // namespace

TEST(Cipher, SingleStepFollowsTheFeedbackRule)
{
    // mask = bits 8..15 of 0x00001234 = 0x12; C = 0x41 ^ 0x12 = 0x53;
    // next = (0x1234 + 0x53) * 3 + 5.
    int32_t key = 0x1234;
    EXPECT_EQ(EncryptByte(0x41, key, 3, 5), 0x53);
    EXPECT_EQ(key, (0x1234 + 0x53) * 3 + 5);

    int32_t back = 0x1234;
    EXPECT_EQ(DecryptByte(0x53, back, 3, 5), 0x41);
    EXPECT_EQ(back, key) << "decrypting feeds back the cipher byte, not the plain one";
}

TEST(Cipher, ArithmeticWrapsModulo2To32)
{
    int32_t key = -1; // 0xFFFFFFFF: mask 0xFF
    const uint8_t c = EncryptByte(0x00, key, INT32_MAX, INT32_MIN);
    EXPECT_EQ(c, 0xFF);
    const uint32_t expected = (0xFFFFFFFFu + 0xFFu) * 0x7FFFFFFFu + 0x80000000u;
    EXPECT_EQ(static_cast<uint32_t>(key), expected);
}

TEST(Cipher, ZeroMaskPassesByteButStillAdvances)
{
    int32_t key = 0x00FF00FF & ~0x0000FF00; // bits 8..15 clear
    const int32_t before = key;
    EXPECT_EQ(EncryptByte(0x7A, key, 7, 11), 0x7A);
    EXPECT_NE(key, before);
}

TEST(Cipher, EmptyRunLeavesRunningKey)
{
    const TKeySet keys{12345, 678, 9};
    EXPECT_EQ(EncryptRun(nullptr, 0, keys), 12345);
    EXPECT_EQ(DecryptRun(nullptr, 0, keys), 12345);
}

TEST(Cipher, RoundTripOverEveryByteValueEndsWithSameKey)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    all += all; // every value in two contexts
    const TKeySet keys{-994262, 625215, 630226};
    int32_t encEnd = 0, decEnd = 0;
    const std::string cipher = Encrypted(all, keys, &encEnd);
    EXPECT_NE(cipher, all);
    EXPECT_EQ(Decrypted(cipher, keys, &decEnd), all);
    EXPECT_EQ(encEnd, decEnd);
}

TEST(Cipher, WrongKeysAndDamagedBytes)
{
    std::mt19937 gen(1);
    std::string text(1000, '\0');
    for (char& ch : text)
        ch = static_cast<char>(gen());
    const TKeySet keys{111, 222, 333};
    std::string cipher = Encrypted(text, keys);

    EXPECT_NE(Decrypted(cipher, TKeySet{112, 222, 333}), text) << "no check, just other bytes";

    cipher[500] = static_cast<char>(cipher[500] ^ 0x01);
    const std::string damaged = Decrypted(cipher, keys);
    EXPECT_EQ(damaged.substr(0, 500), text.substr(0, 500));
    EXPECT_EQ(damaged[500], static_cast<char>(text[500] ^ 0x01));
    EXPECT_NE(damaged.substr(501), text.substr(501)) << "the change feeds into every later key";
}
