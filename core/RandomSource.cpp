#include "RandomSource.h"

#include <stdexcept>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#include <bcrypt.h>
#else
#include <cerrno>
#include <sys/random.h>
#endif

namespace tainoteka {

void FillSystemRandom(void* buffer, std::size_t size)
{
#if defined(_WIN32)
    if (BCryptGenRandom(nullptr, static_cast<PUCHAR>(buffer), static_cast<ULONG>(size),
                        BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0)
        throw std::runtime_error("BCryptGenRandom failed");
#else
    auto* p = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t got = getrandom(p, size, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category(), "getrandom");
        }
        p += got;
        size -= static_cast<std::size_t>(got);
    }
#endif
}

uint32_t TSystemRandom::NextWord()
{
    if (next_ == pool_.size()) {
        pool_.assign(256, 0);
        FillSystemRandom(pool_.data(), pool_.size() * sizeof(uint32_t));
        next_ = 0;
    }
    return pool_[next_++];
}

uint32_t TSystemRandom::Random(uint32_t n)
{
    // Rejection sampling: plain modulo would favour the low values.
    const uint32_t limit = UINT32_MAX - UINT32_MAX % n;
    uint32_t w;
    do
        w = NextWord();
    while (w >= limit);
    return w % n;
}

} // namespace tainoteka
