#pragma once
// Feedback byte cipher: the running key is fed back from every cipher byte,
// so each step depends on all bytes before it.
#include <cstdint>

namespace tainoteka {

// Three 32-bit keys that drive one run; StartKey seeds the running key.
struct TKeySet {
    int32_t StartKey = 0;
    int32_t MultKey = 0;
    int32_t AddKey = 0;
    friend bool operator==(const TKeySet&, const TKeySet&) = default;
};

// Arithmetic is done on uint32_t: signed overflow would be undefined, and
// both readings give the same bits modulo 2^32.
inline uint32_t NextRunningKey(uint32_t key, uint8_t cipherByte, int32_t multKey, int32_t addKey)
{
    return (key + cipherByte) * static_cast<uint32_t>(multKey) + static_cast<uint32_t>(addKey);
}

inline uint8_t KeyMask(uint32_t key) { return static_cast<uint8_t>(key >> 8); }

inline uint8_t EncryptByte(uint8_t plain, int32_t& runningKey, int32_t multKey, int32_t addKey)
{
    const uint32_t key = static_cast<uint32_t>(runningKey);
    const uint8_t cipher = plain ^ KeyMask(key);
    runningKey = static_cast<int32_t>(NextRunningKey(key, cipher, multKey, addKey));
    return cipher;
}

inline uint8_t DecryptByte(uint8_t cipher, int32_t& runningKey, int32_t multKey, int32_t addKey)
{
    const uint32_t key = static_cast<uint32_t>(runningKey);
    const uint8_t plain = cipher ^ KeyMask(key);
    runningKey = static_cast<int32_t>(NextRunningKey(key, cipher, multKey, addKey));
    return plain;
}

// One run over a buffer, in place; returns the running key after the last byte.
int32_t EncryptRun(unsigned char* data, std::size_t size, const TKeySet& keys);
int32_t DecryptRun(unsigned char* data, std::size_t size, const TKeySet& keys);

} // namespace tainoteka
