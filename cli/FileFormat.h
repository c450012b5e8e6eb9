#pragma once
// The two types of protected file txtp writes and reads.

namespace tainoteka::cli {

// encrypt and convert write the one asked for; decrypt, check and convert
// tell the type of what they read from its content.
enum class TFileFormat { Txtp, Age };

} // namespace tainoteka::cli
