// The naming of temporary files, the same on every system.
#include "ReplacementFile.h"

#include <random>

namespace tainoteka {
namespace {

const std::string kMark = ".tainoteka-";
constexpr std::size_t kSuffixLength = 6;
// Room for the mark and suffix within the usual 255-character name limit.
constexpr std::size_t kLongestKeptName = 200;

std::string RandomSuffix()
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device source;
    std::string suffix(kSuffixLength, 'x');
    for (char& ch : suffix)
        ch = kLetters[source() % (sizeof kLetters - 1)];
    return suffix;
}

} // namespace

bool IsOurTemporaryName(const std::string& name)
{
    const std::size_t mark = name.rfind(kMark);
    return name.size() > 1 && name[0] == '.' && mark != std::string::npos && mark > 0 &&
           name.size() == mark + kMark.size() + kSuffixLength;
}

std::string OurTemporaryName(const std::string& folder, const std::string& base)
{
    return folder + "." + base.substr(0, kLongestKeptName) + kMark + RandomSuffix();
}

} // namespace tainoteka
