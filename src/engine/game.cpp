#include "engine/game.h"

#include <algorithm>

#include "audio/sound.h"
#include "engine/clock.h"
#include "engine/figures.h"
#include "engine/game_view.h"
#include "records/records.h"
#include "settings/ini.h"

namespace stakor {

namespace {

// Score arithmetic wraps instead of overflowing; no game gets near it.
int32_t WrappingAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

} // namespace

TGameRules::TGameRules(const TContext& context) : C(context) {}

void TGameRules::InitGame()
{
    C.Game.Running = false;
    C.Game.Paused = false;
    C.Records.LoadRecords();
}

void TGameRules::StartGame()
{
    StopGame();
    C.Glass.Clear();
    C.Glass.AddTrash(C.Ini.GlassTrash(), StyleOf(C.Ini.GameStyle()));
    C.Game.TimeMs = 0;
    DrawGlass(); // no figure yet: the game is not running
    C.View.RepaintLifeBar();
    C.Game.Score = 0;
    C.View.DrawScore(C.Game.Score);
    ResetLineCounts();
    C.Game.Level = LevelOf(C.Ini.StartingLevel());
    C.Game.LevelLines = 0;
    C.View.DrawLevel(C.Game.Level, C.Game.LevelLines);
    C.Figures.ChooseFigure();
    C.Figures.Current = C.Figures.Next;
    C.Figures.ChooseFigure();
    C.View.DrawNextFigure(C.Figures.Next);
    C.Figures.Dropping = false;
    C.Game.Running = true;
    C.Game.Paused = false;
    SetLevelSpeed();
}

void TGameRules::StopGame()
{
    if (!C.Game.Running)
        return;
    C.Sound.StartMusic();
    C.Clock.StopClock();
    C.Game.Running = false;
    C.View.ClearNextFigure();
    DrawGlass(); // after an overflow this shows the game-over look
}

void TGameRules::PauseGame()
{
    if (!C.Game.Running || C.Game.Paused)
        return;
    C.Clock.StopClock();
    C.Game.Paused = true;
    DrawGlass();
    C.Sound.PlaySoundEffect(TSoundEffect::Pause);
}

void TGameRules::ResumeGame()
{
    if (!C.Game.Running || !C.Game.Paused)
        return;
    C.Sound.PlaySoundEffect(TSoundEffect::Resume);
    C.Game.Paused = false;
    SetLevelSpeed(); // a fast drop under way does not survive a pause
    DrawGlass();
}

void TGameRules::GameStep()
{
    C.Game.TimeMs += C.Clock.Period;
    C.Figures.Stepped = true;
    if (C.Figures.CanMoveDown()) {
        C.Figures.MoveDown();
        return;
    }

    // The figure lands. The clock stands still until the landing is handled,
    // so no ticks pile up behind the animations.
    C.Clock.StopClock();
    C.Figures.Dropping = false;
    C.Sound.PlaySoundEffect(TSoundEffect::Fall);
    C.Figures.FixFigure();
    C.View.RepaintLifeBar();

    if (C.Glass.Overflow) {
        C.Sound.PlaySoundEffect(TSoundEffect::Game);
        StopGame();
        TGameResult result;
        result.Style = StyleOf(C.Ini.GameStyle());
        result.Score = C.Game.Score;
        result.PlayTime = C.Game.TimeMs;
        result.Lines = C.Game.TotalLines;
        result.TrashLines = C.Ini.GlassTrash();
        result.Level = C.Game.Level;
        result.StartingLevel = C.Ini.StartingLevel();
        result.GlassMode = C.Ini.GlassMode();
        C.Records.AddRecord(result, C.RecordsUi, C.Lang);
        return;
    }

    C.Figures.Current = C.Figures.Next;
    const int lines = C.Glass.RemoveFullLines(*this);
    if (lines > 0)
        C.View.RepaintLifeBar();
    AddScore(lines);
    CountLines(lines);
    if (lines > 0)
        CheckLevel();
    C.Figures.ChooseFigure();
    C.View.DrawNextFigure(C.Figures.Next);
    C.Figures.Stepped = false;
    SetLevelSpeed();
}

bool TGameRules::ClockShouldTick() const
{
    return C.Game.Running && !C.Game.Paused && C.Clock.Running();
}

bool TGameRules::Tick()
{
    if (!ClockShouldTick())
        return false;
    GameStep();
    return true;
}

void TGameRules::SetLevelSpeed()
{
    C.Clock.StartClock(LevelDelay[static_cast<size_t>(LevelOf(C.Game.Level) - 1)]);
}

void TGameRules::SetDropSpeed()
{
    C.Clock.StartClock(DropDelay);
}

void TGameRules::AddScore(int lines)
{
    // Points at the level before any rise that this landing brings.
    const int32_t level = LevelOf(C.Game.Level);
    const int32_t points =
        lines <= 0 ? 3 * level : LineScore[static_cast<size_t>(std::min(lines, 5) - 1)][static_cast<size_t>(level - 1)];
    C.Game.Score = WrappingAdd(C.Game.Score, points);
    C.View.DrawScore(C.Game.Score);
}

void TGameRules::CountLines(int lines)
{
    if (lines <= 0)
        return;
    switch (lines) {
    case 1:
        ++C.Game.Singles;
        break;
    case 2:
        ++C.Game.Doubles;
        break;
    case 3:
        ++C.Game.Triples;
        break;
    case 4:
        ++C.Game.Quadruples;
        break;
    case 5:
        ++C.Game.Quintuples;
        break;
    default:
        break;
    }
    C.Game.TotalLines += lines;
    C.View.ShowLineCounts(C.Game);
    C.Game.LevelLines += lines;
}

void TGameRules::CheckLevel()
{
    if (C.Game.Level >= MaxLevel)
        return;
    if (C.Game.LevelLines >= LinesPerLevel[static_cast<size_t>(LevelOf(C.Game.Level) - 1)]) {
        C.Game.LevelLines = 0; // rows beyond the quota are not carried over
        ++C.Game.Level;
        C.Sound.PlaySoundEffect(TSoundEffect::Level);
    }
    C.View.DrawLevel(C.Game.Level, C.Game.LevelLines);
}

void TGameRules::ResetLineCounts()
{
    C.Game.Singles = C.Game.Doubles = C.Game.Triples = 0;
    C.Game.Quadruples = C.Game.Quintuples = 0;
    C.Game.TotalLines = 0;
    C.View.ShowLineCounts(C.Game);
}

void TGameRules::DrawCells(int firstX, int firstY, int lastX, int lastY)
{
    for (int y = firstY; y <= lastY; ++y)
        for (int x = firstX; x <= lastX; ++x)
            C.View.DrawCell(x, y, C.Glass.Cell(x, y));
}

void TGameRules::DrawGlass()
{
    C.Figures.ForgetShadow(); // the cells are drawn over it
    DrawCells(1, 1, C.Glass.Width(), C.Glass.Height());
    if (C.Game.Running) {
        C.Figures.PaintFigure(true);
        if (C.Game.Paused) {
            C.View.DimGlass();
            C.View.DrawNotice(TNotice::Paused);
        }
    }
    if (C.Glass.Overflow)
        C.View.DrawNotice(TNotice::GameOver);
    C.View.Present();
}

void TGameRules::ApplyMode(int mode)
{
    C.Glass.SetSize(mode);
    C.View.GlassResized();
    C.Glass.Clear();
    DrawCells(1, 1, C.Glass.Width(), C.Glass.Height());
}

void TGameRules::LineSound()
{
    C.Sound.PlaySoundEffect(TSoundEffect::Line);
}

void TGameRules::SweepCell(int x, int y)
{
    C.View.DrawCell(x, y, TGlassCell{});
    C.View.Present();
    C.View.Wait(C.Ini.GlassMode() >= 3 ? 7 : 15);
}

void TGameRules::RowRemoved()
{
    DrawGlass();
}

} // namespace stakor
