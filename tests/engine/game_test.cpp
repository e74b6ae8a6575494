#include <gtest/gtest.h>

#include "world.h"

namespace stakor::test {
namespace {

using TLog = std::vector<std::string>;

// Drops the current figure where it stands: ticks until it lands, and gives
// what the landing tick logged.
TLog Land(TWorld& world)
{
    while (world.Rules.ClockShouldTick() && world.Figures.CanMoveDown())
        world.Rules.Tick();
    world.Recorder.Take();
    world.Rules.Tick();
    return world.Recorder.Take();
}

// Puts a figure of the caller's choice in play, right above the glass.
void Place(TWorld& world, int number, int rotation, int x)
{
    const TShape& shape = FigureShape(number, rotation);
    world.Figures.Current = {number, rotation, x, 1 - shape.MaxY, 0, false};
}

TLog Sweep(int wait)
{
    TLog log;
    for (int i = 0; i < 12; ++i) {
        log.push_back("present");
        log.push_back("wait " + std::to_string(wait));
    }
    return log;
}

TEST(StartGame, DrawsPanelsChoosesFiguresAndStartsTheClock)
{
    TWorld world(10);
    world.Rules.StartGame();
    const TLog log = world.Recorder.Take();
    EXPECT_EQ(log,
        (TLog{"present", "life", "score 0", "lines 0", "level 1/0", "next " + std::to_string(world.Figures.Next.Number),
            "timer 950"}));
    EXPECT_TRUE(world.Game.Running);
    EXPECT_FALSE(world.Game.Paused);
    EXPECT_FALSE(world.Figures.Stepped);
    EXPECT_EQ(world.Clock.Period, 950u);

    // A second start ends the first game first.
    world.Rules.StartGame();
    const TLog again = world.Recorder.Take();
    EXPECT_EQ(TLog(again.begin(), again.begin() + 4), (TLog{"music on", "timer stop", "clear next", "present"}));
}

TEST(StartGame, FirstChoiceBecomesCurrentAndSecondIsNext)
{
    TWorld world(31337);
    TWorld replica(31337);
    replica.Figures.ChooseFigure();
    const TFigure first = replica.Figures.Next;
    replica.Figures.ChooseFigure();
    world.Rules.StartGame();
    EXPECT_EQ(world.Figures.Current, first);
    EXPECT_EQ(world.Figures.Next, replica.Figures.Next);
}

TEST(GameStep, FallingAddsThePeriodAndMovesOneRow)
{
    TWorld world;
    world.Start();
    const int y = world.Figures.Current.Y;
    EXPECT_TRUE(world.Rules.Tick());
    EXPECT_EQ(world.Game.TimeMs, 950u);
    EXPECT_EQ(world.Figures.Current.Y, y + 1);
    EXPECT_TRUE(world.Figures.Stepped);
    EXPECT_EQ(world.Recorder.Take(), TLog{"present"});
}

TEST(GameStep, LandingWithoutRowsScoresThreeTimesTheLevel)
{
    TWorld world;
    world.Ini.SetStartingLevel(7);
    world.Start();
    Place(world, 7, 1, 5);
    const TLog log = Land(world);
    EXPECT_EQ(log,
        (TLog{"timer stop", "sound fall", "life", "score 21", "next " + std::to_string(world.Figures.Next.Number),
            "timer 472"}));
    EXPECT_EQ(world.Game.Score, 21);
    EXPECT_FALSE(world.Figures.Stepped);
    EXPECT_EQ(world.Glass.Cell(6, 18).Mask, 15);
}

TEST(GameStep, LandingThatFillsRowsSweepsScoresAndCounts)
{
    TWorld world;
    world.Start();
    SetRows(world.Glass, {"#####..#####", "#####..#####"});
    Place(world, 7, 1, 5);
    const TFigure next = world.Figures.Next;
    TLog log = Land(world);

    TLog expected = {"timer stop", "sound fall", "life", "sound line"};
    for (const auto& line : Sweep(15))
        expected.push_back(line);
    expected.push_back("present");
    expected.push_back("sound line");
    for (const auto& line : Sweep(15))
        expected.push_back(line);
    for (const auto& line : TLog{"present", "life", "score 60", "lines 2", "level 1/2"})
        expected.push_back(line);
    EXPECT_EQ(TLog(log.begin(), log.end() - 2), expected);
    EXPECT_EQ(world.Figures.Current, next);
    EXPECT_EQ(world.Game.Doubles, 1);
    EXPECT_EQ(world.Game.TotalLines, 2);
    EXPECT_EQ(world.Game.LevelLines, 2);
    EXPECT_EQ(GlassText(world.Glass, 17), "............\n............\n");
}

TEST(GameStep, SweepIsFasterInTheBigGlass)
{
    TWorld world;
    world.Ini.SetGlassMode(3);
    world.Rules.ApplyMode(3);
    world.Start();
    SetRows(world.Glass, {"########..########"});
    Place(world, 7, 1, 8);
    const TLog log = Land(world);
    EXPECT_EQ(std::count(log.begin(), log.end(), "wait 7"), 18);
}

struct TScoreCase {
    int Level;
    int LevelLines;
    int Rows;
    int Points;
    int LevelAfter;
    int LevelLinesAfter;
};

TEST(GameStep, ScoresAndLevelsFollowTheTables)
{
    for (const TScoreCase c :
        {TScoreCase{2, 0, 2, 50, 2, 2}, TScoreCase{3, 0, 2, 94, 3, 2}, TScoreCase{1, 2, 4, 120, 2, 0},
            TScoreCase{15, 0, 4, 2728, 15, 4}, TScoreCase{14, 20, 1, 363, 15, 0}, TScoreCase{4, 0, 3, 176, 4, 3}}) {
        TWorld world;
        world.Ini.SetStartingLevel(c.Level);
        world.Start();
        world.Game.LevelLines = c.LevelLines;
        std::vector<std::string> rows(static_cast<size_t>(c.Rows), "#####.######");
        SetRows(world.Glass, rows);
        Place(world, 8, 1, 4); // the upright stick, in column 6
        const TLog log = Land(world);
        EXPECT_EQ(world.Game.Score, c.Points) << c.Level;
        EXPECT_EQ(world.Game.Level, c.LevelAfter) << c.Level;
        EXPECT_EQ(world.Game.LevelLines, c.LevelLinesAfter) << c.Level;
        const bool rose = c.LevelAfter > c.Level;
        EXPECT_EQ(std::count(log.begin(), log.end(), "sound level"), rose ? 1 : 0);
        // At the last level the level panel is left alone.
        EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("level ", 0) == 0; }),
            c.Level == 15 ? 0 : 1);
        EXPECT_EQ(log.back(), "timer " + std::to_string(LevelDelay[static_cast<size_t>(c.LevelAfter - 1)]));
    }
}

TEST(GameStep, FiveRowsAtOnceCountAsAQuintuple)
{
    TWorld world;
    world.Start();
    SetRows(world.Glass, std::vector<std::string>(5, "#####.######"));
    Place(world, 14, 1, 4); // the long stick, upright in column 6
    Land(world);
    EXPECT_EQ(world.Game.Quintuples, 1);
    EXPECT_EQ(world.Game.Score, 150);
    EXPECT_EQ(world.Game.Level, 2);
}

TEST(GameOver, AFigureStuckInTheHiddenRowsEndsTheGame)
{
    TWorld world;
    world.Start();
    SetRows(world.Glass, {".###########"}, 0, 1);
    world.Game.Score = 500;
    const TLog log = Land(world);
    EXPECT_EQ(log,
        (TLog{"timer stop", "sound fall", "life", "sound game", "music on", "clear next", "notice game over", "present",
            "name", "records"}));
    EXPECT_FALSE(world.Game.Running);
    EXPECT_TRUE(world.Glass.Overflow);
    EXPECT_EQ(
        world.Figures.Current.Y + FigureShape(world.Figures.Current.Number, world.Figures.Current.Rotation).MaxY - 1,
        0);
    const THighScoreEntry entry = world.Records.Entry(3, 1);
    EXPECT_EQ(entry.Name, "Tester");
    EXPECT_EQ(entry.Score, 500);
    EXPECT_EQ(entry.PlayTime, 950);
    EXPECT_EQ(entry.GlassMode, 2);
    EXPECT_EQ(entry.StartingLevel, 1);
    EXPECT_EQ(entry.Level, 1);

    // A tick that was on its way when the game ended is dropped: it cannot
    // offer the result a second time.
    EXPECT_FALSE(world.Rules.Tick());
    EXPECT_TRUE(world.Recorder.Take().empty());
}

TEST(GameOver, TheResultGoesToTheTableOfTheStyleWithTheSettings)
{
    TWorld world;
    world.Ini.SetGameStyle(4);
    world.Ini.SetGlassTrash(2);
    world.Ini.SetStartingLevel(3);
    world.Start();
    SetRows(world.Glass, {".###########"}, 0, 1);
    world.Game.Score = 77;
    world.Game.TotalLines = 9;
    Land(world);
    const THighScoreEntry entry = world.Records.Entry(4, 1);
    EXPECT_EQ(entry.Score, 77);
    EXPECT_EQ(entry.TrashLines, 2);
    EXPECT_EQ(entry.StartingLevel, 3);
    EXPECT_EQ(entry.Level, 3);
    EXPECT_EQ(entry.Lines, 9);
    EXPECT_EQ(world.Records.Entry(3, 1).Score, 0);
}

TEST(PauseGame, StopsTheClockDimsAndLateTicksAreDropped)
{
    TWorld world;
    world.Start();
    world.Rules.Tick();
    world.Recorder.Take();
    world.Rules.PauseGame();
    EXPECT_EQ(world.Recorder.Take(), (TLog{"timer stop", "dim", "notice paused", "present", "sound pause"}));
    const TFigure before = world.Figures.Current;
    EXPECT_FALSE(world.Rules.Tick());
    EXPECT_EQ(world.Figures.Current, before);
    EXPECT_EQ(world.Game.TimeMs, 950u);

    world.Rules.PauseGame(); // already paused: nothing
    EXPECT_TRUE(world.Recorder.Take().empty());
    world.Rules.ResumeGame();
    EXPECT_EQ(world.Recorder.Take(), (TLog{"sound resume", "timer 950", "present"}));
    world.Rules.ResumeGame();
    EXPECT_TRUE(world.Recorder.Take().empty());
}

TEST(StopGame, OnAStoppedGameDoesNothing)
{
    TWorld world;
    world.Rules.StopGame();
    world.Rules.PauseGame();
    world.Rules.ResumeGame();
    EXPECT_TRUE(world.Recorder.Take().empty());
    EXPECT_FALSE(world.Rules.Tick());
}

TEST(HandEditedSettings, OutOfRangeValuesTakeTheNearestValidOne)
{
    {
        TWorld world;
        world.Ini.SetStartingLevel(0);
        world.Start();
        EXPECT_EQ(world.Game.Level, 1);
        EXPECT_EQ(world.Clock.Period, 950u);
    }
    {
        TWorld world;
        world.Ini.SetStartingLevel(99);
        world.Start();
        EXPECT_EQ(world.Game.Level, 15);
        EXPECT_EQ(world.Clock.Period, 186u);
    }
    {
        TWorld world;
        world.Ini.SetGlassTrash(500);
        world.Ini.SetGameStyle(9);
        world.Start();
        // The whole grid above the floor may hold trash: the game ends soon.
        for (int i = 0; i < 50 && world.Game.Running; ++i)
            Land(world);
        EXPECT_FALSE(world.Game.Running);
    }
    {
        TWorld world;
        world.Ini.SetGlassMode(7);
        world.Rules.ApplyMode(TGlass::ModeOf(world.Ini.GlassMode()));
        EXPECT_EQ(world.Glass.Width(), 18);
        EXPECT_EQ(TGlass::ModeOf(0), 2);
        EXPECT_EQ(TGlass::ModeOf(-3), 2);
    }
}

TEST(WholeGames, RandomPlayEndsEveryGameWithConsistentCounts)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        TWorld world(seed * 7919u);
        world.Ini.SetGameStyle(static_cast<int32_t>(seed % 5 + 1));
        world.Ini.SetGlassTrash(static_cast<int32_t>(seed % 4));
        world.Start();
        TRandom player(seed);
        int ticks = 0;
        while (world.Game.Running && ticks < 200000) {
            world.Recorder.Log.clear();
            switch (player.Random(6)) {
            case 0:
                world.Control.LeftKey();
                break;
            case 1:
                world.Control.RightKey();
                break;
            case 2:
                world.Control.UpKey(player.Random(2) == 1, false);
                break;
            case 3:
                world.Control.DropKeyPress();
                world.Control.DropKeyRelease();
                break;
            default:
                world.Rules.Tick();
                ++ticks;
            }
        }
        ASSERT_FALSE(world.Game.Running) << seed;
        const TGame& g = world.Game;
        EXPECT_EQ(g.TotalLines, g.Singles + 2 * g.Doubles + 3 * g.Triples + 4 * g.Quadruples + 5 * g.Quintuples);
        EXPECT_GE(g.Level, 1);
        EXPECT_LE(g.Level, 15);
        for (int y = 1; y <= world.Glass.Height(); ++y)
            EXPECT_FALSE(world.Glass.IsRowFull(y));
    }
}

} // namespace
} // namespace stakor::test
