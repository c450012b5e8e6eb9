#include <gtest/gtest.h>

#include "CodePage1251.h"
#include "TxtpFile.h"

using namespace tainoteka;

TEST(CodePage1251, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::u16string text = Cp1251ToUtf16(all);
    ASSERT_EQ(text.size(), 256u);
    const TCp1251Encoding back = Utf16ToCp1251(text);
    EXPECT_TRUE(back.Ok());
    EXPECT_EQ(back.Bytes, all);
}

TEST(CodePage1251, KnownCharacters)
{
    EXPECT_EQ(Cp1251ToChar(0xC0), u'А');
    EXPECT_EQ(Cp1251ToChar(0xFF), u'я');
    EXPECT_EQ(Cp1251ToChar(0xA8), u'Ё');
    EXPECT_EQ(Cp1251ToChar(0xB8), u'ё');
    EXPECT_EQ(Cp1251ToChar(0xB9), u'№');
    EXPECT_EQ(Cp1251ToChar(0x88), u'€');
    EXPECT_EQ(Cp1251ToChar(0x98), u'\u0098'); // undefined byte kept as C1 control
    EXPECT_EQ(Cp1251ToChar(0x41), u'A');
    EXPECT_EQ(Utf16ToCp1251(u"Привет").Bytes, "\xCF\xF0\xE8\xE2\xE5\xF2");
}

TEST(CodePage1251, UnmappableCharactersAreReportedNotReplaced)
{
    // é (U+00E9), a CJK character and an emoji (a surrogate pair: two units)
    const std::u16string text = u"aé中b\U0001F600c";
    const TCp1251Encoding enc = Utf16ToCp1251(text);
    EXPECT_FALSE(enc.Ok());
    EXPECT_EQ(enc.Unmappable, (std::vector<std::size_t>{1, 2, 4, 5}));
    EXPECT_EQ(Utf16ToCp1251(u"Ёж и ёлка №5").Unmappable.size(), 0u);
    EXPECT_EQ(CharToCp1251(u'?'), '?');
    EXPECT_EQ(CharToCp1251(u'é'), -1);
}

struct TStored {
    std::string Bytes;
    std::optional<std::size_t> Refused;
};

// The text in two pieces, cut at `cut`.
TStored StoredInTwo(std::u16string_view text, std::size_t cut)
{
    TStoredTextEncoder encoder;
    std::string bytes(TStoredTextEncoder::MostBytes(text.size()), '\0');
    char* end = encoder.Encode(text.substr(0, cut), bytes.data());
    end = encoder.Finish(encoder.Encode(text.substr(cut), end));
    bytes.resize(std::size_t(end - bytes.data()));
    return {bytes, encoder.Refused()};
}

TEST(CodePage1251, StoredTextIsTheCodePageThenTheFilesLineEndsWhereverItIsCut)
{
    // As a save stored a text before it took one pass: the separators made
    // LF, the code page, then the file's line ends. Cuts fall between CR and
    // what follows it, and around a refused character.
    const auto storedBefore = [](std::u16string text) {
        for (char16_t& unit : text)
            if (unit == u'\u2028' || unit == u'\u2029')
                unit = u'\n';
        return NormalizeLineEnds(Utf16ToCp1251(text).Bytes);
    };
    const struct {
        std::u16string text;
        std::optional<std::size_t> refused = std::nullopt;
    } cases[] = {{u""}, {u"a"}, {u"Привет\r\nмир"}, {u"a\nb\n"}, {u"a\rb\r"}, {u"\r\r\n\n"}, {u"a\u2029b\u2028c"},
                 {u"a\r\u2029\rb\r"}, {u"\t\x01\x0C end"}, {u"№ € ё\u2029"}, {u"ab\u2028"}, {u"Ёж\r"},
                 {std::u16string(u"ab\0c", 4), 2}, {u"a\nb\u4E00\0", 3}, {u"\u00E9", 0},
                 {std::u16string(u"ab\r\0c", 5), 3}, {u"x\u4E00y\r\n", 1}};
    for (const auto& c : cases) {
        for (std::size_t cut = 0; cut <= c.text.size(); ++cut) {
            const TStored stored = StoredInTwo(c.text, cut);
            EXPECT_EQ(stored.Refused, c.refused) << "cut at " << cut;
            if (!c.refused) {
                EXPECT_EQ(stored.Bytes, storedBefore(c.text)) << "cut at " << cut;
            }
        }
    }
}
