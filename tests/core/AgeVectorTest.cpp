#include <gtest/gtest.h>

#include <map>

#include "AgeArmor.h"
#include "AgeFile.h"
#include "AgeVectors.h"

namespace tainoteka::test {
namespace {

// Where our statuses are finer than the vectors' words.
const std::map<std::string, AgeStatus> kRefinedStatus = {
    {"scrypt_uppercase", AgeStatus::NotPassphraseFile}, // "Scrypt" is some other stanza type
    {"scrypt_work_factor_23", AgeStatus::WorkFactorTooLarge},
    {"scrypt_work_factor_overflow", AgeStatus::WorkFactorTooLarge},
};

AgeStatus ExpectedStatus(const TAgeVector& vector)
{
    if (const auto refined = kRefinedStatus.find(vector.Name); refined != kRefinedStatus.end())
        return refined->second;
    if (vector.Expect == "success")
        return AgeStatus::Ok;
    if (vector.Expect == "no match")
        return AgeStatus::WrongPassphrase;
    return AgeStatus::Damaged;
}

// The streaming reader with the vector's file key, fed in pieces that do not
// line up with the chunks; released is what it handed over.
AgeStatus OpenWithFileKey(const TAgeVector& vector, std::span<const std::uint8_t> file,
                          std::vector<std::uint8_t>& released)
{
    AgeReader reader;
    std::span<const std::uint8_t> rest = file;
    std::size_t used = 0;
    AgeStatus status = reader.ReadHeader(rest, used);
    if (status == AgeStatus::Damaged || !reader.HeaderComplete())
        return AgeStatus::Damaged;
    status = reader.UnlockWithFileKey(vector.FileKey);
    for (rest = rest.subspan(used); status == AgeStatus::Ok && !rest.empty();) {
        const std::size_t piece = std::min<std::size_t>(rest.size(), 40009);
        status = reader.ReadPayload(rest.first(piece), released);
        rest = rest.subspan(piece);
    }
    return status == AgeStatus::Ok ? reader.Finish(released) : status;
}

TEST(AgeVectors, PassphraseFilesOpenOrFailAsExpected)
{
    const auto vectors = LoadAgeVectors({"scrypt"});
    ASSERT_EQ(vectors.size(), 25u);
    for (const TAgeVector& vector : vectors) {
        SCOPED_TRACE(vector.Name);
        const AgeOpened opened = DecryptAgeFile(vector.File, vector.Passphrase);
        EXPECT_EQ(opened.status, ExpectedStatus(vector));
        if (opened.status == AgeStatus::Ok) {
            EXPECT_EQ(Sha256Hex(opened.payload), vector.PayloadSha256);
        } else {
            EXPECT_TRUE(opened.payload.empty());
        }
    }
}

TEST(AgeVectors, FileKeyReleasesOnlyAuthenticatedChunks)
{
    const auto vectors = LoadAgeVectors({"stream_", "header_", "hmac_", "stanza_", "version_", "empty"});
    ASSERT_EQ(vectors.size(), 53u);
    for (const TAgeVector& vector : vectors) {
        SCOPED_TRACE(vector.Name);
        std::vector<std::uint8_t> released;
        EXPECT_EQ(OpenWithFileKey(vector, vector.File, released), ExpectedStatus(vector));
        if (!vector.PayloadSha256.empty()) {
            EXPECT_EQ(Sha256Hex(released), vector.PayloadSha256);
        }
    }
}

// Through the passphrase path: a file for keys shows that its armour came
// off when it is refused as such rather than as damaged.
AgeStatus ExpectedThroughPassphrase(const TAgeVector& vector)
{
    if (vector.Expect == "header failure")
        return AgeStatus::Damaged;
    return vector.Passphrase.empty() ? AgeStatus::NotPassphraseFile : ExpectedStatus(vector);
}

TEST(AgeVectors, ArmorIsTakenOnlyWhenCanonical)
{
    const auto vectors = LoadAgeVectors({"armor_"});
    ASSERT_EQ(vectors.size(), 33u);
    for (const TAgeVector& vector : vectors) {
        SCOPED_TRACE(vector.Name);
        ASSERT_TRUE(vector.Armored);
        const std::optional<std::vector<std::uint8_t>> binary = DearmorAge(vector.File);
        const std::string passphrase = vector.Passphrase.empty() ? "password" : vector.Passphrase;
        const AgeOpened opened = DecryptAgeFile(vector.File, passphrase);
        if (vector.Expect == "armor failure") {
            EXPECT_FALSE(binary.has_value());
            EXPECT_EQ(opened.status, AgeStatus::Damaged);
            continue;
        }
        ASSERT_TRUE(binary.has_value());
        EXPECT_TRUE(LooksLikeArmoredAge(vector.File));
        EXPECT_EQ(opened.status, ExpectedThroughPassphrase(vector));
        if (opened.status == AgeStatus::Ok) {
            EXPECT_EQ(Sha256Hex(opened.payload), vector.PayloadSha256);
        }
        if (!vector.PayloadSha256.empty()) {
            std::vector<std::uint8_t> released;
            EXPECT_EQ(OpenWithFileKey(vector, *binary, released), ExpectedStatus(vector));
            EXPECT_EQ(Sha256Hex(released), vector.PayloadSha256);
        }
    }
}

TEST(AgeVectors, FilesForKeysAreNotPassphraseFiles)
{
    for (const TAgeVector& vector : LoadAgeVectors({"x25519", "hybrid"})) {
        SCOPED_TRACE(vector.Name);
        EXPECT_EQ(DecryptAgeFile(vector.File, "password").status, AgeStatus::NotPassphraseFile);
    }
}

} // namespace
} // namespace tainoteka::test
