#include "icon.h"

#include <array>
#include <cmath>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "canvas.h"
#include "glass/glass.h"

namespace stakor::help_art {

namespace {

constexpr int TilePixels = 20;

struct TIconCell {
    int Column, Row; // in cells, from the top left of the V
    uint8_t Mask; // triangles, as in the glass
    int Tile; // skin tile
};

// One triangle of a cell, as a path in the icon.
QPainterPath Triangle(const QRectF& cell, uint8_t bit)
{
    const QPointF centre = cell.center();
    QPolygonF polygon;
    switch (bit) {
    case MaskBottom:
        polygon << cell.bottomLeft() << cell.bottomRight() << centre;
        break;
    case MaskLeft:
        polygon << cell.topLeft() << cell.bottomLeft() << centre;
        break;
    case MaskTop:
        polygon << cell.topLeft() << cell.topRight() << centre;
        break;
    default:
        polygon << cell.topRight() << cell.bottomRight() << centre;
        break;
    }
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    return path;
}

// The cell's triangles filled from the skin tile magnified to the cell; the
// triangles of one cell are joined first, so no seam shows between them.
void DrawCell(QPainter& painter, const QImage& skin, const QRectF& cell, uint8_t mask, int tile)
{
    const int side = static_cast<int>(std::lround(cell.width()));
    const QImage texture = skin.copy(tile * TilePixels, 0, TilePixels, TilePixels)
                               .scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainterPath shape;
    for (const uint8_t bit : {MaskBottom, MaskLeft, MaskTop, MaskRight})
        if (mask & bit)
            shape = shape.united(Triangle(cell, bit));
    QBrush brush(texture);
    brush.setTransform(QTransform::fromTranslate(cell.left(), cell.top()));
    painter.fillPath(shape.simplified(), brush);
}

} // namespace

QImage ProgramIcon(const TBitmap& skinBitmap, int size)
{
    const QImage skin = ToImage(skinBitmap);
    const int special = skinBitmap.Width / TilePixels - 1;
    // The V: two arms of whole cells that turn into half cells and meet in a
    // point, and the falling triangle of the last tile above the notch.
    const std::array<TIconCell, 7> cells = {{
        {0, 0, MaskWhole, 1}, {0, 1, MaskTop | MaskRight, 1}, {2, 0, MaskWhole, 3}, {2, 1, MaskLeft | MaskTop, 3},
        {1, 1, MaskWhole, 5}, {1, 2, MaskTop, 5}, {1, 0, MaskTop, special}, // the falling triangle, above its place
    }};

    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);

    // The rounded square, lighter at the top.
    const double s = size;
    const QRectF square(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
    QLinearGradient gradient(square.topLeft(), square.bottomLeft());
    gradient.setColorAt(0.0, QColor(36, 82, 156));
    gradient.setColorAt(1.0, QColor(10, 28, 70));
    painter.setPen(QPen(QColor(120, 160, 220), std::max(1.0, s / 128)));
    painter.setBrush(gradient);
    painter.drawRoundedRect(square, s * 0.17, s * 0.17);

    const double cell = std::round(s * 0.22);
    const double left = std::round((s - 3 * cell) / 2);
    const double top = std::round((s - 2.5 * cell) / 2 + cell * 0.12);
    for (const TIconCell& c : cells) {
        double y = top + c.Row * cell;
        if (c.Tile == special)
            y -= cell * 0.55; // still falling
        DrawCell(painter, skin, QRectF(left + c.Column * cell, y, cell, cell), c.Mask, c.Tile);
    }
    painter.end();
    return icon;
}

} // namespace stakor::help_art
