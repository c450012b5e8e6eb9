#pragma once
// Turns the text given to encrypt into the Windows-1251 bytes a protected
// file holds, refusing anything that would not come back unchanged.
#include <string>
#include <string_view>

#include "ExitCode.h"

namespace tainoteka::cli {

// raw: the data already is Windows-1251 and is taken as it stands.
// Otherwise it must be valid UTF-8 (a leading byte order mark is dropped) and
// every character must have a Windows-1251 byte. A NUL is refused in both
// cases: the file's writer ends the text there, so the rest would be lost.
// name names the input in messages.
TOutcome ImportInputText(std::string_view data, bool raw, const std::string& name, std::string& cp1251);

} // namespace tainoteka::cli
