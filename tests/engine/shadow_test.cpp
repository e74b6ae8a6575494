#include <gtest/gtest.h>

#include <algorithm>

#include "world.h"

namespace stakor::test {
namespace {

using TLog = std::vector<std::string>;

// A game with the landing shadow whose figure has fallen into sight.
void StartWithShadow(TWorld& world)
{
    world.Ini.SetShowShadow(true);
    world.Recorder.LogCells = true;
    world.Start();
    for (int i = 0; i < 5; ++i) // every cell in sight
        world.Rules.Tick();
    world.Recorder.Take();
}

size_t Count(const TLog& log, const std::string& prefix)
{
    return static_cast<size_t>(
        std::count_if(log.begin(), log.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
}

TEST(LandingShadow, LiesWhereTheFigureLandsAndChangesNothingOfTheGame)
{
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        TWorld plain(seed), shaded(seed);
        plain.Ini.SetGameStyle(static_cast<int32_t>(seed % 5 + 1));
        shaded.Ini.SetGameStyle(static_cast<int32_t>(seed % 5 + 1));
        plain.Ini.SetGlassTrash(8);
        shaded.Ini.SetGlassTrash(8);
        shaded.Ini.SetShowShadow(true);
        plain.Start();
        shaded.Start();
        for (int figure = 0; figure < 6 && plain.Game.Running; ++figure) {
            plain.Control.LeftKey();
            shaded.Control.LeftKey();
            const TFigure landing = shaded.Figures.LandingPlace();
            while (shaded.Figures.CanMoveDown() && shaded.Rules.Tick()) {
            }
            EXPECT_EQ(shaded.Figures.Current, landing) << seed;
            plain.TickUntilLanding();
            shaded.TickUntilLanding();
            // The figure came to rest where its shadow was, and both games went alike.
            EXPECT_EQ(shaded.Glass.Overflow, plain.Glass.Overflow);
            EXPECT_EQ(shaded.Game.Score, plain.Game.Score);
            EXPECT_EQ(shaded.Random.Seed, plain.Random.Seed);
            EXPECT_EQ(shaded.Figures.Current, plain.Figures.Current);
            for (int y = -4; y <= plain.Glass.Height(); ++y)
                for (int x = 1; x <= plain.Glass.Width(); ++x)
                    ASSERT_EQ(shaded.Glass.Cell(x, y), plain.Glass.Cell(x, y)) << seed << " " << x << "," << y;
        }
    }
}

TEST(LandingShadow, AFallRedrawsOnlyTheFigureAndAMoveOnlyWhatChanged)
{
    TWorld world;
    StartWithShadow(world);
    const TFigure landing = world.Figures.LandingPlace();
    const TShape& shape = FigureShape(world.Figures.Current.Number, world.Figures.Current.Rotation);
    ASSERT_GT(landing.Y, world.Figures.Current.Y + 6); // far above its landing: the two do not touch
    for (int i = 0; i < shape.Count; ++i)
        ASSERT_GE(world.Figures.Current.Y + shape.Cells[static_cast<size_t>(i)].Y - 1, 1);

    // A fall leaves the shadow where it is: the figure's cells are drawn, erased and drawn.
    world.Rules.Tick();
    TLog log = world.Recorder.Take();
    EXPECT_EQ(Count(log, "cell "), 2u * static_cast<size_t>(shape.Count));
    EXPECT_EQ(Count(log, "shadow "), 0u);

    // A move to the side moves the shadow too: its old cells go back to the
    // glass, its new ones are drawn faint.
    world.Control.LeftKey();
    log = world.Recorder.Take();
    const TFigure moved = world.Figures.LandingPlace();
    ASSERT_EQ(moved.X, landing.X - 1);
    size_t left = 0; // old shadow cells the new shadow does not cover
    for (int i = 0; i < shape.Count; ++i) {
        const TShapeCell& c = shape.Cells[static_cast<size_t>(i)];
        bool covered = false;
        for (int k = 0; k < shape.Count; ++k) {
            const TShapeCell& d = shape.Cells[static_cast<size_t>(k)];
            covered = covered || (landing.X + c.X == moved.X + d.X && landing.Y + c.Y == moved.Y + d.Y);
        }
        left += covered ? 0 : 1;
    }
    ASSERT_GT(left, 0u);
    EXPECT_EQ(Count(log, "shadow "), static_cast<size_t>(shape.Count));
    EXPECT_EQ(Count(log, "cell "), 2u * static_cast<size_t>(shape.Count) + left);

    // The full redraw of a pause draws the shadow whole again.
    world.Control.PauseMenuItemClick();
    log = world.Recorder.Take();
    EXPECT_EQ(Count(log, "shadow "), static_cast<size_t>(shape.Count));
}

TEST(LandingShadow, OffByDefaultAndThenNeverDrawn)
{
    TWorld world;
    EXPECT_FALSE(world.Ini.ShowShadow());
    world.Recorder.LogCells = true;
    world.Start();
    for (int i = 0; i < 30; ++i) {
        world.Rules.Tick();
        world.Control.LeftKey();
    }
    EXPECT_EQ(Count(world.Recorder.Take(), "shadow "), 0u);
}

} // namespace
} // namespace stakor::test
