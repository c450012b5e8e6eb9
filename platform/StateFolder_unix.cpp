// State folder on Linux and other Unix systems, after the XDG base directories.
#include "StateFolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tainoteka {

QString SystemRecoveryFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // The base directory rules ignore a relative path.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/tainoteka/recovery");
}

TFileResult MakePrivateFolder(const QString& path)
{
    const QString parent = QFileInfo(path).absolutePath();
    // The base directory rules want the state folders owner-only as well.
    if (!QDir().mkpath(parent))
        return FileFailure(parent, QStringLiteral("папку не удалось создать"));
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return SystemFileFailure(path, errno);
    if (!QFileInfo(path).isDir())
        return SystemFileFailure(path, ENOTDIR);
    if (::chmod(name.constData(), 0700) != 0)
        return SystemFileFailure(path, errno);
    return {true, {}, 0};
}

TFileResult CreatePrivateFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return SystemFileFailure(path, errno);
    ::close(fd);
    return {true, {}, 0};
}

} // namespace tainoteka
