#include "ArmoredAge.h"

#include <algorithm>
#include <optional>
#include <string>

#include "AgeArmor.h"
#include "TxtpStreams.h"

namespace tainoteka::cli {
namespace {

TOutcome TooLarge(const std::string& fileName)
{
    const std::string bound = std::to_string(kLargestArmoredAge >> 20) + " MiB";
    return Failure(TExitCode::FileError,
                   fileName + ": an armored age file is read whole, and this one is larger than " + bound + "; not opened");
}

// Reads on to the end of file, or to one byte past the bound.
TOutcome ReadRest(IByteSource& file, std::string& armored)
{
    for (;;) {
        if (armored.size() > kLargestArmoredAge)
            return TooLarge(file.Name());
        const std::size_t have = armored.size();
        armored.resize(std::min(have + kStreamBlockSize, kLargestArmoredAge + 1));
        std::size_t got = 0;
        const TOutcome outcome = file.Read(armored.data() + have, armored.size() - have, got);
        armored.resize(have + got);
        if (!outcome.Ok() || got == 0)
            return outcome;
    }
}

} // namespace

TOutcome ReadArmoredAge(IByteSource& file, std::string_view start, std::vector<std::uint8_t>& binary)
{
    std::string armored(start);
    const TOutcome outcome = ReadRest(file, armored);
    if (!outcome.Ok())
        return outcome;
    std::optional<std::vector<std::uint8_t>> dearmored =
        DearmorAge({reinterpret_cast<const std::uint8_t*>(armored.data()), armored.size()});
    if (!dearmored)
        return Failure(TExitCode::Damaged,
                       file.Name() + ": damaged or altered file (its ASCII armor is not canonical)");
    binary = std::move(*dearmored);
    return Success();
}

} // namespace tainoteka::cli
