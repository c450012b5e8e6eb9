#pragma once
// Standard streams and inherited descriptors, as bytes: no newline
// translation and no locale, on every system.
#include <cstddef>
#include <string>
#include <string_view>

#include "ExitCode.h"

namespace tainoteka::cli {

// One read or write on a descriptor in binary mode, retried when a signal
// interrupts it: the byte count, 0 at the end, negative on failure (errno).
long ReadSome(int fd, char* buffer, std::size_t size);
long WriteSome(int fd, const char* data, std::size_t size);

TOutcome WriteStandardOutput(std::string_view data);

// Reads up to the first LF, one byte at a time so that nothing after the line
// is taken from the descriptor (standard input may carry the text next).
// The line comes without its LF; the CR of a CR LF is left for the caller.
// More than limit bytes without a LF is a usage error; name is for messages.
TOutcome ReadLineFromDescriptor(int fd, std::size_t limit, const std::string& name, std::string& line);

} // namespace tainoteka::cli
