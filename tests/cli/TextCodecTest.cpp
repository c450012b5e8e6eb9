#include <gtest/gtest.h>

#include "TextCodec.h"

using namespace tainoteka::cli;

TEST(TextCodec, CyrillicAndLatinConvertBothWays)
{
    const TUtf8Import imported = Utf8ToCp1251("Ёж и ёлка, A-z");
    ASSERT_TRUE(imported.Ok());
    EXPECT_EQ(imported.Bytes, "\xA8\xE6 \xE8 \xB8\xEB\xEA\xE0, A-z");
    EXPECT_EQ(Cp1251ToUtf8(imported.Bytes), "Ёж и ёлка, A-z");
}

TEST(TextCodec, EveryByteSurvivesTheTripThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = Cp1251ToUtf8(all);
    EXPECT_GT(utf8.size(), all.size());
    const TUtf8Import back = Utf8ToCp1251(utf8);
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(back.Bytes, all);
    EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xC2\x98") << "the undefined byte keeps its own character";
}

TEST(TextCodec, MalformedUtf8StopsWhereItBegins)
{
    const struct {
        const char* Input;
        std::size_t At;
    } cases[] = {
        {"ab\x80", 2}, // lone continuation byte
        {"\xD0", 0}, // cut short
        {"x\xE2\x9C", 1}, // cut short inside three bytes
        {"\xC0\x80", 0}, // overlong NUL
        {"\xE0\x80\x80", 0}, // overlong three-byte form
        {"\xED\xA0\x80", 0}, // surrogate
        {"\xF4\x90\x80\x80", 0}, // past U+10FFFF
        {"\xF8\x88\x80\x80\x80", 0}, // five-byte lead
        {"\xD0\x90\xFF", 1}, // never a UTF-8 byte, after one good character
        {"\xD0 ", 0}, // lead byte followed by no continuation
    };
    for (const auto& c : cases) {
        const TUtf8Import imported = Utf8ToCp1251(c.Input);
        ASSERT_TRUE(imported.MalformedAt.has_value()) << c.Input;
        EXPECT_EQ(*imported.MalformedAt, c.At) << c.Input;
        EXPECT_FALSE(imported.Ok());
    }
}

TEST(TextCodec, CharactersWithoutAByteAreCountedInPlace)
{
    const TUtf8Import imported = Utf8ToCp1251("a✓b😀c€");
    EXPECT_FALSE(imported.MalformedAt);
    EXPECT_EQ(imported.Unmappable, (std::vector<std::size_t>{1, 3}));
    EXPECT_EQ(imported.Bytes, "a?b?c\x88") << "one byte per character, the euro sign has one";
}

TEST(TextCodec, PlacesCountEveryKindOfLineEndOnce)
{
    const std::string text = "ab\r\ncd\ref\ngh";
    EXPECT_EQ(PlaceOf(text, 0).Line, 1u);
    EXPECT_EQ(PlaceOf(text, 1).Column, 2u);
    EXPECT_EQ(PlaceOf(text, 4).Line, 2u) << "CR LF is one line end";
    EXPECT_EQ(PlaceOf(text, 4).Column, 1u);
    EXPECT_EQ(PlaceOf(text, 7).Line, 3u) << "a lone CR ends a line";
    const TTextPlace h = PlaceOf(text, 11);
    EXPECT_EQ(h.Line, 4u) << "a lone LF ends a line";
    EXPECT_EQ(h.Column, 2u);
    EXPECT_EQ(PlaceOf("\n\n", 2).Line, 3u);
}
