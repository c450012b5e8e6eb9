#pragma once
// How much memory this process may still take before the system refuses
// (or starts killing): free memory and swap, less any limit set on the
// process or its control group.
#include <QtGlobal>

#include <optional>

namespace tainoteka {

// Bytes; nullopt when the system does not say.
std::optional<quint64> AvailableMemoryBytes();

} // namespace tainoteka
