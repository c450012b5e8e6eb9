#include <gtest/gtest.h>

#include "TxtpFile.h"

using namespace tainoteka;

TEST(NormalizeLineEnds, EveryLineEndsWithCrLf)
{
    EXPECT_EQ(NormalizeLineEnds(""), "");
    EXPECT_EQ(NormalizeLineEnds("a"), "a\r\n");
    EXPECT_EQ(NormalizeLineEnds("a\r\n"), "a\r\n");
    EXPECT_EQ(NormalizeLineEnds("a\r\nb"), "a\r\nb\r\n");
    EXPECT_EQ(NormalizeLineEnds("a\rb\nc"), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(NormalizeLineEnds("\n\n"), "\r\n\r\n");
    EXPECT_EQ(NormalizeLineEnds("\n\r"), "\r\n\r\n") << "LF CR is two line ends";
    EXPECT_EQ(NormalizeLineEnds("\r\r\n"), "\r\n\r\n");
    EXPECT_EQ(NormalizeLineEnds(std::string("ab\0cd", 5)), "ab\r\n") << "NUL ends the text";
    EXPECT_EQ(NormalizeLineEnds(std::string("\0x", 2)), "");
}

TEST(TxtpFile, RoundTripKeepsTextAndPassword)
{
    const std::string text = "Первая строка\r\nsecond line\r\n";
    const std::string file = EncodeTxtpFile(text, "пароль");
    EXPECT_EQ(file.size(), KeyBlockSize + text.size());
    const TDecodedFile decoded = DecodeTxtpFile(file, "пароль");
    ASSERT_EQ(decoded.Status, TDecodeStatus::Ok);
    EXPECT_EQ(decoded.Body, text);
    EXPECT_EQ(decoded.Password, "пароль");
}

TEST(TxtpFile, MissingLastLineEndAddsTwoBytes)
{
    const std::string text = "one\r\ntwo";
    const std::string file = EncodeTxtpFile(text, "");
    EXPECT_EQ(file.size(), KeyBlockSize + text.size() + 2);
    EXPECT_EQ(DecodeTxtpFile(file, "").Body, text + "\r\n");
}

TEST(TxtpFile, EmptyDocumentIsJustTheKeyBlock)
{
    const std::string file = EncodeTxtpFile("", "pw");
    ASSERT_EQ(file.size(), KeyBlockSize);
    const TDecodedFile decoded = DecodeTxtpFile(file, "pw");
    EXPECT_EQ(decoded.Status, TDecodeStatus::Ok);
    EXPECT_EQ(decoded.Body, "");
}

TEST(TxtpFile, FailureKinds)
{
    const std::string file = EncodeTxtpFile("text", "pw");
    EXPECT_EQ(DecodeTxtpFile(file.substr(0, 199), "pw").Status, TDecodeStatus::TooShort);
    EXPECT_EQ(DecodeTxtpFile("", "").Status, TDecodeStatus::TooShort);
    EXPECT_EQ(DecodeTxtpFile(file, "PW").Status, TDecodeStatus::InvalidKeyBlock);
    EXPECT_EQ(DecodeTxtpFile(std::string(250, 'A'), "").Status, TDecodeStatus::InvalidKeyBlock)
        << "a foreign file of 200 bytes or more only fails at the password check";
}

TEST(TxtpFile, DamagedBodyIsNotDetected)
{
    const std::string text = "abcdefghij\r\n";
    const std::string file = EncodeTxtpFile(text, "pw");
    const TDecodedFile cut = DecodeTxtpFile(file.substr(0, file.size() - 4), "pw");
    ASSERT_EQ(cut.Status, TDecodeStatus::Ok);
    EXPECT_EQ(cut.Body, text.substr(0, text.size() - 4));
}

TEST(TxtpFile, TwoSavesOfTheSameTextDiffer)
{
    const std::string a = EncodeTxtpFile("same text", "pw");
    const std::string b = EncodeTxtpFile("same text", "pw");
    EXPECT_EQ(a.size(), b.size());
    EXPECT_NE(a, b);
    EXPECT_EQ(DecodeTxtpFile(a, "pw").Body, DecodeTxtpFile(b, "pw").Body);
}

TEST(TxtpFile, EveryByteExceptLineEndsAndNulSurvives)
{
    std::string text;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n')
            text += static_cast<char>(b);
    text += "\r\n";
    EXPECT_EQ(DecodeTxtpFile(EncodeTxtpFile(text, "x"), "x").Body, text);
}
