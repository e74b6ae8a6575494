#include <gtest/gtest.h>

#include "world.h"

namespace stakor::test {
namespace {

using TLog = std::vector<std::string>;

// A running game whose figure has had its first tick.
void StartStepped(TWorld& world)
{
    world.Start();
    world.Rules.Tick();
    world.Recorder.Take();
}

TEST(DropKey, HeldKeyDropsOnceAndTheNextPressStopsTheDrop)
{
    TWorld world;
    StartStepped(world);
    world.Control.DropKeyPress();
    EXPECT_TRUE(world.Figures.Dropping);
    EXPECT_EQ(world.Recorder.Take(), (TLog{"timer stop", "timer 40", "sound drop"}));
    // Auto-repeat of the held key does nothing.
    world.Control.DropKeyPress();
    world.Control.DropKeyPress();
    EXPECT_TRUE(world.Figures.Dropping);
    EXPECT_TRUE(world.Recorder.Take().empty());
    world.Rules.Tick();
    EXPECT_EQ(world.Game.TimeMs, 950u + 40u);
    world.Control.DropKeyRelease();
    world.Control.DropKeyPress();
    EXPECT_FALSE(world.Figures.Dropping);
    EXPECT_EQ(world.Recorder.Take(), (TLog{"present", "timer stop", "timer 950", "sound stop"}));
}

TEST(DropKey, NewFigureIgnoresThePressUntilItHasStepped)
{
    TWorld world;
    world.Start();
    // Pressed before the first tick: only remembered as held.
    world.Control.DropKeyPress();
    EXPECT_FALSE(world.Figures.Dropping);
    EXPECT_TRUE(world.Control.DropKeyDown);
    world.Rules.Tick();
    world.Control.DropKeyPress(); // still held: nothing
    EXPECT_FALSE(world.Figures.Dropping);
    world.Control.DropKeyRelease();
    world.Control.DropKeyPress();
    EXPECT_TRUE(world.Figures.Dropping);
}

TEST(DropKey, DropEndsByItselfWhenTheFigureLands)
{
    TWorld world;
    StartStepped(world);
    world.Control.DropKeyPress();
    world.Control.DropKeyRelease();
    while (world.Figures.CanMoveDown())
        world.Rules.Tick();
    world.Rules.Tick();
    EXPECT_FALSE(world.Figures.Dropping);
    EXPECT_FALSE(world.Figures.Stepped);
    EXPECT_EQ(world.Clock.Period, 950u);
}

TEST(DropKey, PauseDuringADropResumesAtLevelSpeedAndTheNextPressSaysStop)
{
    TWorld world;
    StartStepped(world);
    world.Control.DropKeyPress();
    world.Control.DropKeyRelease();
    world.Control.PauseMenuItemClick();
    world.Control.PauseMenuItemClick();
    EXPECT_EQ(world.Clock.Period, 950u);
    EXPECT_TRUE(world.Figures.Dropping);
    world.Recorder.Take();
    world.Control.DropKeyPress();
    EXPECT_FALSE(world.Figures.Dropping);
    EXPECT_EQ(world.Recorder.Take().back(), "sound stop");
}

TEST(MoveKeys, MovingOrTurningEndsAFastDropEvenWhenRefused)
{
    TWorld world;
    StartStepped(world);
    world.Control.DropKeyPress();
    world.Control.DropKeyRelease();
    while (world.Figures.CanMoveLeft())
        world.Figures.MoveLeft();
    world.Recorder.Take();
    const TFigure before = world.Figures.Current;
    world.Control.LeftKey();
    EXPECT_EQ(world.Figures.Current, before);
    EXPECT_FALSE(world.Figures.Dropping);
    EXPECT_EQ(world.Recorder.Take(), (TLog{"timer stop", "timer 950"})); // no sound

    world.Control.RightKey();
    EXPECT_EQ(world.Figures.Current.X, before.X + 1);
    EXPECT_EQ(world.Recorder.Take(), TLog{"present"});
}

TEST(MoveKeys, UpTurnsCounterClockwiseUnlessCheckedAndShiftReverses)
{
    TWorld world;
    StartStepped(world);
    for (int i = 0; i < 3; ++i)
        world.Rules.Tick(); // well inside the glass
    world.Figures.Current.Number = 9;
    world.Figures.Current.Rotation = 2;
    world.Figures.Current.X = 4;
    world.Control.UpKey(false, false);
    EXPECT_EQ(world.Figures.Current.Rotation, 1);
    world.Control.UpKey(true, false);
    EXPECT_EQ(world.Figures.Current.Rotation, 2);
    world.Control.UpKey(false, true);
    EXPECT_EQ(world.Figures.Current.Rotation, 3);
    world.Control.UpKey(true, true);
    EXPECT_EQ(world.Figures.Current.Rotation, 2);
}

TEST(MoveKeys, NothingHappensWithoutARunningUnpausedGame)
{
    TWorld world;
    world.Control.LeftKey();
    world.Control.RightKey();
    world.Control.UpKey(false, false);
    world.Control.DropKeyPress();
    world.Control.PauseMenuItemClick();
    EXPECT_FALSE(world.Control.DropKeyDown);
    EXPECT_TRUE(world.Recorder.Take().empty());

    StartStepped(world);
    world.Control.PauseMenuItemClick();
    world.Recorder.Take();
    const TFigure before = world.Figures.Current;
    world.Control.LeftKey();
    world.Control.UpKey(false, false);
    world.Control.DropKeyPress();
    EXPECT_EQ(world.Figures.Current, before);
    EXPECT_FALSE(world.Control.DropKeyDown);
    EXPECT_TRUE(world.Recorder.Take().empty());
}

TEST(PauseCommand, TogglesThePauseAndTheMusic)
{
    TWorld world;
    StartStepped(world);
    world.Control.PauseMenuItemClick();
    EXPECT_TRUE(world.Game.Paused);
    EXPECT_EQ(
        world.Recorder.Take(), (TLog{"timer stop", "dim", "notice paused", "present", "sound pause", "music off"}));
    world.Control.PauseMenuItemClick();
    EXPECT_FALSE(world.Game.Paused);
    EXPECT_EQ(world.Recorder.Take(), (TLog{"music on", "sound resume", "timer 950", "present"}));
}

TEST(StartCommand, AsksBeforeEndingARunningGame)
{
    TWorld world;
    world.Rules.StartGame();
    EXPECT_EQ(std::count_if(world.Recorder.Log.begin(), world.Recorder.Log.end(),
                  [](const std::string& l) { return l.rfind("ask", 0) == 0; }),
        0);

    // No: the game goes on as it was.
    StartStepped(world);
    world.Recorder.Answer = false;
    const TFigure figure = world.Figures.Current;
    world.Control.StartGameMenuItemClick();
    EXPECT_EQ(world.Recorder.Take(),
        (TLog{"timer stop", "dim", "notice paused", "present", "sound pause", "ask A game is running. Start a new one?",
            "sound resume", "timer 950", "present"}));
    EXPECT_FALSE(world.Game.Paused);
    EXPECT_EQ(world.Figures.Current, figure);

    // No while paused beforehand: it stays paused.
    world.Rules.PauseGame();
    world.Control.StartGameMenuItemClick();
    EXPECT_TRUE(world.Game.Paused);

    // Yes: a new game.
    world.Recorder.Answer = true;
    world.Control.StartGameMenuItemClick();
    EXPECT_TRUE(world.Game.Running);
    EXPECT_FALSE(world.Game.Paused);
    EXPECT_EQ(world.Game.TimeMs, 0u);
}

TEST(SetMode, YesEndsTheGameWithoutAHighScoreAndResizes)
{
    TWorld world;
    StartStepped(world);
    world.Game.Score = 1000;
    bool windowResized = false;
    EXPECT_TRUE(world.Control.SetMode(3, [&] {
        windowResized = true;
        EXPECT_EQ(world.Glass.Width(), 18); // the glass is resized before the window
    }));
    EXPECT_TRUE(windowResized);
    const TLog log = world.Recorder.Take();
    EXPECT_EQ(log,
        (TLog{"timer stop", "dim", "notice paused", "present", "sound pause",
            "ask Changing the size of the playing field ends the current game. Continue?", "clear panels", "music on",
            "clear next", "present", "resized"}));
    EXPECT_FALSE(world.Game.Running);
    EXPECT_EQ(world.Game.TimeMs, 0u);
    EXPECT_EQ(world.Ini.GlassMode(), 3);
    EXPECT_EQ(world.Glass.Height(), 25);
    EXPECT_EQ(world.Records.Entry(3, 1).Score, 0);
}

TEST(SetMode, NoKeepsTheGameAndTheMode)
{
    TWorld world;
    StartStepped(world);
    world.Recorder.Answer = false;
    EXPECT_FALSE(world.Control.SetMode(3));
    EXPECT_TRUE(world.Game.Running);
    EXPECT_FALSE(world.Game.Paused);
    EXPECT_EQ(world.Ini.GlassMode(), 2);
    EXPECT_EQ(world.Glass.Width(), 12);

    // Without a game nothing is asked.
    TWorld idle;
    EXPECT_TRUE(idle.Control.SetMode(3));
    EXPECT_EQ(idle.Recorder.Take(), (TLog{"clear panels", "resized"}));
    EXPECT_TRUE(idle.Control.SetMode(2));
    EXPECT_EQ(idle.Glass.Width(), 12);
}

TEST(Dialogs, PauseTheGameAroundThemAndResumeOnlyWhatWasRunning)
{
    TWorld world;
    StartStepped(world);
    bool pausedDuring = false;
    world.Control.RunModal([&] { pausedDuring = world.Game.Paused; });
    EXPECT_TRUE(pausedDuring);
    EXPECT_FALSE(world.Game.Paused);

    world.Rules.PauseGame();
    world.Control.RunModal([] {});
    EXPECT_TRUE(world.Game.Paused);

    // The new game dialog may start a game itself: it is not resumed then.
    world.Rules.ResumeGame();
    world.Recorder.Take();
    world.Control.NewMenuItemClick([&] { world.Rules.StartGame(); });
    EXPECT_FALSE(world.Game.Paused);
    const TLog log = world.Recorder.Take();
    EXPECT_EQ(std::count(log.begin(), log.end(), "sound resume"), 0);
    // Cancelled: the game that ran is resumed.
    world.Control.NewMenuItemClick([] {});
    EXPECT_FALSE(world.Game.Paused);
    EXPECT_EQ(world.Recorder.Take().front(), "timer stop");
}

} // namespace
} // namespace stakor::test
