#pragma once
// trunc(cos(a) * scale) and trunc((cos(a) + sin(b)) * scale), evaluated as the
// x87 unit evaluates them in 80-bit precision.
#include <cstdint>

namespace tainoteka::trig {

struct X87 {
    static int32_t CosTerm(int64_t a, int32_t scale);
    static int32_t CosSinTerm(int64_t cosArg, int64_t sinArg, int32_t scale);
};

// No x87 needed: argument reduction with the x87's own 66-bit pi, then
// double-double evaluation. Integer arguments up to 2^31 in magnitude.
struct Portable {
    static int32_t CosTerm(int64_t a, int32_t scale);
    static int32_t CosSinTerm(int64_t cosArg, int64_t sinArg, int32_t scale);
};

} // namespace tainoteka::trig
