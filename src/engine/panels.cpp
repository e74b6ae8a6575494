#include "engine/panels.h"

#include <algorithm>
#include <bit>
#include <string>

#include "engine/figures.h"
#include "engine/game.h"
#include "glass/cell_pattern.h"
#include "glass/glass.h"
#include "glass/glass_painter.h"

namespace stakor {

namespace {

constexpr int GlyphWidth = 12;
constexpr int GlyphStep = 13; // one column of background between glyphs

// Copies the glyphs of `text` into `image`, the first one's left edge at x and
// the glyphs' top row at y.
void DrawDigits(TBitmap& image, const std::string& text, int x, int y, const TBitmap& digits)
{
    for (int r = 0; r < digits.Height; ++r) {
        if (y + r < 0 || y + r >= image.Height)
            continue;
        for (size_t i = 0; i < text.size(); ++i) {
            const int glyph = text[i] - '0';
            for (int c = 0; c < GlyphWidth; ++c) {
                const int sx = GlyphWidth * glyph + c;
                const int dx = x + GlyphStep * static_cast<int>(i) + c;
                if (sx < digits.Width && dx >= 0 && dx < image.Width)
                    image.SetPixel(dx, y + r, digits.Pixel(sx, r));
            }
        }
    }
}

} // namespace

TBitmap ScoreBitmap(int32_t score, const TBitmap& digits)
{
    TBitmap image(ScoreWidth, ScoreHeight);
    const std::string text = score > 199999998 ? "199999999" : std::to_string(std::max(score, 0));
    const int len = static_cast<int>(text.size());
    DrawDigits(image, text, (ScoreWidth - 1) - GlyphStep * len, 2, digits);
    return image;
}

void ScoreFadeFrame(const TBitmap& before, const TBitmap& after, int frame, TBitmap& out)
{
    out.Resize(after.Width, after.Height);
    const bool sameSize = before.Width == after.Width && before.Height == after.Height;
    for (int y = 0; y < after.Height; ++y) {
        const uint8_t* b = sameSize ? before.Row(y) : nullptr;
        const uint8_t* a = after.Row(y);
        uint8_t* o = out.Row(y);
        for (int x = 0; x < 3 * after.Width; ++x) {
            int v = ((b ? b[x] : 0) * (4 - frame) + a[x] * frame) / 4;
            if (x % 3 == 1 && v != 0) // green glows
                v = std::min(255, v + (5 - frame) * 16);
            o[x] = static_cast<uint8_t>(v);
        }
    }
}

void DrawLevelBitmap(TBitmap& image, int32_t level, int32_t levelLines, const TBitmap& digits)
{
    image.Resize(LevelWidth, LevelHeight);
    const int w = image.Width;
    const std::string text = std::to_string(level);
    DrawDigits(image, text, (w - GlyphStep * static_cast<int>(text.size())) / 2, 8, digits);

    constexpr TPixel frame{0, 204, 0};
    constexpr TPixel removed{102, 51, 240};
    constexpr TPixel needed{0, 153, 0};
    image.FillRect(2, 2, w - 3, 5, frame);
    if (level >= 1 && level < MaxLevel) {
        const int n = (w - 3) * levelLines / LinesPerLevel[static_cast<size_t>(level - 1)];
        image.FillRect(3, 3, std::min(n, w - 4), 4, removed);
        image.FillRect(std::max(n + 3, 3), 3, w - 4, 4, needed);
    }
}

void PaintLifeBar(TBitmap& life, const TGlass& glass, bool upsideDown, const TLifeColors& colors)
{
    int filled = 0;
    int top = glass.Height() + 1;
    for (int y = glass.Height(); y >= 1; --y)
        for (int x = 1; x <= glass.Width(); ++x) {
            const int bits = std::popcount(static_cast<unsigned>(glass.Cell(x, y).Mask & MaskWhole));
            filled += bits;
            if (bits)
                top = y;
        }
    const int h = life.Height;
    const int fillH = filled * h / (glass.Width() * glass.Height() * 4);
    const int freeH = h * (top - 1) / glass.Height();
    if (!upsideDown) {
        DrawRegionOnLifeBar(life, h - fillH, h - 1, colors.Fill);
        DrawRegionOnLifeBar(life, freeH, h - fillH - 1, colors.Gap);
        DrawRegionOnLifeBar(life, 0, freeH - 1, colors.Free);
    } else {
        DrawRegionOnLifeBar(life, 0, fillH - 1, colors.Fill);
        DrawRegionOnLifeBar(life, fillH, h - freeH - 1, colors.Gap);
        DrawRegionOnLifeBar(life, h - freeH, h - 1, colors.Free);
    }
}

void DrawRegionOnLifeBar(TBitmap& life, int firstRow, int lastRow, TPixel color)
{
    if (lastRow >= firstRow)
        life.FillRect(0, firstRow, life.Width - 1, lastRow, color);
}

void DrawNextFigureBitmap(TBitmap& image, const TFigure& next, const TGlass& glass, bool upsideDown)
{
    image.FillBlack();
    if (next.Number < 1 || next.Number > FigureCount || next.Rotation < 1 || next.Rotation > 4)
        return;
    const TShape& shape = FigureShape(next.Number, next.Rotation);
    const int offX = (5 - shape.MaxX + shape.MinX) * 10;
    const int offY = (5 - shape.MaxY + shape.MinY) * 10;
    const TBitmap& skin = glass.Skin();
    const int tile = glass.TileOfColor(next.Color);

    for (int k = 0; k < shape.Count; ++k) {
        const TShapeCell& c = shape.Cells[static_cast<size_t>(k)];
        uint8_t mask = c.Mask;
        const int left = offX + (c.X - shape.MinX) * 20;
        int top = offY + (c.Y - shape.MinY) * 20;
        if (upsideDown) {
            top = offY + (shape.MaxY - c.Y) * 20;
            const uint8_t vertical = mask & (MaskBottom | MaskTop);
            if (vertical == MaskBottom || vertical == MaskTop)
                mask ^= MaskBottom | MaskTop;
        }
        const TCellPattern& pattern = CellPatterns[mask];
        for (int j = 0; j < 20; ++j)
            for (int i = 0; i < 20; ++i) {
                if (mask != MaskWhole && pattern[static_cast<size_t>(j * 20 + i)] == 0)
                    continue;
                const int x = left + i, y = top + j;
                if (x < 0 || y < 0 || x >= image.Width || y >= image.Height)
                    continue;
                image.SetPixel(x, y, tile >= 0 ? skin.Pixel(20 * tile + i, j) : MissingTilePixel);
            }
    }
}

} // namespace stakor
