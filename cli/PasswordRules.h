#pragma once
// A password arrives as UTF-8 and is used as Windows-1251 bytes.
#include <string>
#include <string_view>

#include "ExitCode.h"
#include "FileFormat.h"

namespace tainoteka::cli {

enum class TPasswordUse {
    Open, // any convertible text; one that cannot match simply fails the check
    Protect, // must be one the file can be opened with again
};

// For Protect also refuses more than 20 characters, "|" (it cuts the stored
// password short) and control characters (no password field takes them).
TOutcome PasswordToCp1251(std::string_view utf8, TPasswordUse use, std::string& cp1251);

// The password a file of format is opened with, from the typed UTF-8: age
// takes it as it is, a .txtp its Windows-1251 form.
TOutcome PasswordForOpening(std::string_view utf8, TFileFormat format, std::string& password);

// The same for a file about to be written: a .txtp password must be one the
// file can be opened with again, and an empty one must be meant.
TOutcome PasswordForProtecting(std::string_view utf8, TFileFormat format, bool allowEmpty, std::string& password);

} // namespace tainoteka::cli
