#include <gtest/gtest.h>

#include <string>

#include "AgeArmor.h"
#include "AgeFile.h"

namespace tainoteka::test {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::string Text(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> Pattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return bytes;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// Sizes around the 48 bytes of a 64-column line.
TEST(AgeArmor, WritesFullLinesAndComesOffAgain)
{
    for (const std::size_t size : {0, 1, 47, 48, 49, 95, 96, 1000}) {
        SCOPED_TRACE(size);
        const auto binary = Pattern(size);
        const std::string armored = Text(ArmorAge(binary));
        const std::vector<std::string> lines = Lines(armored);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.front(), kAgeArmorBegin);
        EXPECT_EQ(lines.back(), kAgeArmorEnd);
        EXPECT_EQ(armored.back(), '\n');
        EXPECT_EQ(lines.size() - 2, (size + 47) / 48);
        for (std::size_t i = 1; i + 2 < lines.size(); ++i)
            EXPECT_EQ(lines[i].size(), 64u) << "line " << i;
        EXPECT_EQ(DearmorAge(Bytes(armored)), binary);
    }
}

TEST(AgeArmor, WriterInPiecesGivesTheWholeFilesArmour)
{
    const auto binary = Pattern(5000);
    std::vector<std::uint8_t> armored;
    AgeArmorWriter writer;
    std::span<const std::uint8_t> rest = binary;
    for (std::size_t piece = 1; !rest.empty(); piece = piece * 3 + 1) {
        const std::size_t take = std::min(piece, rest.size());
        writer.Write(rest.first(take), armored);
        rest = rest.subspan(take);
    }
    writer.Finish(armored);
    EXPECT_EQ(armored, ArmorAge(binary));
}

TEST(AgeArmor, ArmouredFileOpensWithItsPassphraseInEitherLineEnd)
{
    const std::vector<std::uint8_t> payload = Bytes("Привет\n");
    const std::string armored = Text(ArmorAge(EncryptAgeFile(payload, "тайна", 10)));
    std::string crlf;
    for (const char ch : armored)
        crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    for (const std::string& file : {armored, crlf}) {
        EXPECT_TRUE(LooksLikeArmoredAge(Bytes(file)));
        EXPECT_FALSE(LooksLikeAgeFile(Bytes(file)));
        const AgeOpened opened = DecryptAgeFile(Bytes(file), "тайна");
        EXPECT_EQ(opened.status, AgeStatus::Ok);
        EXPECT_EQ(opened.payload, payload);
    }
}

// What the format's vectors leave open: where the armour may start, and one
// kind of line end throughout.
TEST(AgeArmor, LeadingSpaceIsBoundedAndLineEndsAgree)
{
    const std::string armored = Text(ArmorAge(Pattern(100)));
    const std::string bound(kAgeArmorLeadingSpace, '\n');
    const std::string mixed = std::string(kAgeArmorBegin) + "\r" + armored.substr(kAgeArmorBegin.size());
    const struct {
        const char* What;
        std::string File;
        bool Looks, Opens;
    } cases[] = {
        {"whitespace up to the bound", bound + armored, true, true},
        {"whitespace past the bound", bound + " \n" + armored, false, false},
        {"begin line indented", "\n  " + armored, true, false},
        {"CR LF, then LF", mixed, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(LooksLikeArmoredAge(Bytes(c.File)), c.Looks);
        EXPECT_EQ(DearmorAge(Bytes(c.File)).has_value(), c.Opens);
    }
}

} // namespace
} // namespace tainoteka::test
