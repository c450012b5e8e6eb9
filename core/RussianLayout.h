#pragma once
// The keys a Russian text was typed with, read in the US layout: "пароль"
// typed on ЙЦУКЕН keys is "gfhjkm". Guessers try words both ways, and
// zxcvbn's English dictionaries know Russian words only in the second form.
#include <string_view>

#include "SecretBytes.h"

namespace tainoteka {

// Every Russian letter (А..я, Ё, ё) becomes the ASCII character on its key,
// capital letters the shifted one; all other bytes stay as they are. Empty
// when the text has no Russian letter. Locked memory, wiped when freed.
TSecretBytes RussianKeysAsLatin(std::string_view textUtf8);

} // namespace tainoteka
