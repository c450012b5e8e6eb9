#include "CryptoLibrary.h"

#include <sodium.h>

namespace tainoteka {

bool StartCryptoLibrary()
{
    // 0: started now, 1: already started, -1: failed.
    return sodium_init() >= 0;
}

} // namespace tainoteka
