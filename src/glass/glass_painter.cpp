#include "glass/glass_painter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "glass/cell_pattern.h"

namespace stakor {

namespace {

constexpr int CellSize = 20;
constexpr size_t CellRowBytes = 3 * CellSize;
// A shadow pixel is one part the figure's skin to this many parts background.
constexpr int ShadowBackgroundShare = 3;

} // namespace

void DrawCell(TGlass& glass, int x, int y, TGlassCell cell, bool upsideDown)
{
    if (y < 1)
        return;
    if (upsideDown) {
        y = glass.Height() - y + 1;
        const bool bottom = cell.Mask & MaskBottom;
        const bool top = cell.Mask & MaskTop;
        if (bottom != top)
            cell.Mask ^= MaskBottom | MaskTop;
        if (bottom || top)
            std::swap(cell.Colors[0], cell.Colors[2]);
    }

    const int left = (x - 1) * CellSize;
    const int topRow = (y - 1) * CellSize;
    TBitmap& bitmap = glass.Bitmap;
    const TBitmap& background = glass.Background;
    const size_t offset = 3 * static_cast<size_t>(left);
    const uint8_t mask = cell.Mask & MaskWhole;

    if (mask == 0) {
        for (int j = 0; j < CellSize; ++j)
            std::memcpy(bitmap.Row(topRow + j) + offset, background.Row(topRow + j) + offset, CellRowBytes);
        return;
    }

    // A whole cell of one tile without see-through pixels is a plain copy.
    const TBitmap& skin = glass.Skin();
    int tileOf[4];
    for (size_t k = 0; k < 4; ++k)
        tileOf[k] = glass.TileOfColor(cell.Colors[k]);
    if (mask == MaskWhole && tileOf[0] == tileOf[1] && tileOf[0] == tileOf[2] && tileOf[0] == tileOf[3] &&
        glass.TileOpaque(tileOf[0])) {
        const size_t source = CellRowBytes * static_cast<size_t>(tileOf[0]);
        for (int j = 0; j < CellSize; ++j)
            std::memcpy(bitmap.Row(topRow + j) + offset, skin.Row(j) + source, CellRowBytes);
        return;
    }

    // Per pixel, the pattern names the row to take it from: the background's
    // (owner 0) or a triangle's tile row; without a skin, a grey row.
    static constexpr auto MissingRow = [] {
        std::array<uint8_t, CellRowBytes> row{};
        for (size_t i = 0; i < CellRowBytes; i += 3) {
            row[i] = MissingTilePixel.B;
            row[i + 1] = MissingTilePixel.G;
            row[i + 2] = MissingTilePixel.R;
        }
        return row;
    }();
    const uint8_t* tiles[4];
    bool seeThrough = false; // a used tile with black pixels needs a test per pixel
    for (size_t k = 0; k < 4; ++k) {
        tiles[k] = tileOf[k] >= 0 ? skin.Row(0) + CellRowBytes * static_cast<size_t>(tileOf[k]) : nullptr;
        if ((mask >> k) & 1)
            seeThrough = seeThrough || (tiles[k] != nullptr && !glass.TileOpaque(tileOf[k]));
    }

    const TCellPattern& pattern = CellPatterns[mask];
    const uint8_t* rows[5];
    for (int j = 0; j < CellSize; ++j) {
        uint8_t* out = bitmap.Row(topRow + j) + offset;
        rows[0] = background.Row(topRow + j) + offset;
        for (size_t k = 0; k < 4; ++k)
            rows[k + 1] = tiles[k] ? tiles[k] + skin.Stride * static_cast<size_t>(j) : MissingRow.data();
        const uint8_t* owners = pattern.data() + j * CellSize;
        if (!seeThrough) {
            // A run of one owner at a time, four bytes a pixel: each store runs
            // one byte into the next pixel, which is written after it; the
            // cell's last pixel on its own, so nothing spills beyond the cell.
            const TRowRuns& runs = CellRuns[mask][static_cast<size_t>(j)];
            for (size_t r = 0; r < runs.Count; ++r) {
                const TPixelRun run = runs.Runs[r];
                const uint8_t* source = rows[run.Owner];
                const size_t end = run.End == CellSize ? CellSize - 1 : run.End;
                for (size_t i = run.Start; i < end; ++i) {
                    uint32_t pixel;
                    std::memcpy(&pixel, source + 3 * i, 4);
                    std::memcpy(out + 3 * i, &pixel, 4);
                }
            }
            const size_t last = 3 * (CellSize - 1);
            std::memcpy(out + last, rows[owners[CellSize - 1]] + last, 3);
            continue;
        }
        for (size_t i = 0; i < CellSize; ++i) {
            const uint8_t* source = rows[owners[i]] + 3 * i;
            if (owners[i] != 0 && (source[0] | source[1] | source[2]) == 0)
                source = rows[0] + 3 * i; // black is see-through
            std::memcpy(out + 3 * i, source, 3);
        }
    }
}

void DrawShadowCell(
    TGlass& glass, int x, int y, TGlassCell cell, uint8_t shadowMask, uint8_t shadowColor, bool upsideDown)
{
    if (y < 1)
        return;
    shadowMask = static_cast<uint8_t>(shadowMask & ~cell.Mask & MaskWhole);
    for (size_t k = 0; k < 4; ++k)
        if ((shadowMask >> k) & 1)
            cell.Colors[k] = shadowColor;
    cell.Mask = static_cast<uint8_t>(cell.Mask | shadowMask);
    // Drawn as if the figure lay there, then its triangles fade.
    DrawCell(glass, x, y, cell, upsideDown);

    uint8_t mask = cell.Mask & MaskWhole;
    if (upsideDown) {
        // Mirrored as DrawCell mirrors: the bottom and top triangles change places.
        const auto mirror = [](uint8_t m) {
            return static_cast<uint8_t>((m & (MaskLeft | MaskRight)) | (m & MaskBottom ? MaskTop : 0) |
                (m & MaskTop ? MaskBottom : 0));
        };
        mask = mirror(mask);
        shadowMask = mirror(shadowMask);
        y = glass.Height() - y + 1;
    }
    const TCellPattern& pattern = CellPatterns[mask];
    const int left = (x - 1) * CellSize;
    const int topRow = (y - 1) * CellSize;
    for (int j = 0; j < CellSize; ++j) {
        uint8_t* out = glass.Bitmap.Row(topRow + j) + 3 * static_cast<size_t>(left);
        const uint8_t* back = glass.Background.Row(topRow + j) + 3 * static_cast<size_t>(left);
        for (int i = 0; i < CellSize; ++i) {
            const uint8_t owner = pattern[static_cast<size_t>(j * CellSize + i)];
            if (owner == 0 || !((shadowMask >> (owner - 1)) & 1))
                continue;
            for (size_t c = 3 * static_cast<size_t>(i); c < 3 * static_cast<size_t>(i) + 3; ++c)
                out[c] = static_cast<uint8_t>((out[c] + ShadowBackgroundShare * back[c]) / (ShadowBackgroundShare + 1));
        }
    }
}

void DimGlass(TGlass& glass)
{
    TBitmap& bitmap = glass.Bitmap;
    const size_t bytes = 3 * static_cast<size_t>(bitmap.Width);
    for (int y = 0; y < bitmap.Height; ++y) {
        uint8_t* out = bitmap.Row(y);
        const uint8_t* back = glass.Background.Row(y);
        for (size_t i = 0; i < bytes; ++i)
            out[i] = static_cast<uint8_t>((out[i] + back[i]) >> 1);
    }
}

void DrawNotice(TBitmap& bitmap, const TBitmap& picture, TPixel noticeColor)
{
    const int w = picture.Width;
    const int h = picture.Height;
    const int x0 = (bitmap.Width - w) / 2;
    const int y0 = (bitmap.Height - h) / 2;

    // The factor is a single-precision 0.45; the sum is exact in double.
    const double f = static_cast<double>(0.45f);
    const uint8_t target[3] = {noticeColor.B, noticeColor.G, noticeColor.R};
    for (int y = std::max(0, y0 - 6); y <= std::min(bitmap.Height - 1, y0 + h + 5); ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int x = std::max(0, x0 - 6); x <= std::min(bitmap.Width - 1, x0 + w + 5); ++x)
            for (int c = 0; c < 3; ++c) {
                uint8_t& byte = row[3 * x + c];
                byte = static_cast<uint8_t>(std::nearbyint((1 - f) * byte + f * target[c]));
            }
    }

    // A one-pixel frame just outside the box.
    const int left = x0 - 7, top = y0 - 7, right = x0 + w + 6, bottom = y0 + h + 6;
    bitmap.FillRect(left, top, right, top, noticeColor);
    bitmap.FillRect(left, bottom, right, bottom, noticeColor);
    bitmap.FillRect(left, top, left, bottom, noticeColor);
    bitmap.FillRect(right, top, right, bottom, noticeColor);

    if (picture.Empty())
        return;
    const TPixel transparent = picture.Pixel(0, h - 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int bx = x0 + x, by = y0 + y;
            const TPixel pixel = picture.Pixel(x, y);
            if (pixel != transparent && bx >= 0 && by >= 0 && bx < bitmap.Width && by < bitmap.Height)
                bitmap.SetPixel(bx, by, pixel);
        }
}

std::string TwoDigits(uint32_t number)
{
    std::string text = std::to_string(number);
    return text.size() == 1 ? "0" + text : text;
}

std::string TimeText(uint32_t timeMs)
{
    const uint32_t s = timeMs / 1000;
    const uint32_t sec = s % 60;
    const uint32_t minutes = (s - sec) / 60;
    const uint32_t hours = minutes / 60;
    if (hours >= 10)
        return "CRAZY";
    return std::to_string(hours) + ":" + TwoDigits(minutes % 60) + ":" + TwoDigits(sec);
}

static QFont TimeFont()
{
    // Bold at 10 pixels the widest time, "0:00:00" to "9:59:59" alike, ends
    // two columns inside the box. Without hinting the glyphs keep their
    // widths whatever the desktop's font settings; a substitute face that is
    // wider still is narrowed to fit.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    constexpr int room = 43;
    const int widest = QFontMetrics(font).horizontalAdvance(QStringLiteral("0:00:00"));
    if (widest > room)
        font.setStretch(std::max(50, 100 * room / widest));
    return font;
}

void DrawTime(TBitmap& bitmap, uint32_t timeMs)
{
    const int w = bitmap.Width;
    constexpr TPixel outline = ColorToPixel(0xFF8060);
    constexpr TPixel fill = ColorToPixel(0xFFC080);
    // The box's top and right outline lie outside the picture.
    bitmap.FillRect(w - 47, -1, w, 13, outline);
    bitmap.FillRect(w - 46, 0, w - 1, 12, fill);

    if (QGuiApplication::instance() == nullptr || bitmap.Empty())
        return;
    const std::string text = TimeText(timeMs);
    const bool crazy = text == "CRAZY";
    const uint32_t sec = timeMs / 1000 % 60;
    const TPixel ink = !crazy ? TPixel{255, 255, 255} : sec % 20 < 10 ? ColorToPixel(0x33FF33) : ColorToPixel(0x00FFFF);

    QImage image(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, static_cast<qsizetype>(bitmap.Stride),
        QImage::Format_BGR888);
    QPainter painter(&image);
    painter.setFont(TimeFont());
    painter.setPen(QColor(ink.R, ink.G, ink.B));
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(QColor(fill.R, fill.G, fill.B));
    // Clipped to the box's inside, so the text never covers its outline.
    const int x = crazy ? w - 44 : w - 45;
    painter.setClipRect(w - 46, 0, 46, 13);
    painter.drawText(QRect(x, 0, w - x, 13), Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(text));
}

void FillBackground(TGlass& glass, TPixel color)
{
    glass.Background.FillRect(0, 0, 20 * glass.Width() - 1, 20 * glass.Height() - 1, color);
}

void DrawGrid(TGlass& glass, TPixel color)
{
    const int w = 20 * glass.Width();
    const int h = 20 * glass.Height();
    for (int i = 1; i < glass.Height(); ++i)
        glass.Background.FillRect(0, 20 * i - 1, w - 1, 20 * i - 1, color);
    for (int i = 1; i < glass.Width(); ++i)
        glass.Background.FillRect(20 * i - 1, 0, 20 * i - 1, h - 1, color);
}

} // namespace stakor
