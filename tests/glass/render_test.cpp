#include <gtest/gtest.h>

#include <map>

#include "glass/cell_pattern.h"
#include "glass/glass_painter.h"
#include "pictures.h"
#include "world.h"

namespace stakor::test {
namespace {

constexpr int Bottom = 1, Left = 2, Top = 3, Right = 4; // owners, as colour slots + 1

// The owner of a pixel shared by two triangles of a mask, pair by pair.
int SharedOwner(int mask, int a, int b)
{
    const std::map<std::pair<int, int>, int> owners = {
        {{Bottom, Left},
            mask == 7        ? Left
                : mask == 15 ? Left
                             : Bottom},
        {{Bottom, Right}, mask == 13 || mask == 15 ? Right : Bottom},
        {{Left, Top}, mask == 7 ? Left : Top},
        {{Top, Right}, mask == 13 ? Right : Top},
    };
    return owners.at({std::min(a, b), std::max(a, b)});
}

bool Inside(int triangle, int i, int j)
{
    switch (triangle) {
    case Top:
        return j <= 9 && j <= i && i <= 19 - j;
    case Bottom:
        return j >= 10 && 19 - j <= i && i <= j;
    case Left:
        return i <= std::min(j, 19 - j);
    default:
        return i >= std::max(j, 19 - j);
    }
}

TEST(CellPatterns, EachPixelShowsItsTriangleAndSharedOnesFollowTheTable)
{
    const int bitOf[5] = {0, 1, 2, 4, 8};
    for (int mask = 1; mask < 16; ++mask)
        for (int j = 0; j < 20; ++j)
            for (int i = 0; i < 20; ++i) {
                std::vector<int> in;
                for (int t = Bottom; t <= Right; ++t)
                    if ((mask & bitOf[t]) && Inside(t, i, j))
                        in.push_back(t);
                const int expected = in.empty() ? 0 : in.size() == 1 ? in[0] : SharedOwner(mask, in[0], in[1]);
                ASSERT_LE(in.size(), 2u);
                ASSERT_EQ(CellPatterns[mask][j * 20 + i], expected) << "mask " << mask << " at " << i << "," << j;
            }
}

TEST(CellPatterns, WholeCellSplitsAsDescribed)
{
    const TCellPattern& whole = CellPatterns[15];
    int count[5] = {};
    for (const uint8_t owner : whole)
        ++count[owner];
    EXPECT_EQ(count[0], 0);
    EXPECT_EQ(count[Top], 110); // the top takes all of its pixels
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(whole[i], Top); // row 0
        EXPECT_EQ(whole[10 * 20 + i], i < 10 ? Left : Right); // row 10
        EXPECT_EQ(whole[19 * 20 + i], i == 0 ? Left : i == 19 ? Right : Bottom);
    }
    for (const int mask : {1, 2, 4, 8}) {
        int pixels = 0;
        for (const uint8_t owner : CellPatterns[mask])
            pixels += owner != 0;
        EXPECT_EQ(pixels, 110);
    }
}

struct TPaintWorld {
    TPaintWorld()
    {
        glass.SetSkin(NumberedSkin(8));
        FillNumberedBackground(glass);
    }
    TRandom random;
    TGlass glass{random};
};

TEST(DrawCell, EveryMaskInBothOrientations)
{
    TPaintWorld w;
    TGlass& glass = w.glass;
    for (const bool upsideDown : {false, true})
        for (int mask = 0; mask < 16; ++mask) {
            const TGlassCell cell{static_cast<uint8_t>(mask), {1, 2, 3, 4}}; // a tile per triangle
            const int x = mask % 12 + 1, y = mask / 12 + 3;
            DrawCell(glass, x, y, cell, upsideDown);
            // Upside down: the mirrored row, and the mask and colours mirrored top to bottom.
            const int row = upsideDown ? glass.Height() - y + 1 : y;
            int shown = mask;
            int colors[5] = {0, 1, 2, 3, 4};
            if (upsideDown && ((mask & 1) != 0) != ((mask & 4) != 0))
                shown ^= 5;
            if (upsideDown && (mask & 5))
                std::swap(colors[Bottom], colors[Top]);
            for (int j = 0; j < 20; ++j)
                for (int i = 0; i < 20; ++i) {
                    const int px = (x - 1) * 20 + i, py = (row - 1) * 20 + j;
                    const int owner = CellPatterns[shown][j * 20 + i];
                    const TPixel expected = owner ? SkinPixel(colors[owner], i, j) : BackgroundPixel(px, py);
                    ASSERT_EQ(glass.Bitmap.Pixel(px, py), expected)
                        << "mask " << mask << (upsideDown ? " upside down" : "") << " at " << i << "," << j;
                }
        }
}

TEST(DrawCell, UpsideDownHalfCellAndTopBottomPair)
{
    TPaintWorld w;
    // A lower-left half in row 18 shows as an upper-left half in row 1.
    DrawCell(w.glass, 2, 18, {3, {5, 6, 0, 0}}, true);
    EXPECT_EQ(w.glass.Bitmap.Pixel(20 + 5, 2), SkinPixel(5, 5, 2)); // top triangle, the bottom's colour
    EXPECT_EQ(w.glass.Bitmap.Pixel(20 + 1, 10), SkinPixel(6, 1, 10)); // left keeps its colour
    EXPECT_EQ(w.glass.Bitmap.Pixel(20 + 10, 19), BackgroundPixel(30, 19));
    // Top and bottom together keep the mask and swap colours.
    DrawCell(w.glass, 3, 18, {5, {1, 0, 2, 0}}, true);
    EXPECT_EQ(w.glass.Bitmap.Pixel(40 + 10, 0), SkinPixel(1, 10, 0));
    EXPECT_EQ(w.glass.Bitmap.Pixel(40 + 10, 19), SkinPixel(2, 10, 19));
}

TEST(DrawCell, BlackSkinPixelsAndMissingTiles)
{
    TPaintWorld w;
    TBitmap skin = NumberedSkin(3);
    skin.SetPixel(20 * 1 + 4, 7, {}); // see-through
    skin.SetPixel(20 * 1 + 5, 7, {0, 0, 1}); // nearly black is drawn
    w.glass.SetSkin(skin);
    EXPECT_TRUE(w.glass.TileOpaque(0));
    EXPECT_FALSE(w.glass.TileOpaque(1));
    DrawCell(w.glass, 1, 1, {15, {1, 1, 1, 1}}, false);
    EXPECT_EQ(w.glass.Bitmap.Pixel(4, 7), BackgroundPixel(4, 7));
    EXPECT_EQ(w.glass.Bitmap.Pixel(5, 7), (TPixel{0, 0, 1}));
    EXPECT_EQ(w.glass.Bitmap.Pixel(6, 7), SkinPixel(1, 6, 7));
    // Colours beyond a three-tile skin wrap round its tiles (3 and 255 are
    // tile 0, 4 is tile 1, 5 is tile 2), the see-through pixels included.
    DrawCell(w.glass, 2, 1, {15, {3, 3, 255, 3}}, false);
    EXPECT_EQ(w.glass.Bitmap.Pixel(30, 2), SkinPixel(0, 10, 2));
    DrawCell(w.glass, 3, 1, {15, {4, 5, 255, 3}}, false);
    EXPECT_EQ(w.glass.Bitmap.Pixel(40 + 10, 19), SkinPixel(1, 10, 19)); // bottom
    EXPECT_EQ(w.glass.Bitmap.Pixel(40 + 0, 10), SkinPixel(2, 0, 10)); // left
    EXPECT_EQ(w.glass.Bitmap.Pixel(40 + 10, 0), SkinPixel(0, 10, 0)); // top
    EXPECT_EQ(w.glass.Bitmap.Pixel(40 + 19, 10), SkinPixel(0, 19, 10)); // right
    DrawCell(w.glass, 4, 1, {MaskLeft, {0, 4, 0, 0}}, false);
    EXPECT_EQ(w.glass.Bitmap.Pixel(60 + 4, 7), BackgroundPixel(60 + 4, 7)); // tile 1's black pixel
    EXPECT_EQ(w.glass.Bitmap.Pixel(60 + 5, 7), (TPixel{0, 0, 1}));
    // Only without a skin is there no tile: grey.
    w.glass.SetSkin(TBitmap(30, 10));
    DrawCell(w.glass, 2, 1, {15, {3, 3, 255, 3}}, false);
    EXPECT_EQ(w.glass.Bitmap.Pixel(30, 2), MissingTilePixel);
    // Rows above the glass are never drawn.
    const TBitmap before = w.glass.Bitmap;
    DrawCell(w.glass, 1, 0, {15, {0, 0, 0, 0}}, false);
    EXPECT_EQ(w.glass.Bitmap.Pixels, before.Pixels);
}

TEST(DrawGrid, LinesOnTheLastPixelOfEachCellNoneAtTheEdges)
{
    for (const int mode : {2, 3}) {
        TRandom random;
        TGlass glass(random);
        glass.SetSize(mode);
        constexpr TPixel back{1, 2, 3}, grid{200, 100, 50};
        FillBackground(glass, back);
        DrawGrid(glass, grid);
        const int w = 20 * glass.Width(), h = 20 * glass.Height();
        int rows = 0, columns = 0;
        for (int y = 0; y < h; ++y)
            rows += glass.Background.Pixel(3, y) == grid;
        for (int x = 0; x < w; ++x)
            columns += glass.Background.Pixel(x, 3) == grid;
        EXPECT_EQ(rows, mode == 2 ? 17 : 24);
        EXPECT_EQ(columns, mode == 2 ? 11 : 17);
        EXPECT_EQ(glass.Background.Pixel(3, 19), grid);
        EXPECT_EQ(glass.Background.Pixel(19, 3), grid);
        EXPECT_EQ(glass.Background.Pixel(3, 20), back);
        EXPECT_EQ(glass.Background.Pixel(w - 1, h - 1), back);
        EXPECT_EQ(glass.Background.Pixel(0, 0), back);
    }
}

TEST(DimGlass, HalfWayToTheBackgroundTruncated)
{
    TPaintWorld w;
    w.glass.Bitmap.FillRect(0, 0, 239, 359, {11, 100, 255});
    FillBackground(w.glass, {0, 51, 200});
    DimGlass(w.glass);
    EXPECT_EQ(w.glass.Bitmap.Pixel(0, 0), (TPixel{5, 75, 227}));
    EXPECT_EQ(w.glass.Bitmap.Pixel(239, 359), (TPixel{5, 75, 227}));
}

TEST(DrawNotice, BlendFrameAndTransparentPicture)
{
    TBitmap glass(240, 360);
    glass.FillRect(0, 0, 239, 359, {10, 200, 100});
    TBitmap picture(140, 34);
    picture.FillRect(0, 0, 139, 33, {255, 255, 255});
    picture.SetPixel(0, 0, {0, 0, 255});
    DrawNotice(glass, picture, ColorToPixel(0xFF9918));

    // The picture lands at (50, 163); the box reaches 6 pixels around it.
    constexpr TPixel blended{120, 179, 66};
    EXPECT_EQ(glass.Pixel(50, 163), (TPixel{0, 0, 255}));
    EXPECT_EQ(glass.Pixel(51, 163), blended); // white is see-through
    EXPECT_EQ(glass.Pixel(44, 157), blended);
    EXPECT_EQ(glass.Pixel(195, 202), blended);
    // The frame one pixel further out, and nothing beyond it.
    EXPECT_EQ(glass.Pixel(43, 156), ColorToPixel(0xFF9918));
    EXPECT_EQ(glass.Pixel(196, 203), ColorToPixel(0xFF9918));
    EXPECT_EQ(glass.Pixel(120, 156), ColorToPixel(0xFF9918));
    EXPECT_EQ(glass.Pixel(42, 156), (TPixel{10, 200, 100}));
    EXPECT_EQ(glass.Pixel(120, 204), (TPixel{10, 200, 100}));

    // 0.45 held in single precision: 30 * 0.45f is just below 13.5.
    TBitmap dark(40, 40);
    DrawNotice(dark, TBitmap(2, 2), {30, 255, 10});
    EXPECT_EQ(dark.Pixel(20, 20), (TPixel{13, 115, 4}));

    // The game-over picture of the big glass.
    TBitmap big(360, 500);
    TBitmap gameOver(214, 34);
    gameOver.FillRect(0, 0, 213, 33, {255, 255, 255});
    gameOver.SetPixel(1, 1, {1, 2, 3});
    DrawNotice(big, gameOver, {0, 0, 0});
    EXPECT_EQ(big.Pixel(74, 234), (TPixel{1, 2, 3}));
}

TEST(DrawTime, BoxAndText)
{
    EXPECT_EQ(TimeText(0), "0:00:00");
    EXPECT_EQ(TimeText(5 * 60 * 1000 + 9 * 1000 + 999), "0:05:09");
    EXPECT_EQ(TimeText(35999999), "9:59:59");
    EXPECT_EQ(TimeText(36000000), "CRAZY");
    EXPECT_EQ(TwoDigits(7), "07");
    EXPECT_EQ(TwoDigits(42), "42");

    TBitmap glass(240, 360);
    DrawTime(glass, 1000);
    constexpr TPixel outline = ColorToPixel(0xFF8060), fill = ColorToPixel(0xFFC080);
    EXPECT_EQ(glass.Pixel(193, 0), outline); // left side
    EXPECT_EQ(glass.Pixel(193, 13), outline);
    EXPECT_EQ(glass.Pixel(239, 13), outline); // bottom
    EXPECT_EQ(glass.Pixel(194, 12), fill);
    EXPECT_EQ(glass.Pixel(239, 0), fill); // the top and right outline are outside
    EXPECT_EQ(glass.Pixel(192, 5), TPixel{});
    EXPECT_EQ(glass.Pixel(200, 14), TPixel{});
}

} // namespace
} // namespace stakor::test
