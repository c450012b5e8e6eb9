#include "AgeFile.h"

#include <algorithm>
#include <new>
#include <optional>

#include <sodium.h>

#include "AgeArmor.h"
#include "AgePayload.h"

namespace tainoteka {

// Any version counts, so a later one is refused as age rather than read as .txtp.
bool LooksLikeAgeFile(std::span<const std::uint8_t> start)
{
    constexpr std::string_view kPrefix = "age-encryption.org/";
    return start.size() >= kPrefix.size() && std::equal(kPrefix.begin(), kPrefix.end(), start.begin());
}

std::vector<std::uint8_t> EncryptAgeFile(std::span<const std::uint8_t> payload, std::string_view passphraseUtf8,
                                         int log2WorkFactor)
{
    return AgeSealer(passphraseUtf8, log2WorkFactor).Seal(payload);
}

namespace {

// Fills opened's payload, and its key derivation's memory once the header is read.
AgeStatus OpenWhole(std::span<const std::uint8_t> file, std::string_view passphraseUtf8,
                    std::optional<std::uint64_t> availableMemory, AgeOpened& opened)
{
    AgeReader reader;
    std::size_t used = 0;
    AgeStatus status = reader.ReadHeader(file, used);
    if (status == AgeStatus::Ok && !reader.HeaderComplete())
        status = AgeStatus::Damaged;
    opened.keyDerivationMemory = reader.KeyDerivationMemory();
    if (status == AgeStatus::Ok)
        status = reader.Unlock(passphraseUtf8, availableMemory);
    if (status == AgeStatus::Ok) {
        opened.payload.reserve(file.size());
        status = reader.ReadPayload(file.subspan(used), opened.payload);
    }
    return status == AgeStatus::Ok ? reader.Finish(opened.payload) : status;
}

// Armour that is not canonical counts as damage: the file was changed on its way.
AgeStatus OpenBinaryOrArmored(std::span<const std::uint8_t> file, std::string_view passphraseUtf8,
                              std::optional<std::uint64_t> availableMemory, AgeOpened& opened)
{
    if (!LooksLikeArmoredAge(file))
        return OpenWhole(file, passphraseUtf8, availableMemory, opened);
    const std::optional<std::vector<std::uint8_t>> binary = DearmorAge(file);
    return binary ? OpenWhole(*binary, passphraseUtf8, availableMemory, opened) : AgeStatus::Damaged;
}

} // namespace

AgeOpened DecryptAgeFile(std::span<const std::uint8_t> file, std::string_view passphraseUtf8,
                         std::optional<std::uint64_t> availableMemory)
{
    AgeOpened opened{AgeStatus::OutOfMemory, {}};
    try {
        opened.status = OpenBinaryOrArmored(file, passphraseUtf8, availableMemory, opened);
    } catch (const std::bad_alloc&) {
        opened.status = AgeStatus::OutOfMemory;
    }
    if (opened.status != AgeStatus::Ok) {
        sodium_memzero(opened.payload.data(), opened.payload.size());
        opened.payload.clear();
    }
    return opened;
}

std::uint64_t LeastAgePayload(std::uint64_t fileSize, std::uint64_t headerSize)
{
    constexpr std::uint64_t kSealedChunk = kAgeChunkSize + kAgeTagSize;
    const std::uint64_t before = headerSize + kAgeNonceSize;
    const std::uint64_t sealed = fileSize > before ? fileSize - before : 0;
    const std::uint64_t chunks = std::max<std::uint64_t>((sealed + kSealedChunk - 1) / kSealedChunk, 1);
    return sealed > chunks * kAgeTagSize ? sealed - chunks * kAgeTagSize : 0;
}

} // namespace tainoteka
