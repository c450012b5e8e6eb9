#include <gtest/gtest.h>

#include <algorithm>

#include "KeyBlock.h"
#include "KeyDerivation.h"
#include "TestRandom.h"

using namespace tainoteka;
using tainoteka::test::TScriptedRandom;

namespace {

// Enciphers a hand-made plain block under the password, as a writer would.
std::string BlockFromPlainText(std::string plain, std::string_view password)
{
    plain.resize(KeyBlockSize, 'x');
    EncryptRun(reinterpret_cast<unsigned char*>(plain.data()), plain.size(), DerivePasswordKeys(password));
    return plain;
}

std::string PlainTextOf(const std::string& block, std::string_view password)
{
    std::string text = block;
    DecryptRun(reinterpret_cast<unsigned char*>(text.data()), text.size(), DerivePasswordKeys(password));
    return text;
}

} // namespace

TEST(IsIntegerText, AcceptsOptionallyNegativeDigitRuns)
{
    for (const char* yes : {"0", "7", "-1", "000123", "-000", "2147483648", "99999999999999999999"})
        EXPECT_TRUE(IsIntegerText(yes)) << yes;
    for (const char* no : {"", "-", "+1", " 1", "1 ", "1-", "--1", "1a", "0x10", "1.0"})
        EXPECT_FALSE(IsIntegerText(no)) << no;
}

TEST(KeyBlock, BuildThenParseGivesTheDrawnBodyKeys)
{
    for (std::string_view password : {"", "a", "секрет", "12345678901234567890", "blank = AddKey=1"}) {
        std::string cp1251(password);
        const TBuiltKeyBlock built = BuildKeyBlock(cp1251);
        ASSERT_EQ(built.Block.size(), KeyBlockSize);
        const TFileKeys keys = ParseKeyBlock(built.Block, cp1251);
        ASSERT_TRUE(keys.Valid) << password;
        EXPECT_EQ(keys.Password, cp1251.substr(0, 20));
        EXPECT_EQ(TKeySet(keys.StartKey, keys.MultKey, keys.AddKey), built.BodyKeys);
    }
}

TEST(KeyBlock, KeywordLikePasswordsReadBackUnchanged)
{
    for (std::string password : {" AddKey=5", "Password= x", "StartKey=1 MultKey=", "a=b c=d"}) {
        const TFileKeys keys = ParseKeyBlock(BuildKeyBlock(password).Block, password);
        EXPECT_TRUE(keys.Valid) << password;
        EXPECT_EQ(keys.Password, password);
    }
}

TEST(KeyBlock, WrongOrLongerPasswordIsRefused)
{
    const std::string block = BuildKeyBlock("secret").Block;
    EXPECT_FALSE(ParseKeyBlock(block, "Secret").Valid);
    EXPECT_FALSE(ParseKeyBlock(block, "").Valid);
    EXPECT_FALSE(ParseKeyBlock(BuildKeyBlock("").Block, "x").Valid);
    EXPECT_TRUE(ParseKeyBlock(BuildKeyBlock("").Block, "").Valid);

    const std::string twenty = "abcdefghijklmnopqrst";
    const std::string built = BuildKeyBlock(twenty).Block;
    EXPECT_TRUE(ParseKeyBlock(built, twenty).Valid);
    EXPECT_FALSE(ParseKeyBlock(built, twenty + "u").Valid) << "the stored password is cut to 20";
}

TEST(KeyBlock, PipeInPasswordCannotBeReadBack)
{
    EXPECT_FALSE(ParseKeyBlock(BuildKeyBlock("a|b").Block, "a|b").Valid);
}

TEST(KeyBlock, EmptyPasswordBlockUsesBuiltInKeys)
{
    const TBuiltKeyBlock built = BuildKeyBlock("");
    const std::string plain = PlainTextOf(built.Block, "");
    EXPECT_NE(plain.find(FramedKeyText(built.BodyKeys, "")), std::string::npos);
    EXPECT_EQ(DerivePasswordKeys(""), BuiltInStartKeys);
}

TEST(KeyBlock, PlainLayoutIsFillerFrameFiller)
{
    const TBuiltKeyBlock built = BuildKeyBlock("pw");
    const std::string plain = PlainTextOf(built.Block, "pw");
    const std::string framed = FramedKeyText(built.BodyKeys, "pw");
    const std::size_t at = plain.find(framed);
    ASSERT_NE(at, std::string::npos);
    const std::string filler = plain.substr(0, at) + plain.substr(at + framed.size());
    EXPECT_EQ(filler.size(), KeyBlockSize - framed.size());
    EXPECT_TRUE(std::all_of(filler.begin(), filler.end(),
                            [](char ch) { return FillerAlphabet.find(ch) != std::string_view::npos; }));
}

TEST(KeyBlock, DrawsFollowTheRules)
{
    // Key draws: first - second. Then per filler char: side (1 = front), index.
    std::deque<uint32_t> draws = {10, 3, 0, 2147483644, 2147483644, 0};
    for (int i = 0; i < 200; ++i) {
        draws.push_back(i == 0 ? 1 : 0);
        draws.push_back(i == 0 ? 63 : 64);
    }
    TScriptedRandom random(draws);
    const TBuiltKeyBlock built = BuildKeyBlock("", random);
    EXPECT_EQ(built.BodyKeys, (TKeySet{7, -2147483644, 2147483644}));
    const std::string plain = PlainTextOf(built.Block, "");
    const std::string framed = FramedKeyText(built.BodyKeys, "");
    EXPECT_EQ(plain.substr(0, 1), std::string(1, FillerAlphabet[63]));
    EXPECT_EQ(plain.substr(1, framed.size()), framed);
    EXPECT_EQ(plain.substr(1 + framed.size()), std::string(KeyBlockSize - 1 - framed.size(), FillerAlphabet[64]));
}

TEST(KeyBlock, LongestFrameStillFills200)
{
    const TKeySet extreme{-2147483644, -2147483644, -2147483644};
    const std::string framed = FramedKeyText(extreme, "12345678901234567890");
    EXPECT_EQ(framed.size(), 91u);
    TScriptedRandom random({1, 2147483645 - 1, 1, 2147483645 - 1, 1, 2147483645 - 1}, 0);
    const TBuiltKeyBlock built = BuildKeyBlock("12345678901234567890", random);
    EXPECT_EQ(built.BodyKeys, (TKeySet{-2147483643, -2147483643, -2147483643}));
    EXPECT_EQ(built.Block.size(), KeyBlockSize);
    EXPECT_TRUE(ParseKeyBlock(built.Block, "12345678901234567890").Valid);
}

TEST(KeyBlock, TwoBuildsDiffer)
{
    const TBuiltKeyBlock a = BuildKeyBlock("same");
    const TBuiltKeyBlock b = BuildKeyBlock("same");
    EXPECT_NE(a.Block, b.Block);
    EXPECT_NE(a.BodyKeys, b.BodyKeys);
}

TEST(ParseKeyBlock, NumberRangeEdges)
{
    const auto parse = [](const std::string& fields) {
        return ParseKeyBlock(BlockFromPlainText("zz|" + fields + " Password=pw|zz", "pw"), "pw");
    };
    const TFileKeys min = parse("StartKey=-2147483648 MultKey=2147483647 AddKey=-0");
    ASSERT_TRUE(min.Valid);
    EXPECT_EQ(min.StartKey, INT32_MIN);
    EXPECT_EQ(min.MultKey, INT32_MAX);
    EXPECT_EQ(min.AddKey, 0);
    EXPECT_TRUE(parse("StartKey=0001 MultKey=2 AddKey=3").Valid);
    EXPECT_FALSE(parse("StartKey=2147483648 MultKey=2 AddKey=3").Valid);
    EXPECT_FALSE(parse("StartKey=1 MultKey=-2147483649 AddKey=3").Valid);
    EXPECT_FALSE(parse("StartKey=1 MultKey=2 AddKey=" + std::string(120, '9')).Valid);
}

TEST(ParseKeyBlock, MalformedFieldsAreRefused)
{
    const auto valid = [](const std::string& plain) {
        return ParseKeyBlock(BlockFromPlainText(plain, "pw"), "pw").Valid;
    };
    EXPECT_TRUE(valid("|StartKey=1 MultKey=2 AddKey=3 Password=pw|"));
    EXPECT_TRUE(valid("Ab9\xE0|StartKey=-1 MultKey=2 AddKey=3 Password=pw|\xFFzz"));
    EXPECT_FALSE(valid("|StartKey=1 MultKey=2 AddKey=3 Password=px|"));
    EXPECT_FALSE(valid("|StartKey=1 MultKey=2 AddKey=3|"));
    EXPECT_FALSE(valid("|StartKey=1 MultKey=2 Password=pw|"));
    EXPECT_FALSE(valid("|StartKey=1 AddKey=3 Password=pw|"));
    EXPECT_FALSE(valid("| StartKey=1 MultKey=2 AddKey=3 Password=pw|")) << "StartKey must come first";
    EXPECT_FALSE(valid("|StartKey=1 MultKey=2 AddKey= Password=pw|")) << "empty field";
    EXPECT_FALSE(valid("|StartKey=1 MultKey=+2 AddKey=3 Password=pw|")) << "plus sign";
    EXPECT_FALSE(valid("|StartKey=1 MultKey=2 AddKey=3  Password=pw|")) << "blank in field";
    EXPECT_FALSE(valid("|StartKey= MultKey=2 AddKey=3 Password=pw|"));
}
