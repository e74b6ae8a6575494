#pragma once

#include <array>
#include <cstdint>

#include "glass/glass.h"

namespace stakor {

class TFigures;
class TGameClock;
class TIni;
class TLanguage;
class TRecords;
class IGameView;
class IRecordsUi;
class ISound;

// The state of the one game that can be under way.
struct TGame {
    bool Running = false; // also while paused
    bool Paused = false;
    uint32_t TimeMs = 0; // sum of the clock periods of all ticks of this game
    int32_t Level = 0;
    int32_t Singles = 0;
    int32_t Doubles = 0;
    int32_t Triples = 0;
    int32_t Quadruples = 0;
    int32_t Quintuples = 0;
    int32_t TotalLines = 0;
    int32_t LevelLines = 0; // rows removed since the level last changed
    int32_t Score = 0;
};

inline constexpr int MaxLevel = 15;
inline constexpr uint32_t DropDelay = 40; // ms a tick during a fast drop

// Clock period of each level, ms (index 0 is level 1).
inline constexpr std::array<uint32_t, MaxLevel> LevelDelay = {
    950, 846, 752, 670, 596, 530, 472, 420, 374, 333, 296, 264, 235, 209, 186};

// Points for a landing that removes n rows (1..5) at each level. The two rows
// of level 2 are worth 50, as they always were.
inline constexpr std::array<std::array<int32_t, MaxLevel>, 5> LineScore = {{
    {20, 25, 31, 39, 49, 61, 76, 95, 119, 149, 186, 233, 291, 363, 455},
    {60, 50, 94, 117, 146, 183, 229, 286, 358, 447, 559, 698, 873, 1091, 1364},
    {90, 113, 141, 176, 220, 275, 343, 429, 536, 671, 838, 1048, 1310, 1637, 2046},
    {120, 150, 188, 234, 293, 366, 458, 572, 715, 894, 1118, 1397, 1746, 2183, 2728},
    {150, 188, 234, 293, 366, 458, 572, 715, 894, 1118, 1397, 1746, 2183, 2728, 3411},
}};

// Rows to remove at each level (1..14) before the level rises; 15 is never left.
inline constexpr std::array<int32_t, MaxLevel - 1> LinesPerLevel = {3, 3, 4, 5, 6, 7, 8, 9, 10, 12, 14, 16, 18, 21};

// The level a stored StartingLevel stands for: a hand-edited value outside
// 1..15 takes the nearest level.
constexpr int32_t LevelOf(int32_t startingLevel)
{
    return startingLevel < 1 ? 1 : startingLevel > MaxLevel ? MaxLevel : startingLevel;
}

// The rules of a game: starting, stepping, landing, scoring, levels, pausing
// and ending. They reach the screen, the speakers and the clock only through
// their interfaces, and run the same with a window or without one.
class TGameRules : private ILineRemovalHooks {
public:
    struct TContext {
        TGame& Game;
        TFigures& Figures;
        TGlass& Glass;
        TGameClock& Clock;
        const TIni& Ini;
        IGameView& View;
        ISound& Sound;
        TRecords& Records;
        IRecordsUi& RecordsUi;
        const TLanguage& Lang;
    };

    explicit TGameRules(const TContext& context);

    // No game, not paused, and the high-score table read.
    void InitGame();
    void StartGame();
    void StopGame();
    void PauseGame();
    void ResumeGame();
    // One tick of the game clock.
    void GameStep();
    // A tick from the clock: a step only while the clock should be running. A
    // tick that was on its way when the clock stopped is dropped, so it can
    // neither move a paused figure nor end a finished game twice.
    bool Tick();
    bool ClockShouldTick() const;

    void SetLevelSpeed();
    void SetDropSpeed();

    // The full redraw of the glass: cells, falling figure, pause and game-over looks.
    void DrawGlass();
    void DrawCells(int firstX, int firstY, int lastX, int lastY);
    // The glass takes the size of a mode (2 normal, 3 big) and is cleared.
    void ApplyMode(int mode);

    TGame& Game() { return C.Game; }

private:
    void AddScore(int lines);
    void CountLines(int lines);
    void CheckLevel();
    void ResetLineCounts();

    void LineSound() override;
    void SweepCell(int x, int y) override;
    void RowRemoved() override;

    TContext C;
};

} // namespace stakor
