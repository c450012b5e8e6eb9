#include "ProcessGuard.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace tainoteka {

#ifdef _WIN32

// Windows writes no core files of its own accord, and only the same user or
// an administrator may read another process's memory; nothing to change.
bool KeepProcessMemoryPrivate()
{
    return true;
}

#else

bool KeepProcessMemoryPrivate()
{
    const rlimit noCore{0, 0};
    bool kept = setrlimit(RLIMIT_CORE, &noCore) == 0;
#ifdef __linux__
    // Also keeps other processes of the same user from attaching or reading
    // /proc/<pid>/mem, and a crash handler from taking a core anyway.
    kept = prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0 && kept;
#endif
    return kept;
}

#endif

} // namespace tainoteka
