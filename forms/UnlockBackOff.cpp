#include "UnlockBackOff.h"

#include <algorithm>

namespace tainoteka {

int TUnlockBackOff::Wrong()
{
    ++wrongInRow_;
    const int doublings = wrongInRow_ - WrongWithoutWait - 1;
    if (doublings < 0)
        return 0;
    // Past the limit the shift would only grow: stop counting there.
    if (1 << std::min(doublings, 8) >= LongestWaitSeconds)
        return LongestWaitSeconds;
    return 1 << doublings;
}

} // namespace tainoteka
