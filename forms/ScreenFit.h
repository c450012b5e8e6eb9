#pragma once
// Where a window goes on a screen of any size and scale: its outer frame,
// title bar included, lies within the screen's available area.
#include <QMargins>
#include <QRect>
#include <QSize>

namespace tainoteka {

// The outer frame for a window that wants wantedOuter: that size where it
// fits, otherwise the area's size; centred on centre, then moved inside the
// area, so that the title bar can always be reached.
QRect FitOuterFrame(const QRect& area, QSize wantedOuter, QPoint centre);

// The help window's outer frame: beside the main window (right, else left)
// where there is room, otherwise centred on it; always inside the area.
QRect PlaceBeside(const QRect& area, const QRect& mainOuter, QSize wantedOuter);

} // namespace tainoteka
