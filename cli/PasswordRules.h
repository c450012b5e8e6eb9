#pragma once
// A password arrives as UTF-8 and is used as Windows-1251 bytes.
#include <string>
#include <string_view>

#include "ExitCode.h"

namespace tainoteka::cli {

enum class TPasswordUse {
    Open, // any convertible text; one that cannot match simply fails the check
    Protect, // must be one the file can be opened with again
};

// For Protect also refuses more than 20 characters, "|" (it cuts the stored
// password short) and control characters (no password field takes them).
TOutcome PasswordToCp1251(std::string_view utf8, TPasswordUse use, std::string& cp1251);

} // namespace tainoteka::cli
