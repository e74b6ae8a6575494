#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/panels.h"
#include "glass/cell_pattern.h"
#include "glass/glass_painter.h"
#include "pictures.h"
#include "world.h"

namespace stakor::test {
namespace {

// Ten glyphs of 12 x 19; glyph d's pixel (c, r) is (d + 1, c + 1, r + 1).
TBitmap NumberedDigits()
{
    TBitmap digits(120, 19);
    for (int d = 0; d < 10; ++d)
        for (int r = 0; r < 19; ++r)
            for (int c = 0; c < 12; ++c)
                digits.SetPixel(12 * d + c, r,
                    {static_cast<uint8_t>(d + 1), static_cast<uint8_t>(c + 1), static_cast<uint8_t>(r + 1)});
    return digits;
}

TPixel Glyph(int d, int c, int r)
{
    return {static_cast<uint8_t>(d + 1), static_cast<uint8_t>(c + 1), static_cast<uint8_t>(r + 1)};
}

TEST(ScorePanel, DigitsEndTwoPixelsFromTheRightEdge)
{
    const TBitmap zero = ScoreBitmap(0, NumberedDigits());
    EXPECT_EQ(zero.Pixel(106, 2), Glyph(0, 0, 0));
    EXPECT_EQ(zero.Pixel(117, 20), Glyph(0, 11, 18));
    EXPECT_EQ(zero.Pixel(105, 2), TPixel{});
    EXPECT_EQ(zero.Pixel(118, 2), TPixel{});
    EXPECT_EQ(zero.Pixel(110, 1), TPixel{});
    EXPECT_EQ(zero.Pixel(110, 21), TPixel{});

    const TBitmap big = ScoreBitmap(2000000000, NumberedDigits());
    // Shown as 199999999: nine glyphs from x = 119 - 117 = 2, one background column between them.
    EXPECT_EQ(big.Pixel(2, 2), Glyph(1, 0, 0));
    EXPECT_EQ(big.Pixel(14, 2), TPixel{});
    EXPECT_EQ(big.Pixel(15, 2), Glyph(9, 0, 0));
    EXPECT_EQ(big.Pixel(117, 5), Glyph(9, 11, 3));
    EXPECT_EQ(ScoreBitmap(199999998, NumberedDigits()).Pixel(117, 2), Glyph(8, 11, 0));
}

TEST(ScorePanel, CrossFadeGlowsGreenAndSettles)
{
    TBitmap before(120, 23), after(120, 23), out;
    before.FillRect(0, 0, 119, 22, {100, 0, 40});
    after.FillRect(0, 0, 119, 22, {20, 200, 0});
    const TPixel frames[5] = {
        {100, 0, 40}, // frame 0: the old picture; green 0 stays 0
        {(100 * 3 + 20) / 4, 50 + 64, 30}, // green (0*3 + 200)/4 + 4*16
        {60, 100 + 48, 20}, {(100 + 20 * 3) / 4, 150 + 32, 10},
        {20, 200 + 16, 0}, // the last frame is the new picture, green + 16
    };
    for (int f = 0; f <= 4; ++f) {
        ScoreFadeFrame(before, after, f, out);
        EXPECT_EQ(out.Pixel(60, 10), frames[f]) << f;
    }
    after.FillRect(0, 0, 0, 0, {0, 250, 0});
    ScoreFadeFrame(before, after, 4, out);
    EXPECT_EQ(out.Pixel(0, 0), (TPixel{0, 255, 0})); // capped
}

struct TLevelCase {
    int Level, LevelLines, RemovedTo; // removed colour on x = 3..RemovedTo, none when < 3
};

TEST(LevelPanel, BarShowsTheRowsStillNeeded)
{
    constexpr TPixel frame{0, 204, 0}, removed{102, 51, 240}, needed{0, 153, 0};
    for (const TLevelCase c : {TLevelCase{1, 0, 0}, TLevelCase{1, 1, 22}, TLevelCase{9, 5, 33}, TLevelCase{10, 6, 33},
             TLevelCase{14, 0, 0}, TLevelCase{2, 0, 0}}) {
        TBitmap image;
        DrawLevelBitmap(image, c.Level, c.LevelLines, NumberedDigits());
        ASSERT_EQ(image.Width, 70);
        const int n = c.RemovedTo;
        for (int x = 0; x < 70; ++x) {
            for (const int y : {3, 4}) {
                TPixel expected = x < 2 || x > 67 ? TPixel{} : frame;
                if (x >= 3 && x <= n)
                    expected = removed;
                if (x >= n + 3 && x <= 66)
                    expected = needed;
                ASSERT_EQ(image.Pixel(x, y), expected) << c.Level << "/" << c.LevelLines << " x " << x;
            }
            EXPECT_EQ(image.Pixel(x, 2), x < 2 || x > 67 ? TPixel{} : frame);
            EXPECT_EQ(image.Pixel(x, 5), x < 2 || x > 67 ? TPixel{} : frame);
            EXPECT_EQ(image.Pixel(x, 6), TPixel{});
        }
    }
    // n = 1 or 2: x = 3 (and 4) keep the frame colour.
    TBitmap one;
    DrawLevelBitmap(one, 5, 0, NumberedDigits());
    DrawLevelBitmap(one, 1, 0, NumberedDigits());
    // Level 15: a solid frame-coloured strip, the number centred.
    TBitmap last;
    DrawLevelBitmap(last, 15, 7, NumberedDigits());
    for (int x = 2; x <= 67; ++x)
        EXPECT_EQ(last.Pixel(x, 3), frame);
    EXPECT_EQ(last.Pixel((70 - 26) / 2, 8), Glyph(1, 0, 0));
    EXPECT_EQ(last.Pixel((70 - 26) / 2 + 13, 26), Glyph(5, 0, 18));
    // One digit: centred at (70 - 13) / 2 = 28.
    EXPECT_EQ(one.Pixel(28, 8), Glyph(1, 0, 0));
}

TEST(LifeBar, ShowsFillGapAndFreeSpace)
{
    const TLifeColors colors{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    TWorld world;
    TBitmap life(10, 360);
    PaintLifeBar(life, world.Glass, false, colors);
    for (int y = 0; y < 360; ++y)
        ASSERT_EQ(life.Pixel(9, y), colors.Free);

    world.Glass.Cell(4, 18).Mask = 15;
    PaintLifeBar(life, world.Glass, false, colors);
    EXPECT_EQ(life.Pixel(0, 359), colors.Fill);
    EXPECT_EQ(life.Pixel(0, 358), colors.Gap);
    EXPECT_EQ(life.Pixel(5, 340), colors.Gap);
    EXPECT_EQ(life.Pixel(5, 339), colors.Free);
    EXPECT_EQ(life.Pixel(0, 0), colors.Free);

    PaintLifeBar(life, world.Glass, true, colors);
    EXPECT_EQ(life.Pixel(0, 0), colors.Fill);
    EXPECT_EQ(life.Pixel(0, 1), colors.Gap);
    EXPECT_EQ(life.Pixel(0, 19), colors.Gap);
    EXPECT_EQ(life.Pixel(0, 20), colors.Free);
    EXPECT_EQ(life.Pixel(9, 359), colors.Free);

    // Half cells count their triangles.
    world.Glass.Cell(4, 18).Mask = 0;
    for (int x = 1; x <= 12; ++x)
        world.Glass.Cell(x, 9).Mask = 3; // 24 triangles of 864, top row 9
    PaintLifeBar(life, world.Glass, false, colors);
    EXPECT_EQ(life.Pixel(0, 350), colors.Fill); // fillH = 24 * 360 / 864 = 10
    EXPECT_EQ(life.Pixel(0, 349), colors.Gap);
    EXPECT_EQ(life.Pixel(0, 160), colors.Gap); // freeH = 360 * 8 / 18 = 160
    EXPECT_EQ(life.Pixel(0, 159), colors.Free);
}

TEST(NextFigurePreview, CentredFromTheSkinAndMirroredUpsideDown)
{
    TRandom random;
    TGlass glass(random);
    glass.SetSkin(NumberedSkin(8));
    TBitmap image(120, 120);
    // The square (figure 7): cells x 2..3, y 3..4 -> offX = offY = 40.
    DrawNextFigureBitmap(image, {7, 1, 5, -3, 2, false}, glass, false);
    EXPECT_EQ(image.Pixel(40, 40), SkinPixel(2, 0, 0));
    EXPECT_EQ(image.Pixel(79, 79), SkinPixel(2, 19, 19));
    EXPECT_EQ(image.Pixel(39, 40), TPixel{});
    EXPECT_EQ(image.Pixel(80, 79), TPixel{});

    // Figure 42 rotation 1: ...../..9../.96../...../..... -> x 2..3, y 2..3.
    DrawNextFigureBitmap(image, {42, 1, 0, 0, 3, false}, glass, false);
    const int left = 40, top = 40;
    for (int j = 0; j < 20; ++j)
        for (int i = 0; i < 20; ++i) {
            // Cell (3, 2) holds 9, cell (2, 3) holds 9, cell (3, 3) holds 6.
            EXPECT_EQ(image.Pixel(left + 20 + i, top + j), CellPatterns[9][j * 20 + i] ? SkinPixel(3, i, j) : TPixel{});
            EXPECT_EQ(
                image.Pixel(left + 20 + i, top + 20 + j), CellPatterns[6][j * 20 + i] ? SkinPixel(3, i, j) : TPixel{});
        }
    // Upside down: rows mirrored, 9 shows as 12 and 6 as 3; the tile is not mirrored.
    DrawNextFigureBitmap(image, {42, 1, 0, 0, 3, false}, glass, true);
    for (int j = 0; j < 20; ++j)
        for (int i = 0; i < 20; ++i) {
            EXPECT_EQ(
                image.Pixel(left + 20 + i, top + 20 + j), CellPatterns[12][j * 20 + i] ? SkinPixel(3, i, j) : TPixel{});
            EXPECT_EQ(image.Pixel(left + 20 + i, top + j), CellPatterns[3][j * 20 + i] ? SkinPixel(3, i, j) : TPixel{});
        }
    // A colour that is no tile at all is not read.
    DrawNextFigureBitmap(image, {1, 1, 0, 0, -1, true}, glass, false);
    EXPECT_EQ(image.Pixel(50, 69), MissingTilePixel);
}

TEST(NextFigurePreview, ColoursBeyondTheSkinWrapRoundItsTiles)
{
    // A nine-tile skin changed in mid-game for a six-tile one: the next
    // figure was coloured for the old skin.
    TRandom random;
    TGlass glass(random);
    glass.SetSkin(NumberedSkin(6));
    TBitmap image(120, 120);
    for (const auto& [color, tile] : std::vector<std::pair<int, int>>{{5, 5}, {6, 0}, {8, 2}, {13, 1}}) {
        DrawNextFigureBitmap(image, {7, 1, 5, -3, color, false}, glass, false);
        EXPECT_EQ(image.Pixel(40, 40), SkinPixel(tile, 0, 0)) << "colour " << color;
        EXPECT_EQ(image.Pixel(79, 79), SkinPixel(tile, 19, 19)) << "colour " << color;
    }
    // Without a skin there is no tile to wrap to.
    glass.SetSkin(TBitmap(10, 10));
    DrawNextFigureBitmap(image, {7, 1, 5, -3, 2, false}, glass, false);
    EXPECT_EQ(image.Pixel(40, 40), MissingTilePixel);
}

} // namespace
} // namespace stakor::test
