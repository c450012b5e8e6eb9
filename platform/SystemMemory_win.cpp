// Memory on Windows: the commit charge still free and the address space left.
#include "SystemMemory.h"

#include <windows.h>

#include <algorithm>

namespace tainoteka {

std::optional<quint64> AvailableMemoryBytes()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return std::nullopt;
    return std::min<quint64>(status.ullAvailPageFile, status.ullAvailVirtual);
}

} // namespace tainoteka
