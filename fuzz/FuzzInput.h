#pragma once
// How the fuzz targets and the seed writer share one input layout:
// byte 0 gives the typed password's length (0..40, taken modulo 41),
// the next that many bytes are the password, the rest is the payload.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "RandomSource.h"

namespace tainoteka::fuzz {

// Twice the stored maximum, so that over-long typed passwords get tried too.
inline constexpr std::size_t MaxTypedLength = 40;

struct TFuzzInput {
    std::string_view Typed;
    std::string_view Payload;
};

inline TFuzzInput SplitInput(const uint8_t* data, std::size_t size)
{
    TFuzzInput in;
    if (size == 0)
        return in;
    const char* bytes = reinterpret_cast<const char*>(data);
    std::size_t length = data[0] % (MaxTypedLength + 1);
    if (length > size - 1)
        length = size - 1;
    in.Typed = std::string_view(bytes + 1, length);
    in.Payload = std::string_view(bytes + 1 + length, size - 1 - length);
    return in;
}

inline std::string JoinInput(std::string_view typed, std::string_view payload)
{
    std::string out(1, static_cast<char>(typed.size()));
    out += typed;
    out += payload;
    return out;
}

// A reproducible stand-in for the system generator (SplitMix64): a fuzz
// input must behave the same every time it is replayed.
class TDeterministicRandom final : public TRandomSource {
public:
    explicit TDeterministicRandom(uint64_t seed) : state_(seed) {}
    uint32_t Random(uint32_t n) override { return static_cast<uint32_t>(Next() % n); }

private:
    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    uint64_t state_;
};

// FNV-1a, to seed the generator from the input itself.
inline uint64_t HashBytes(std::string_view bytes)
{
    uint64_t h = 0xCBF29CE484222325ULL;
    for (unsigned char ch : bytes)
        h = (h ^ ch) * 0x100000001B3ULL;
    return h;
}

// Stops the run in a way libFuzzer records as a crash, with the failed check's name in the log.
[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::fflush(stderr);
    __builtin_trap();
}

#define FUZZ_CHECK(cond) \
    do { \
        if (!(cond)) \
            ::tainoteka::fuzz::Fail(#cond); \
    } while (0)

} // namespace tainoteka::fuzz
