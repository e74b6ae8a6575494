#include "shell/window/window_shape.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "glass/image_set.h"

namespace stakor {

QRegion RoundRectRegion(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    // The region stops one pixel short of the right and bottom edges.
    --right;
    --bottom;
    const int w = std::min(right - left, std::abs(ellipseWidth));
    const int h = std::min(bottom - top, std::abs(ellipseHeight));
    if (w < 2 || h < 2)
        return QRegion(left, top, right - left, bottom - top);

    // The inset of each of the h rows of the rounded part, found for the lower
    // half by stepping along the ellipse with an integer error term (midpoint
    // rasterisation in the form Alois Zingl gave it), then mirrored upwards.
    std::vector<int> inset(static_cast<size_t>(h) + 2, 0);
    const int64_t a = w - 1;
    const int64_t b = h - 1;
    const int64_t stepX = 8 * b * b;
    const int64_t stepY = 8 * a * a;
    int64_t dx = 4 * b * b * (1 - a);
    int64_t dy = 4 * a * a * (1 + b % 2);
    int64_t error = dx + dy + a * a * (b % 2);
    int x = 0;
    int y = h / 2;
    while (x <= w / 2 && y <= h) {
        const int64_t twice = 2 * error;
        if (twice >= dx) {
            ++x;
            dx += stepX;
            error += dx;
        }
        if (twice <= dy) {
            ++y;
            dy += stepY;
            error += dy;
            inset[static_cast<size_t>(y)] = x;
        }
    }
    for (int i = 0; i < h / 2; ++i)
        inset[static_cast<size_t>(i)] = inset[static_cast<size_t>(b - i)];

    QRegion region;
    for (int i = 0; i < h; ++i) {
        const int k = inset[static_cast<size_t>(i)];
        // The top rows stand at the top; the rest at the bottom, the middle
        // one stretched up over the straight part of the sides.
        int rowTop = i < h / 2 ? top + i : bottom - h + i;
        const int rowBottom = rowTop + 1;
        if (i == h / 2)
            rowTop = top + h / 2;
        region += QRect(left + k, rowTop, (right - k) - (left + k), rowBottom - rowTop);
    }
    return region;
}

QRegion WindowShape(int glassMode)
{
    const int b = glassMode == 2 ? 0 : 120;
    const int bottom = glassMode == 2 ? 450 : 590;
    const auto piece = [](int left, int top, int right, int bottomEdge) {
        return RoundRectRegion(left, top, right, bottomEdge, 14, 14);
    };
    QRegion shape = piece(20, 0, b + 285, 25);
    shape += piece(b + 302, 0, b + 345, 25);
    shape += piece(b + 275, 7, b + 312, 25);
    shape -= piece(b + 285, 0, b + 302, 11);
    shape += piece(0, 40, b + 285, bottom);
    shape += piece(40, 0, b + 245, 60);
    shape -= piece(30, 24, 50, 41);
    shape -= piece(b + 235, 24, b + 255, 41);
    shape += piece(b + 302, 60, b + 447, 435);
    shape += piece(b + 275, 90, b + 312, 405);
    shape -= piece(b + 284, 80, b + 303, 100);
    shape -= piece(b + 284, 395, b + 303, 415);
    return shape;
}

THotAreas BuildHotAreas(const QRegion& shape, const TImageSet& images, QSize glass)
{
    THotAreas areas;
    areas.Glass = QRect(32, 77, glass.width(), glass.height());
    areas.Minimize = QRect(images.MinimizeX, images.MinimizeY, 15, 13);
    areas.Close = QRect(images.CloseX, images.CloseY, 15, 13);
    // A menu button reacts over its upper frame's size.
    const auto button = [](int x, int y, const TBitmap& picture) {
        return QRect(x, y, picture.Width, picture.Height / 2);
    };
    areas.GameButton = button(images.GameButtonX, images.GameButtonY, images.GameButtonImage);
    areas.SettingsButton = button(images.SettingsButtonX, images.SettingsButtonY, images.SettingsButtonImage);
    areas.HelpButton = button(images.HelpButtonX, images.HelpButtonY, images.HelpButtonImage);
    areas.Drag = shape;
    for (const QRect& cut :
        {areas.Glass, areas.Minimize, areas.Close, areas.GameButton, areas.SettingsButton, areas.HelpButton})
        areas.Drag -= cut;
    return areas;
}

} // namespace stakor
