#pragma once
// encrypt, decrypt and check. The text passes through in blocks, so a file
// of any size needs only a few blocks of memory; an output file is replaced
// only once all of it has succeeded, so a failure leaves it as it was.
#include <string>
#include <string_view>

#include "CommandLine.h"
#include "ExitCode.h"

namespace tainoteka::cli {

// The protected file for a text held in memory. input is UTF-8, or
// Windows-1251 when raw; password is Windows-1251 and already checked for protecting.
TOutcome ProtectText(std::string_view input, const std::string& inputName, bool raw, std::string_view password,
                     std::string& file);

// The text of a protected file held in memory, as stored (CR LF line ends),
// as UTF-8 unless raw.
TOutcome OpenProtected(std::string_view file, const std::string& fileName, bool raw, std::string_view password,
                       std::string& text);

TOutcome RunEncrypt(const TRequest& request);
TOutcome RunDecrypt(const TRequest& request);
// Prints a confirmation with the size of the text, never the text.
TOutcome RunCheck(const TRequest& request);

} // namespace tainoteka::cli
