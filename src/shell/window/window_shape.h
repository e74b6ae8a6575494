#pragma once

#include <QRect>
#include <QRegion>
#include <QSize>

namespace stakor {

struct TImageSet;

// The pixels the window system's rounded-rectangle region covers for the
// rectangle (left, top)-(right, bottom) with corner ellipses of the given
// size: one pixel less on the right and at the bottom than the rectangle,
// the corners rasterised the way the system rasterises them.
QRegion RoundRectRegion(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);

// The main window's outline for a glass mode (2 normal, any other big): twelve
// rounded rectangles added and cut away in turn.
QRegion WindowShape(int glassMode);

// The places in the window that react to the pointer.
struct THotAreas {
    QRegion Drag; // the outline less the glass and the buttons: drags the window
    QRect Glass;
    QRect Minimize;
    QRect Close;
    QRect GameButton;
    QRect SettingsButton;
    QRect HelpButton;
};

THotAreas BuildHotAreas(const QRegion& shape, const TImageSet& images, QSize glass);

} // namespace stakor
