// Derives keys for many random passwords on the x87 path and on the portable
// path and counts the passwords where they disagree. A file written on one
// kind of machine must open on the other, so the goal is none.
//
//   verify_portable_keys [--count N] [--seed S] [--show K] [--max-length L]
//
// Passwords are 0 to L bytes long (20 unless told, the most the dialogs
// accept), every byte value 0..255 equally likely. Longer ones push the keys,
// and so the sine and cosine arguments, further out.
// Exit status: 0 when all agree (or there is no x87 to compare with),
// 1 when any disagree, 2 on a bad command line.
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "KeyDerivation.h"
#include "KeyBlock.h"

using namespace tainoteka;

namespace {

struct Options {
    uint64_t count = 1'000'000;
    uint64_t seed = 1;
    uint64_t show = 10;
    uint64_t maxLength = MaxPasswordLength;
};

void Usage()
{
    std::fprintf(stderr, "usage: verify_portable_keys [--count N] [--seed S] [--show K] [--max-length L]\n");
}

bool ParseNumber(const char* text, uint64_t& value)
{
    if (text == nullptr || *text == '\0' || *text == '-')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0')
        return false;
    value = parsed;
    return true;
}

// Accepts "--name value" and "--name=value".
bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        const char* value = nullptr;
        const std::size_t eq = arg.find('=');
        std::string name(arg.substr(0, eq));
        if (eq != std::string_view::npos)
            value = argv[i] + eq + 1;
        else if (i + 1 < argc)
            value = argv[++i];
        uint64_t* target = name == "--count" ? &options.count
            : name == "--seed"              ? &options.seed
            : name == "--show"              ? &options.show
            : name == "--max-length"        ? &options.maxLength
                                            : nullptr;
        if (target == nullptr || !ParseNumber(value, *target))
            return false;
    }
    return true;
}

// Long passwords are shown by their first 32 bytes; rerun with the same seed
// to get the rest.
std::string Hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    constexpr std::size_t kShown = 32;
    std::string out;
    for (unsigned char b : bytes.substr(0, kShown)) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    if (bytes.size() > kShown)
        out += "...";
    return out.empty() ? "(empty)" : out;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    constexpr uint64_t kLongestPassword = 10'000'000;
    if (!ParseOptions(argc, argv, options) || options.maxLength > kLongestPassword) {
        Usage();
        return 2;
    }
    if (!HasX87Trig()) {
        std::printf("This build has no x87 path (not x86 with GCC or Clang); nothing to compare the "
                    "portable derivation with.\n");
        return 0;
    }

    std::mt19937_64 rng(options.seed);
    std::string password;
    password.reserve(options.maxLength);
    uint64_t disagreements = 0;
    uint64_t totalBytes = 0;
    const auto started = std::chrono::steady_clock::now();

    for (uint64_t n = 0; n < options.count; ++n) {
        const std::size_t length = static_cast<std::size_t>(rng() % (options.maxLength + 1));
        password.clear();
        for (std::size_t i = 0; i < length; ++i)
            password += static_cast<char>(rng() & 0xFF);
        totalBytes += length;

        const TKeySet x87 = DerivePasswordKeysX87(password);
        const TKeySet portable = DerivePasswordKeysPortable(password);
        if (x87 == portable)
            continue;
        if (disagreements < options.show) {
            std::printf("disagree #%" PRIu64 ": password %s (%zu bytes)\n"
                        "  x87      StartKey=%" PRId32 " MultKey=%" PRId32 " AddKey=%" PRId32 "\n"
                        "  portable StartKey=%" PRId32 " MultKey=%" PRId32 " AddKey=%" PRId32 "\n",
                        n, Hex(password).c_str(), password.size(), x87.StartKey, x87.MultKey, x87.AddKey,
                        portable.StartKey, portable.MultKey, portable.AddKey);
        }
        ++disagreements;
    }

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("passwords: %" PRIu64 " of 0 to %" PRIu64 " bytes (seed %" PRIu64 ", %" PRIu64 " bytes in all), %.1f s\n",
                options.count, options.maxLength, options.seed, totalBytes, seconds);
    std::printf("disagreements: %" PRIu64 "\n", disagreements);
    return disagreements == 0 ? 0 : 1;
}
