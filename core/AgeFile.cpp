#include "AgeFile.h"

#include <algorithm>
#include <new>
#include <optional>

#include <sodium.h>

#include "AgeArmor.h"

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

AgeStatus OpenWhole(std::span<const std::uint8_t> file, std::string_view passphraseUtf8,
                    std::vector<std::uint8_t>& payload)
{
    AgeReader reader;
    std::size_t used = 0;
    AgeStatus status = reader.ReadHeader(file, used);
    if (status == AgeStatus::Ok && !reader.HeaderComplete())
        status = AgeStatus::Damaged;
    if (status == AgeStatus::Ok)
        status = reader.Unlock(passphraseUtf8);
    if (status == AgeStatus::Ok) {
        payload.reserve(file.size());
        status = reader.ReadPayload(file.subspan(used), payload);
    }
    return status == AgeStatus::Ok ? reader.Finish(payload) : status;
}

// Armour that is not canonical counts as damage: the file was changed on its way.
AgeStatus OpenBinaryOrArmored(std::span<const std::uint8_t> file, std::string_view passphraseUtf8,
                              std::vector<std::uint8_t>& payload)
{
    if (!LooksLikeArmoredAge(file))
        return OpenWhole(file, passphraseUtf8, payload);
    const std::optional<std::vector<std::uint8_t>> binary = DearmorAge(file);
    return binary ? OpenWhole(*binary, passphraseUtf8, payload) : AgeStatus::Damaged;
}

} // namespace

AgeOpened DecryptAgeFile(std::span<const std::uint8_t> file, std::string_view passphraseUtf8)
{
    AgeOpened opened{AgeStatus::OutOfMemory, {}};
    try {
        opened.status = OpenBinaryOrArmored(file, passphraseUtf8, opened.payload);
    } catch (const std::bad_alloc&) {
        opened.status = AgeStatus::OutOfMemory;
    }
    if (opened.status != AgeStatus::Ok) {
        sodium_memzero(opened.payload.data(), opened.payload.size());
        opened.payload.clear();
    }
    return opened;
}

} // namespace tainoteka
