#include <cmath>

#include "TrigTerms.h"

namespace tainoteka::trig {
namespace {

// The x87 reduces arguments with pi rounded to 66 bits, M / 2^64 with
// M = 0x3_243F6A88_85A308D3. Reducing with the same constant is what makes
// large arguments agree. pi66/2 is split into three 22-bit pieces so that
// n * piece is exact in a double for |n| < 2^31.
constexpr uint64_t kPiHigh = 0x3;
constexpr uint64_t kPiLow = 0x243F6A8885A308D3ULL;
const double kHalfPi1 = std::ldexp(static_cast<double>((kPiHigh << 20) | (kPiLow >> 44)), -21);
const double kHalfPi2 = std::ldexp(static_cast<double>((kPiLow >> 22) & 0x3FFFFF), -43);
const double kHalfPi3 = std::ldexp(static_cast<double>(kPiLow & 0x3FFFFF), -65);
const double kTwoOverPi = 0.63661977236758134308;

struct DoubleDouble {
    double hi;
    double lo;
};

DoubleDouble TwoSum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

struct Reduced {
    int quadrant; // n mod 4
    DoubleDouble r; // x - n * pi66/2
};

Reduced Reduce(int64_t x)
{
    const double n = std::nearbyint(static_cast<double>(x) * kTwoOverPi);
    const double r1 = static_cast<double>(x) - n * kHalfPi1; // exact
    const double r2 = r1 - n * kHalfPi2; // exact
    const DoubleDouble r = TwoSum(r2, -(n * kHalfPi3));
    return {static_cast<int>(static_cast<int64_t>(n) & 3), r};
}

// sin(hi + lo) and cos(hi + lo) to first order in lo (|lo| < 2^-50).
double SinDD(const DoubleDouble& r) { return std::sin(r.hi) + std::cos(r.hi) * r.lo; }
double CosDD(const DoubleDouble& r) { return std::cos(r.hi) - std::sin(r.hi) * r.lo; }

double Sin(int64_t x)
{
    const Reduced red = Reduce(x);
    switch (red.quadrant) {
    case 0: return SinDD(red.r);
    case 1: return CosDD(red.r);
    case 2: return -SinDD(red.r);
    default: return -CosDD(red.r);
    }
}

double Cos(int64_t x)
{
    const Reduced red = Reduce(x);
    switch (red.quadrant) {
    case 0: return CosDD(red.r);
    case 1: return -SinDD(red.r);
    case 2: return -CosDD(red.r);
    default: return SinDD(red.r);
    }
}

} // namespace

int32_t Portable::CosTerm(int64_t a, int32_t scale)
{
    return static_cast<int32_t>(std::trunc(Cos(a) * scale));
}

int32_t Portable::CosSinTerm(int64_t cosArg, int64_t sinArg, int32_t scale)
{
    return static_cast<int32_t>(std::trunc((Cos(cosArg) + Sin(sinArg)) * scale));
}

} // namespace tainoteka::trig
