#include "AgeFile.h"

#include <algorithm>

#include <sodium.h>


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

AgeOpened DecryptAgeFile(std::span<const std::uint8_t> file, std::string_view passphraseUtf8)
{
    AgeReader reader;
    std::size_t used = 0;
    AgeOpened opened{reader.ReadHeader(file, used), {}};
    if (opened.status == AgeStatus::Ok && !reader.HeaderComplete())
        opened.status = AgeStatus::Damaged;
    if (opened.status == AgeStatus::Ok)
        opened.status = reader.Unlock(passphraseUtf8);
    if (opened.status == AgeStatus::Ok) {
        opened.payload.reserve(file.size());
        opened.status = reader.ReadPayload(file.subspan(used), opened.payload);
    }
    if (opened.status == AgeStatus::Ok)
        opened.status = reader.Finish(opened.payload);
    if (opened.status != AgeStatus::Ok) {
        sodium_memzero(opened.payload.data(), opened.payload.size());
        opened.payload.clear();
    }
    return opened;
}

} // namespace tainoteka
