#pragma once
// The system's reason for a failed file operation, in Russian, from the
// error number the C library reports (errno). One table for every file
// message of both programs, so a full disk reads the same everywhere.
#include <QString>

namespace tainoteka {

// "На устройстве не осталось свободного места" for ENOSPC and the like; an
// unknown number reads "Системная ошибка <n>".
QString SystemErrorText(int errnoValue);

} // namespace tainoteka
