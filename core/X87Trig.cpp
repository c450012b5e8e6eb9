// Compiled only on x86 with GCC or Clang: FSIN/FCOS through inline assembly,
// everything else in long double, which is the x87 80-bit format there.
#include "TrigTerms.h"

namespace tainoteka::trig {
namespace {

// Extended precision, round to nearest, all exceptions masked, whatever the
// runtime set before (some Windows runtimes default to 53-bit precision).
class ExtendedPrecisionScope {
public:
    ExtendedPrecisionScope()
    {
        __asm__ volatile("fnstcw %0" : "=m"(saved_));
        const unsigned short wanted = 0x037F;
        __asm__ volatile("fldcw %0" : : "m"(wanted));
    }
    ~ExtendedPrecisionScope() { __asm__ volatile("fldcw %0" : : "m"(saved_)); }

private:
    unsigned short saved_ = 0;
};

long double Fsin(long double x)
{
    __asm__("fsin" : "+t"(x));
    return x;
}

long double Fcos(long double x)
{
    __asm__("fcos" : "+t"(x));
    return x;
}

} // namespace

int32_t X87::CosTerm(int64_t a, int32_t scale)
{
    ExtendedPrecisionScope scope;
    const volatile long double product = Fcos(static_cast<long double>(a)) * static_cast<long double>(scale);
    return static_cast<int32_t>(product);
}

int32_t X87::CosSinTerm(int64_t cosArg, int64_t sinArg, int32_t scale)
{
    ExtendedPrecisionScope scope;
    const volatile long double sum = Fcos(static_cast<long double>(cosArg)) + Fsin(static_cast<long double>(sinArg));
    const volatile long double product = sum * static_cast<long double>(scale);
    return static_cast<int32_t>(product);
}

} // namespace tainoteka::trig
