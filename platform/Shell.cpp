#include "Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace tainoteka {

void TDesktopShell::Open(const QString& target)
{
    const QUrl url = QFileInfo(target).isAbsolute() && !target.contains(QLatin1String("://"))
        ? QUrl::fromLocalFile(target)
        : QUrl(target, QUrl::TolerantMode);
    QDesktopServices::openUrl(url);
}

} // namespace tainoteka
