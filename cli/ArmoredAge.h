#pragma once
// An armoured age file for the streaming reader. Its armour can only be
// checked whole, so the file is read whole, up to a bound, and taken out of
// its armour in memory; it holds ciphertext only.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ByteStreams.h"
#include "ExitCode.h"

namespace tainoteka::cli {

// Far beyond a text sent by mail or pasted, and still well short of memory trouble.
inline constexpr std::size_t kLargestArmoredAge = std::size_t(64) << 20;

// The binary age file inside the armoured one that starts with start and
// goes on in file. A file larger than kLargestArmoredAge is refused before
// it is taken whole (FileError); armour that is not canonical is Damaged.
TOutcome ReadArmoredAge(IByteSource& file, std::string_view start, std::vector<std::uint8_t>& binary);

} // namespace tainoteka::cli
