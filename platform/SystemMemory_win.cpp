// Memory on Windows: the physical memory free, the commit charge still free
// and the address space left, capped by the limits of a job the process
// runs in.
#include "SystemMemory.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>

namespace tainoteka {
namespace {

quint64 Left(quint64 limit, quint64 used) { return limit > used ? limit - used : 0; }

// A job's limits count committed memory; the process's own stands for the
// job's, as a job usually holds this one process.
std::optional<quint64> JobRoom()
{
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION job{};
    if (!QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job, nullptr))
        return std::nullopt;
    const DWORD flags = job.BasicLimitInformation.LimitFlags;
    if (!(flags & (JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_JOB_MEMORY)))
        return std::nullopt;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return std::nullopt;
    quint64 room = UINT64_MAX;
    if (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY)
        room = Left(job.ProcessMemoryLimit, counters.PrivateUsage);
    if (flags & JOB_OBJECT_LIMIT_JOB_MEMORY)
        room = std::min(room, Left(job.JobMemoryLimit, counters.PrivateUsage));
    return room;
}

} // namespace

std::optional<quint64> AvailableMemoryBytes()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return std::nullopt;
    const quint64 room = std::min<quint64>({status.ullAvailPhys, status.ullAvailPageFile, status.ullAvailVirtual});
    const std::optional<quint64> job = JobRoom();
    return job ? std::min(room, *job) : room;
}

} // namespace tainoteka
