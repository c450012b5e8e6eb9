#pragma once
// Keeps the memory of the running program (the text, the password) from
// being copied out: no core file when it crashes and, where the system
// allows it, no inspection by other programs of the same user (debuggers,
// /proc/<pid>/mem). Swap, hibernation and the administrator remain beyond
// a program's reach.

namespace tainoteka {

// Call first thing in main. Returns false when the system refused a part.
bool KeepProcessMemoryPrivate();

} // namespace tainoteka
