#include "ImageList.h"

#include <QPainter>

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

QIcon SwitchIcon(int index)
{
    QPixmap on = ImgLstMenuToolbar(index);
    {
        // The mark in the lower right corner, white-edged to stand out on any image.
        QPainter painter(&on);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(on.width() / 16.0, on.height() / 16.0);
        const QPolygonF tick({QPointF(7.5, 10.5), QPointF(10.5, 13.5), QPointF(15, 7.5)});
        painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(tick);
        painter.setPen(QPen(QColor(0, 128, 0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(tick);
    }
    QIcon icon;
    icon.addPixmap(on, QIcon::Normal, QIcon::On);
    icon.addPixmap(ImgLstMenuToolbar(index + 1), QIcon::Normal, QIcon::Off);
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
