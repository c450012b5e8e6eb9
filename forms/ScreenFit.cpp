#include "ScreenFit.h"

#include <algorithm>

namespace tainoteka {
namespace {

QRect MovedInside(QRect outer, const QRect& area)
{
    // Right and bottom first, so that a window larger than the area keeps
    // its top-left corner, and with it the title bar, inside.
    outer.moveRight(std::min(outer.right(), area.right()));
    outer.moveBottom(std::min(outer.bottom(), area.bottom()));
    outer.moveLeft(std::max(outer.left(), area.left()));
    outer.moveTop(std::max(outer.top(), area.top()));
    return outer;
}

QSize BoundedBy(QSize wanted, QSize area) { return wanted.boundedTo(area); }

} // namespace

QRect FitOuterFrame(const QRect& area, QSize wantedOuter, QPoint centre)
{
    QRect outer(QPoint(0, 0), BoundedBy(wantedOuter, area.size()));
    outer.moveCenter(centre);
    return MovedInside(outer, area);
}

QRect PlaceBeside(const QRect& area, const QRect& mainOuter, QSize wantedOuter)
{
    const QSize size = BoundedBy(wantedOuter, area.size());
    QRect outer(QPoint(0, 0), size);
    if (mainOuter.right() + size.width() <= area.right()) {
        outer.moveTopLeft(QPoint(mainOuter.right() + 1, mainOuter.top()));
    } else if (mainOuter.left() - size.width() >= area.left()) {
        outer.moveTopRight(QPoint(mainOuter.left() - 1, mainOuter.top()));
    } else {
        outer.moveCenter(mainOuter.center());
    }
    return MovedInside(outer, area);
}

std::optional<QRect> CorrectedFirstFrame(const TFirstFraming& framing)
{
    const bool placedByOthers = framing.Frame.topLeft() != framing.AskedPosition || framing.Size != framing.AskedSize;
    if (framing.MaximizedOrFullScreen || placedByOthers || framing.Area.contains(framing.Frame))
        return std::nullopt;
    return FitOuterFrame(framing.Area, framing.Frame.size(), framing.Frame.center());
}

} // namespace tainoteka
