#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <tuple>

#include "world.h"

namespace stakor::test {
namespace {

// The mask of a triangle turned a quarter clockwise: bottom to left, left to
// top, top to right, right to bottom.
uint8_t TurnMask(uint8_t mask)
{
    return static_cast<uint8_t>(((mask << 1) & 15) | (mask >> 3));
}

using TCellSet = std::set<std::tuple<int, int, int>>;

// The filled cells of a shape, moved so that the smallest x and y are 0.
TCellSet Normalised(const std::array<std::array<uint8_t, 5>, 5>& box)
{
    TCellSet cells;
    int minX = 5, minY = 5;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            if (box[y][x]) {
                minX = std::min(minX, x);
                minY = std::min(minY, y);
            }
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            if (box[y][x])
                cells.insert({x - minX, y - minY, box[y][x]});
    return cells;
}

TEST(FigureTable, EachRotationIsThePreviousTurnedClockwise)
{
    for (int number = 1; number <= FigureCount; ++number) {
        for (int rotation = 1; rotation <= 4; ++rotation) {
            const auto& box = FigureShape(number, rotation).Box;
            std::array<std::array<uint8_t, 5>, 5> turned{};
            // A quarter clockwise with y growing downward: (x, y) goes to (4 - y, x).
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 5; ++x)
                    turned[x][4 - y] = TurnMask(box[y][x]);
            const auto& next = FigureShape(number, rotation % 4 + 1).Box;
            EXPECT_EQ(Normalised(turned), Normalised(next)) << "figure " << number << " rotation " << rotation;
        }
    }
}

TEST(FigureTable, ShapesHaveTheirCellsAndBounds)
{
    // A few shapes stated whole, to catch a misread table.
    const TShape& square = FigureShape(7, 1);
    EXPECT_EQ(square.Count, 4);
    EXPECT_EQ(std::tie(square.MinX, square.MaxX, square.MinY, square.MaxY), std::make_tuple(2, 3, 3, 4));
    const TShape& stick = FigureShape(14, 2);
    EXPECT_EQ(stick.Count, 5);
    EXPECT_EQ(std::tie(stick.MinX, stick.MaxX, stick.MinY, stick.MaxY), std::make_tuple(1, 5, 3, 3));
    const TShape& halves = FigureShape(42, 1); // ...../..9../.96../...../.....
    EXPECT_EQ(halves.Box[1][2], 9);
    EXPECT_EQ(halves.Box[2][1], 9);
    EXPECT_EQ(halves.Box[2][2], 6);
    EXPECT_EQ(FigureShape(1, 1).Box[0][0], 3);
    EXPECT_EQ(FigureShape(2, 4).Box[0][0], 8);
    for (int number = 1; number <= FigureCount; ++number)
        for (int rotation = 1; rotation <= 4; ++rotation) {
            const TShape& shape = FigureShape(number, rotation);
            for (int i = 0; i < shape.Count; ++i) {
                const TShapeCell& c = shape.Cells[static_cast<size_t>(i)];
                EXPECT_EQ(shape.Box[static_cast<size_t>(c.Y - 1)][static_cast<size_t>(c.X - 1)], c.Mask);
            }
        }
}

TEST(ChooseFigure, DrawsColourNumberAndRotationInOrder)
{
    for (int style = 1; style <= 5; ++style) {
        TWorld world(1234u + static_cast<uint32_t>(style));
        world.Ini.SetGameStyle(style);
        TRandom replica(world.Random.Seed);
        for (int i = 0; i < 200; ++i) {
            world.Figures.ChooseFigure();
            const TFigure& f = world.Figures.Next;
            int color = replica.Random(7);
            const TStyleFigures figures = StyleFigures[static_cast<size_t>(style - 1)];
            int number = figures.First + replica.Random(figures.Count);
            bool fallsThrough = false;
            if (style == 5 && replica.Random(100) < 25) {
                number = 1;
                color = 7;
                fallsThrough = true;
            }
            const int rotation = replica.Random(4) + 1;
            ASSERT_EQ(std::tie(f.Color, f.Number, f.FallsThrough, f.Rotation),
                std::tie(color, number, fallsThrough, rotation));
            ASSERT_EQ(world.Random.Seed, replica.Seed);
        }
    }
}

TEST(ChooseFigure, OnlyTheFallingTriangleHasTheLastTile)
{
    TWorld world(99);
    world.Ini.SetGameStyle(5);
    int triangles = 0;
    for (int i = 0; i < 2000; ++i) {
        world.Figures.ChooseFigure();
        const TFigure& f = world.Figures.Next;
        EXPECT_EQ(f.Color == 7, f.FallsThrough);
        EXPECT_EQ(f.Number == 1, f.FallsThrough);
        EXPECT_TRUE(f.FallsThrough || (f.Number >= 32 && f.Number <= 56));
        triangles += f.FallsThrough;
    }
    EXPECT_GT(triangles, 400); // about one in four
    EXPECT_LT(triangles, 600);
}

TEST(ChooseFigure, StartsCentredWithLowestCellsInRowZero)
{
    TWorld world;
    // Figure 7 (the square) and the upright stick, as the player sees them.
    for (const auto& [number, rotation, x, columns] :
        std::vector<std::tuple<int, int, int, std::vector<int>>>{{7, 1, 5, {6, 7}}, {8, 1, 4, {6}}}) {
        world.Ini.SetGameStyle(number == 7 ? 3 : 1);
        // Choose until the figure comes up, then check its place.
        for (int i = 0; i < 500; ++i) {
            world.Figures.ChooseFigure();
            if (world.Figures.Next.Number == number && world.Figures.Next.Rotation == rotation)
                break;
        }
        ASSERT_EQ(world.Figures.Next.Number, number);
        EXPECT_EQ(world.Figures.Next.X, x);
        const TShape& shape = FigureShape(number, rotation);
        std::set<int> used;
        for (int i = 0; i < shape.Count; ++i)
            used.insert(world.Figures.Next.X + shape.Cells[static_cast<size_t>(i)].X - 1);
        EXPECT_EQ(used, std::set<int>(columns.begin(), columns.end()));
    }

    // Every shape in both glasses: lowest cells in row 0, inside the walls.
    for (const int mode : {2, 3}) {
        world.Glass.SetSize(mode);
        for (int style = 1; style <= 5; ++style) {
            world.Ini.SetGameStyle(style);
            for (int i = 0; i < 400; ++i) {
                world.Figures.ChooseFigure();
                const TFigure& f = world.Figures.Next;
                const TShape& shape = FigureShape(f.Number, f.Rotation);
                EXPECT_EQ(f.Y + shape.MaxY - 1, 0);
                EXPECT_GE(f.X + shape.MinX - 1, 1);
                EXPECT_LE(f.X + shape.MaxX - 1, world.Glass.Width());
            }
        }
    }
}

TEST(ChooseFigure, StyleOutsideItsRangeTakesTheNearestStyle)
{
    for (const auto& [stored, first, last] :
        std::vector<std::tuple<int, int, int>>{{0, 3, 8}, {-7, 3, 8}, {9, 1, 56}}) {
        TWorld world;
        world.Ini.SetGameStyle(stored);
        for (int i = 0; i < 300; ++i) {
            world.Figures.ChooseFigure();
            const int number = world.Figures.Next.Number;
            EXPECT_TRUE((number >= first && number <= last) && (stored != 9 || number == 1 || number >= 32));
        }
    }
}

// Points of a cell, u across and v down, both 0..1; the triangles' insides.
bool InTriangle(uint8_t bit, double u, double v)
{
    switch (bit) {
    case MaskBottom:
        return v > 0.5 && 1 - v < u && u < v;
    case MaskLeft:
        return u < std::min(v, 1 - v);
    case MaskTop:
        return v < 0.5 && v < u && u < 1 - v;
    default:
        return u > std::max(v, 1 - v);
    }
}

bool InMask(uint8_t mask, double u, double v)
{
    for (const uint8_t bit : {MaskBottom, MaskLeft, MaskTop, MaskRight})
        if ((mask & bit) && InTriangle(bit, u, v))
            return true;
    return false;
}

// Whether a triangle moving one cell down would pass through a filled
// triangle of its own cell or of the cell below, by sampling the area it sweeps.
bool SweepCollides(uint8_t bit, uint8_t own, uint8_t below)
{
    constexpr int N = 48;
    constexpr int Steps = 192;
    for (int i = 0; i < N; ++i) {
        for (int j = 0; j < 2 * N; ++j) {
            const double u = (i + 0.31) / N;
            const double w = (j + 0.57) / N; // 0..2: own cell, then the cell below
            const bool filled = w < 1 ? InMask(own, u, w) : InMask(below, u, w - 1);
            if (!filled)
                continue;
            for (int s = 0; s <= Steps; ++s) {
                const double v = w - static_cast<double>(s) / Steps;
                if (v > 0 && v < 1 && InTriangle(bit, u, v))
                    return true;
            }
        }
    }
    return false;
}

TEST(CanMoveDown, TriangleRulesMatchTheAreaEachTriangleSweeps)
{
    TWorld world;
    for (int rotation = 1; rotation <= 4; ++rotation) {
        const uint8_t bit = FigureShape(2, rotation).Box[0][0];
        for (uint8_t own = 0; own < 16; ++own) {
            if (own & bit)
                continue; // the figure never overlaps the glass
            for (uint8_t below = 0; below < 16; ++below) {
                world.Glass.Clear();
                world.Glass.Cell(5, 5).Mask = own;
                world.Glass.Cell(5, 6).Mask = below;
                world.Figures.Current = {2, rotation, 5, 5, 0, false};
                EXPECT_EQ(world.Figures.CanMoveDown(), !SweepCollides(bit, own, below))
                    << "triangle " << int(bit) << " own " << int(own) << " below " << int(below);
            }
        }
    }
}

TEST(CanMoveDown, FloorAndFullCellsStopEveryTriangle)
{
    TWorld world;
    for (int rotation = 1; rotation <= 4; ++rotation) {
        world.Glass.Clear();
        world.Figures.Current = {2, rotation, 3, world.Glass.Height(), 0, false};
        EXPECT_FALSE(world.Figures.CanMoveDown()) << rotation;
        world.Figures.Current.Y = 4;
        world.Glass.Cell(3, 5).Mask = MaskWhole;
        EXPECT_FALSE(world.Figures.CanMoveDown()) << rotation;
    }
    // A top triangle in a cell whose lower half is filled cannot fall out of it.
    world.Glass.Clear();
    world.Glass.Cell(3, 4).Mask = 3;
    world.Figures.Current = {2, 3, 3, 4, 0, false};
    EXPECT_FALSE(world.Figures.CanMoveDown());
}

TEST(Moves, HalfCellsShareACellAndCompleteIt)
{
    TWorld world;
    world.Start();
    world.Glass.Cell(4, 10) = {6, {2, 2, 2, 2}};
    // Figure 1 rotation 4 is the lower-right half (9).
    world.Figures.Current = {1, 4, 5, 10, 5, true};
    ASSERT_TRUE(world.Figures.CanMoveLeft());
    world.Figures.MoveLeft();
    world.Figures.FixFigure();
    const TGlassCell cell = world.Glass.Cell(4, 10);
    EXPECT_EQ(cell.Mask, 15);
    EXPECT_EQ(cell.Colors, (std::array<uint8_t, 4>{5, 2, 2, 5})); // bottom and right are the figure's
    // Only the target cell counts sideways: the full cell is now in the way.
    world.Figures.Current = {1, 4, 5, 10, 5, true};
    EXPECT_FALSE(world.Figures.CanMoveLeft());
}

TEST(Moves, FallingTriangleDropsThroughFilledCellsIntoTheNextGap)
{
    TWorld world;
    world.Start();
    world.Glass.Clear();
    for (int y = 5; y <= world.Glass.Height(); ++y)
        world.Glass.Cell(6, y).Mask = y == 12 ? 6 : 15;
    world.Figures.Current = {1, 4, 6, 4, 7, true}; // mask 9
    ASSERT_TRUE(world.Figures.CanMoveDown());
    world.Figures.MoveDown();
    EXPECT_EQ(world.Figures.Current.Y, 12);
    EXPECT_FALSE(world.Figures.CanMoveDown());
    world.Figures.FixFigure();
    EXPECT_EQ(world.Glass.Cell(6, 12).Mask, 15);
    EXPECT_EQ(world.Glass.FirstFreeRow(6, world.Glass.Height() + 1, 1), 0);
    EXPECT_EQ(world.Glass.FirstFreeRow(6, 1, 15), 1);
    EXPECT_EQ(world.Glass.FirstFreeRow(6, 5, 15), 0);
}

TEST(Moves, DrawingErasesAndRedrawsOnlyVisibleCells)
{
    TWorld world;
    world.Recorder.LogCells = true;
    world.Figures.Current = {7, 1, 5, -2, 3, false}; // square in rows 0 and 1
    world.Figures.MoveDown(); // now rows 1 and 2
    EXPECT_EQ(world.Recorder.Take(),
        (std::vector<std::string>{
            "cell 6,1=0", "cell 7,1=0", "cell 6,1=15", "cell 7,1=15", "cell 6,2=15", "cell 7,2=15", "present"}));
}

TEST(Rotate, RefusedAtWallsAndFloorAllowedWhenHidden)
{
    TWorld world;
    // The upright stick (figure 8 rotation 1) in column 1 turns to lie across.
    world.Figures.Current = {8, 1, -1, 5, 0, false};
    EXPECT_FALSE(world.Figures.CanRotate(true));
    world.Figures.Current = {8, 1, 2, 5, 0, false};
    EXPECT_TRUE(world.Figures.CanRotate(true));
    world.Figures.Current = {8, 1, world.Glass.Width() - 2, 5, 0, false};
    EXPECT_FALSE(world.Figures.CanRotate(true));
    // The stick lying in the bottom row cannot stand up: it would reach below.
    world.Figures.Current = {8, 2, 4, world.Glass.Height() - 2, 0, false};
    EXPECT_FALSE(world.Figures.CanRotate(true));
    world.Figures.Current.Y -= 2;
    EXPECT_TRUE(world.Figures.CanRotate(true));
    // Partly hidden: no bound above.
    world.Figures.Current = {8, 2, 4, -3, 0, false};
    EXPECT_TRUE(world.Figures.CanRotate(true));
    // A filled cell in the way.
    world.Figures.Current = {8, 2, 4, 5, 0, false};
    world.Glass.Cell(6, 8).Mask = 1;
    EXPECT_FALSE(world.Figures.CanRotate(true));
}

TEST(Rotate, DirectionFollowsUpsideDownMode)
{
    TWorld world;
    world.Figures.Current = {9, 1, 4, 4, 0, false};
    EXPECT_EQ(world.Figures.NextRotation(true), 2);
    EXPECT_EQ(world.Figures.NextRotation(false), 4);
    world.Ini.SetUpSideDownMode(true);
    EXPECT_EQ(world.Figures.NextRotation(true), 4);
    EXPECT_EQ(world.Figures.NextRotation(false), 2);
    world.Figures.Current.Rotation = 4;
    EXPECT_EQ(world.Figures.NextRotation(false), 1);
    world.Figures.Rotate(false);
    EXPECT_EQ(world.Figures.Current.Rotation, 1);
    EXPECT_EQ(world.Recorder.Log.front(), "sound rotate");
}

TEST(FixFigure, CellsAboveTheGlassSetOverflowAndTheOthersStillLand)
{
    TWorld world;
    world.Figures.Current = {8, 1, 4, -1, 2, false}; // column 6, rows -1..2
    world.Figures.FixFigure();
    EXPECT_TRUE(world.Glass.Overflow);
    EXPECT_EQ(world.Glass.Cell(6, 1).Mask, 15);
    EXPECT_EQ(world.Glass.Cell(6, 2).Mask, 15);
    EXPECT_EQ(world.Glass.Cell(6, 0).Mask, 0);
    EXPECT_EQ(world.Glass.Cell(6, 1).Colors, (std::array<uint8_t, 4>{2, 2, 2, 2}));
}

} // namespace
} // namespace stakor::test
