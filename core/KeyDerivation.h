#pragma once
// Password -> key set under which a file's key block is enciphered.
// The result must be bit-for-bit identical on every machine that writes or
// reads a file, so the trigonometry follows the x87 unit exactly.
#include <cstdint>
#include <string_view>

#include "Cipher.h"

namespace tainoteka {

inline constexpr TKeySet BuiltInStartKeys{9163, 6739, 8845};

void DerivePasswordKeys(std::string_view password, int32_t& StartKey, int32_t& MultKey, int32_t& AddKey);
TKeySet DerivePasswordKeys(std::string_view password);

// The two ways of computing the terms; DerivePasswordKeys uses the one the
// build selected. Both are exposed so that they can be checked against each other.
TKeySet DerivePasswordKeysPortable(std::string_view password);
bool HasX87Trig();
TKeySet DerivePasswordKeysX87(std::string_view password); // only when HasX87Trig()

} // namespace tainoteka
