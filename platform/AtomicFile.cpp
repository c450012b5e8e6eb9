// The part of the file layer that is the same on every platform.
#include "AtomicFile.h"

#include <QDir>

#include "SystemError.h"

namespace tainoteka {

TFileResult FileFailure(const QString& path, const QString& reason)
{
    return {false, QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason, 0};
}

TFileResult SystemFileFailure(const QString& path, int errnoValue)
{
    TFileResult failure = FileFailure(path, SystemErrorText(errnoValue));
    failure.SystemError = errnoValue;
    return failure;
}

QString NotAFileReason() { return QStringLiteral("Это не файл, а канал или устройство"); }

} // namespace tainoteka
