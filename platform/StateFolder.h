#pragma once
// Where the program keeps what must outlive a crash (recovery copies), and
// the owner-only folders and files that hold it.
#include <QString>

#include "AtomicFile.h"

namespace tainoteka {

// Linux: $XDG_STATE_HOME/tainoteka/recovery (~/.local/state/… by default);
// Windows: %LOCALAPPDATA%\Тайнотека\recovery. Not created here.
QString SystemRecoveryFolder();

// Creates the folder and its missing parents; the folder itself is made
// (or narrowed to) owner-only.
TFileResult MakePrivateFolder(const QString& path);

// Creates an empty file only its owner may read or write; fails when a file
// of that name exists. A later atomic write keeps these permissions.
TFileResult CreatePrivateFile(const QString& path);

} // namespace tainoteka
