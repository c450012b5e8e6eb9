#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace tainoteka {
TFileResult FileFailure(const QString& path, const QString& reason)
{
    return {false, QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason};
}

TFileResult WriteFileAtomically(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileFailure(path, file.errorString());
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return FileFailure(path, reason);
    }
    if (!file.commit())
        return FileFailure(path, file.errorString());
    return {true, {}};
}

TFileResult ReadWholeFile(const QString& path, QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileFailure(path, file.errorString());
    data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return FileFailure(path, file.errorString());
    return {true, {}};
}

} // namespace tainoteka
