#pragma once
// Where a window goes on a screen of any size and scale: its outer frame,
// title bar included, lies within the screen's available area.
#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>

namespace tainoteka {

// The outer frame for a window that wants wantedOuter: that size where it
// fits, otherwise the area's size; centred on centre, then moved inside the
// area, so that the title bar can always be reached.
QRect FitOuterFrame(const QRect& area, QSize wantedOuter, QPoint centre);

// The help window's outer frame: beside the main window (right, else left)
// where there is room, otherwise centred on it; always inside the area.
QRect PlaceBeside(const QRect& area, const QRect& mainOuter, QSize wantedOuter);

// What the window manager made of the main window's first placement.
struct TFirstFraming {
    QRect Area;              // the screen's available area
    QPoint AskedPosition;    // of the frame, as asked before the first show
    QSize AskedSize;         // of the window inside the frame, as asked
    QRect Frame;             // the outer frame once framed
    QSize Size;              // the window inside it
    bool MaximizedOrFullScreen = false;
};

// The outer frame to move a freshly framed window to, or nothing: only a
// window that lies as it was asked for (not maximized, full-screen, placed
// or sized by the window manager or the user) and whose frame leaves the
// available area is put back inside it.
std::optional<QRect> CorrectedFirstFrame(const TFirstFraming& framing);

} // namespace tainoteka
