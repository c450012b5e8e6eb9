#include "Wipe.h"

#include <cstring>

namespace tainoteka {

void WipeBytes(void* data, std::size_t size)
{
    if (size == 0)
        return;
    std::memset(data, 0, size);
    // The asm takes the memory as an input the compiler cannot see through,
    // so the stores above must happen even if the buffer is freed next.
#if defined(__GNUC__) || defined(__clang__)
    asm volatile("" : : "r"(data) : "memory");
#else
    volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = 0;
#endif
}

} // namespace tainoteka
