// Feeds arbitrary bytes to the age reader as a file, under a fixed file key so
// the header MAC and the payload are reached: once as the input stands, and
// once behind a valid header for that key, so the payload parser sees the
// fuzzer's bytes. Whole and piece by piece must agree, status and text.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "AgeFile.h"
#include "AgeHeader.h"
#include "AgeKeys.h"
#include "AgeBase64.h"

using namespace tainoteka;

namespace {

const std::uint8_t kFileKey[kAgeFileKeySize] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

AgeStatus Read(std::span<const std::uint8_t> file, std::size_t piece, std::vector<std::uint8_t>& released)
{
    AgeReader reader;
    AgeStatus status = AgeStatus::Ok;
    while (status == AgeStatus::Ok && !reader.HeaderComplete() && !file.empty()) {
        std::size_t used = 0;
        const auto part = file.first(std::min(piece, file.size()));
        status = reader.ReadHeader(part, used);
        file = file.subspan(reader.HeaderComplete() ? used : part.size());
    }
    if (status != AgeStatus::Damaged && reader.HeaderComplete())
        status = reader.UnlockWithFileKey(kFileKey);
    else
        return AgeStatus::Damaged;
    for (; status == AgeStatus::Ok && !file.empty(); file = file.subspan(std::min(piece, file.size())))
        status = reader.ReadPayload(file.first(std::min(piece, file.size())), released);
    return status == AgeStatus::Ok ? reader.Finish(released) : status;
}

std::vector<std::uint8_t> BehindValidHeader(std::span<const std::uint8_t> payload)
{
    std::string header = std::string(kAgeVersionLine) + "-> fuzz\n\n---";
    const TSecretBytes fileKey(kFileKey);
    const auto mac = AgeHeaderMac(fileKey, {reinterpret_cast<const std::uint8_t*>(header.data()), header.size()});
    header += " " + EncodeAgeBase64(mac) + "\n";
    std::vector<std::uint8_t> file(header.begin(), header.end());
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

void CheckAgreement(std::span<const std::uint8_t> file, std::size_t piece)
{
    std::vector<std::uint8_t> whole, pieces;
    const AgeStatus a = Read(file, file.size() + 1, whole);
    const AgeStatus b = Read(file, piece, pieces);
    if (a != b || whole != pieces)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0] * 331; // up to about a full chunk and a bit
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    CheckAgreement(rest, piece);
    CheckAgreement(BehindValidHeader(rest), piece);
    return 0;
}
