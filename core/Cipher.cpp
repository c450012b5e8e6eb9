#include "Cipher.h"

namespace tainoteka {

int32_t EncryptRun(unsigned char* data, std::size_t size, const TKeySet& keys)
{
    int32_t running = keys.StartKey;
    for (std::size_t i = 0; i < size; ++i)
        data[i] = EncryptByte(data[i], running, keys.MultKey, keys.AddKey);
    return running;
}

int32_t DecryptRun(unsigned char* data, std::size_t size, const TKeySet& keys)
{
    int32_t running = keys.StartKey;
    for (std::size_t i = 0; i < size; ++i)
        data[i] = DecryptByte(data[i], running, keys.MultKey, keys.AddKey);
    return running;
}

} // namespace tainoteka
