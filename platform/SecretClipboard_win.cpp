// Windows: registered clipboard formats that keep a copy out of the clipboard
// history (Win+V), its cloud sync and clipboard monitors. Qt registers a
// format named in "application/x-qt-windows-mime;value=..." under that name
// and hands over the bytes as they are.
#include "SecretClipboard.h"

namespace tainoteka {

namespace {

QString Registered(const char* name)
{
    return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(QLatin1String(name));
}

// A DWORD 0, little-endian.
const QByteArray kFalse(4, '\0');

} // namespace

QStringList SecretMarkFormats()
{
    return {Registered("ExcludeClipboardContentFromMonitorProcessing"), Registered("CanIncludeInClipboardHistory"),
            Registered("CanUploadToCloudClipboard")};
}

void MarkAsSecret(QMimeData& data)
{
    // Only its presence counts; a value that is not empty is kept by every
    // reader that copies the clipboard's formats.
    data.setData(Registered("ExcludeClipboardContentFromMonitorProcessing"), kFalse);
    data.setData(Registered("CanIncludeInClipboardHistory"), kFalse);
    data.setData(Registered("CanUploadToCloudClipboard"), kFalse);
}

} // namespace tainoteka
