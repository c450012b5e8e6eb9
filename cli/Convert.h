#pragma once
// convert: one protected file into another, of the other type, under another
// password or in armour. The text goes from the deciphering stage straight
// into the enciphering one, block by block, so it never reaches a file or a
// pipe; the input is only read.
#include "CommandLine.h"
#include "ExitCode.h"

namespace tainoteka::cli {

TOutcome RunConvert(const TRequest& request);

} // namespace tainoteka::cli
