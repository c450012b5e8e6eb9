#include "ImageList.h"

// The resources live in a static library: nothing would pull them in otherwise.
static void EnsureResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(tainoteka);
        return true;
    }();
    (void)loaded;
}

namespace tainoteka {

QPixmap ImgLstMenuToolbar(int index)
{
    EnsureResources();
    return QPixmap(QStringLiteral(":/images/%1.png").arg(index, 2, 10, QLatin1Char('0')));
}

QIcon ButtonIcon(int index)
{
    QIcon icon;
    icon.addPixmap(ImgLstMenuToolbar(index), QIcon::Normal);
    icon.addPixmap(ImgLstMenuToolbar(index + 1), QIcon::Disabled);
    return icon;
}

QIcon ApplicationIcon()
{
    EnsureResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tainoteka-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace tainoteka
