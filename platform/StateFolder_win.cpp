// State folder on Windows: the user's local application data, which only
// that user (and the administrators) may open.
#include "StateFolder.h"

#include <QDir>

#include <windows.h>

namespace tainoteka {

QString SystemRecoveryFolder()
{
    QString base = qEnvironmentVariable("LOCALAPPDATA");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/AppData/Local");
    return QDir::fromNativeSeparators(base) + QStringLiteral("/Тайнотека/recovery");
}

TFileResult MakePrivateFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        return FileFailure(path, QStringLiteral("папку не удалось создать"));
    return {true, {}, 0};
}

TFileResult CreatePrivateFile(const QString& path)
{
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return WindowsFileFailure(path, GetLastError());
    CloseHandle(file);
    return {true, {}, 0};
}

} // namespace tainoteka
