#include <gtest/gtest.h>

#include <string>

#include "AgeArmor.h"
#include "AgeFile.h"
#include "AgeScrypt.h"

namespace tainoteka::test {
namespace {

constexpr int kQuickWork = 10; // the format's rules without a second per derivation
constexpr std::size_t kChunk = 64 * 1024;

std::vector<std::uint8_t> Pattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return bytes;
}

std::string HeaderOf(const std::vector<std::uint8_t>& file)
{
    const std::string text(file.begin(), file.end());
    return text.substr(0, text.find("\n---") + 1);
}

// Sizes around the 64 KiB chunk: a text of whole chunks ends with a full
// final chunk, never an empty one.
TEST(AgeFile, RoundTripsAcrossChunkBoundaries)
{
    const struct {
        std::size_t Size, Chunks;
    } cases[] = {{0, 1}, {1, 1}, {kChunk, 1}, {kChunk + 1, 2}, {2 * kChunk, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Size);
        const auto payload = Pattern(c.Size);
        const auto file = EncryptAgeFile(payload, "пароль", kQuickWork);
        const std::size_t headerAndNonce = HeaderOf(file).size() + 48 + 16;
        EXPECT_EQ(file.size(), headerAndNonce + c.Size + 16 * c.Chunks);
        const AgeOpened opened = DecryptAgeFile(file, "пароль");
        EXPECT_EQ(opened.status, AgeStatus::Ok);
        EXPECT_EQ(opened.payload, payload);
    }
}

TEST(AgeFile, WritesWorkFactor18AndOpensWithTheCyrillicPassphraseOnly)
{
    const std::string text = "Привет, мир\r\n";
    const std::vector<std::uint8_t> payload(text.begin(), text.end());
    const auto file = EncryptAgeFile(payload, "тайна ёж");
    EXPECT_TRUE(LooksLikeAgeFile(file));
    EXPECT_NE(HeaderOf(file).find(" 18\n"), std::string::npos);
    EXPECT_EQ(DecryptAgeFile(file, "тайна ёж").payload, payload);
    EXPECT_EQ(DecryptAgeFile(file, "тайна еж").status, AgeStatus::WrongPassphrase);
}

TEST(AgeFile, EverySaveHasFreshKeysAndEverySealAFreshNonce)
{
    const auto payload = Pattern(100);
    const auto first = EncryptAgeFile(payload, "p", kQuickWork);
    const auto second = EncryptAgeFile(payload, "p", kQuickWork);
    EXPECT_NE(HeaderOf(first), HeaderOf(second));

    const AgeSealer sealer("p", kQuickWork);
    const auto a = sealer.Seal(payload), b = sealer.Seal(payload);
    const std::size_t header = HeaderOf(a).size() + 48;
    EXPECT_EQ(HeaderOf(a), HeaderOf(b));
    EXPECT_NE(std::vector(a.begin() + header, a.end()), std::vector(b.begin() + header, b.end()));
    EXPECT_EQ(DecryptAgeFile(b, "p").payload, payload);
}

TEST(AgeFile, ChangedCutOrLengthenedFileIsDamagedAndShowsNothing)
{
    const auto original = EncryptAgeFile(Pattern(3 * kChunk), "p", kQuickWork);
    const struct {
        const char* What;
        std::vector<std::uint8_t> File;
    } cases[] = {
        {"byte changed in the last chunk", [&] { auto f = original; f[f.size() - 20] ^= 1; return f; }()},
        {"header MAC changed", [&] { auto f = original; f[HeaderOf(f).size() + 10] ^= 1; return f; }()},
        {"cut after a chunk", {original.begin(), original.end() - 16}},
        {"lengthened", [&] { auto f = original; f.push_back(0); return f; }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const AgeOpened opened = DecryptAgeFile(c.File, "p");
        EXPECT_EQ(opened.status, AgeStatus::Damaged);
        EXPECT_TRUE(opened.payload.empty());
    }
}

// Told from the size alone the payload is exact when the header's length
// is known, and never more than it is when only the longest header is
// assumed or the file is armoured.
TEST(AgeFile, LeastPayloadFromTheSizeIsExactOrBelow)
{
    for (const std::size_t size : {std::size_t(0), std::size_t(1), kChunk, kChunk + 1, 3 * kChunk + 5}) {
        SCOPED_TRACE(size);
        const auto file = EncryptAgeFile(Pattern(size), "pw", kQuickWork);
        const std::size_t header = HeaderOf(file).size() + 48;
        EXPECT_EQ(LeastAgePayload(file.size(), header), size);
        EXPECT_LE(LeastAgePayload(file.size(), kAgeLongestPassphraseHeader), size);
        const std::uint64_t armored = ArmorAge(file).size() - 1; // without the LF after the end line
        const std::uint64_t fromArmour = LeastAgePayload(LeastDearmoredSize(armored), kAgeLongestPassphraseHeader);
        EXPECT_LE(fromArmour, size);
        if (size >= kChunk) {
            EXPECT_GE(fromArmour, size - size / 16) << "a bound that still refuses what is far too large";
        }
    }
}

// scrypt takes 128 * r * N bytes (r = 8) and a little: 4 GiB at work factor 22.
TEST(AgeFile, KeyDerivationMemoryIsWeighedAgainstTheFigureGiven)
{
    EXPECT_EQ(ScryptMemoryNeeded(22) >> 20, 4096u);
    EXPECT_GT(ScryptMemoryNeeded(22), std::uint64_t(4) << 30);
    const struct {
        int Factor;
        std::optional<std::uint64_t> Available;
        bool Fits;
    } cases[] = {
        {22, std::uint64_t(2) << 30, false},
        {22, std::uint64_t(5) << 30, true},
        {18, std::uint64_t(256) << 20, false},
        {18, std::uint64_t(257) << 20, true},
        {22, std::nullopt, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Factor);
        EXPECT_EQ(ScryptMemoryFits(c.Factor, c.Available), c.Fits);
    }
}

} // namespace
} // namespace tainoteka::test
