#pragma once
// The system's reason for a failed file operation, in Russian, from the
// error number the C library reports (errno). One table for every file
// message of both programs, so a full disk reads the same everywhere.
#include <QString>

namespace tainoteka {

// "На устройстве не осталось свободного места" for ENOSPC and the like; an
// unknown number reads "Системная ошибка <n>".
QString SystemErrorText(int errnoValue);

#ifdef _WIN32
// The same for a Windows error code (GetLastError): the usual wording of
// Russian Windows for the codes a file operation gives, otherwise the
// system's own text, otherwise "Системная ошибка <n>".
QString WindowsErrorText(unsigned long code);

// Codes MinGW's headers lack.
constexpr unsigned long kWindowsErrorIsFolder = 336; // ERROR_DIRECTORY_NOT_SUPPORTED
constexpr unsigned long kWindowsErrorQuotaExceeded = 1295; // ERROR_DISK_QUOTA_EXCEEDED
#endif

} // namespace tainoteka
