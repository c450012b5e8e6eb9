// The file layer on Windows, through Qt's own file classes.
#include "AtomicFile.h"

#include <QFile>
#include <QSaveFile>

namespace tainoteka {

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
    return {true, {}, 0};
}

TFileResult ReadWholeFile(const QString& path, QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileFailure(path, file.errorString());
    data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return FileFailure(path, file.errorString());
    return {true, {}, 0};
}

} // namespace tainoteka
