#pragma once

// A whole game without a window, for tests: the real rules, glass and figures,
// with a recorder in place of the screen, the speakers, the clock and the dialogs.

#include <optional>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "engine/clock.h"
#include "engine/control.h"
#include "engine/figures.h"
#include "engine/game.h"
#include "engine/game_view.h"
#include "base/random.h"
#include "glass/glass.h"
#include "records/records.h"
#include "settings/ini.h"
#include "settings/language.h"

namespace stakor::test {

// Logs every call it gets as a short line, in order.
class TRecorder : public IGameView, public ISound, public ITimer, public IQuestions, public IRecordsUi {
public:
    std::vector<std::string> Log;
    bool LogCells = false; // DrawCell is frequent; log it only when asked
    bool Answer = true; // to Yes/No questions
    std::string Name = "Tester";

    void DrawCell(int x, int y, const TGlassCell& cell) override
    {
        ++Cells;
        if (LogCells)
            Add("cell " + std::to_string(x) + "," + std::to_string(y) + "=" + std::to_string(cell.Mask));
    }
    void DrawShadowCell(int x, int y, const TGlassCell& cell, uint8_t shadowMask, uint8_t) override
    {
        ++Cells;
        if (LogCells)
            Add("shadow " + std::to_string(x) + "," + std::to_string(y) + "=" + std::to_string(cell.Mask) + "+" +
                std::to_string(shadowMask));
    }
    void DimGlass() override { Add("dim"); }
    void DrawNotice(TNotice notice) override { Add(notice == TNotice::Paused ? "notice paused" : "notice game over"); }
    void Present() override { Add("present"); }
    void Wait(int ms) override { Add("wait " + std::to_string(ms)); }
    void DrawScore(int32_t score) override { Add("score " + std::to_string(score)); }
    void DrawLevel(int32_t level, int32_t lines) override
    {
        Add("level " + std::to_string(level) + "/" + std::to_string(lines));
    }
    void ShowLineCounts(const TGame& game) override { Add("lines " + std::to_string(game.TotalLines)); }
    void RepaintLifeBar() override { Add("life"); }
    void DrawNextFigure(const TFigure& next) override { Add("next " + std::to_string(next.Number)); }
    void ClearNextFigure() override { Add("clear next"); }
    void ClearScoreAndLevel() override { Add("clear panels"); }
    void GlassResized() override { Add("resized"); }

    void PlaySoundEffect(TSoundEffect effect) override { Add("sound " + std::string(SoundEffectName(effect))); }
    void StartMusic() override { Add("music on"); }
    void StopMusic() override { Add("music off"); }

    bool StartTimer(uint32_t period) override
    {
        Add("timer " + std::to_string(period));
        return true;
    }
    void StopTimer() override { Add("timer stop"); }

    bool AskYesNo(const std::string& text) override
    {
        Add("ask " + text);
        return Answer;
    }
    std::string InputName(const std::string&, const std::string&, const std::string&) override
    {
        Add("name");
        return Name;
    }
    void ShowRecords() override { Add("records"); }

    // The log since the last call, then forgotten.
    std::vector<std::string> Take()
    {
        std::vector<std::string> log;
        log.swap(Log);
        return log;
    }

    int Cells = 0;

private:
    void Add(std::string line) { Log.push_back(std::move(line)); }
};

struct TWorld {
    explicit TWorld(uint32_t seed = 1) : Random(seed)
    {
        Glass.SetSkin(TBitmap(160, 20)); // seven colours and the falling triangle's tile
    }

    // Starts a game and forgets what it logged.
    void Start()
    {
        Rules.StartGame();
        Recorder.Take();
    }

    // Ticks until the current figure lands (or the game stops); gives the ticks.
    int TickUntilLanding()
    {
        int ticks = 0;
        while (Rules.ClockShouldTick()) {
            const bool landing = !Figures.CanMoveDown();
            Rules.Tick();
            ++ticks;
            if (landing)
                break;
        }
        return ticks;
    }

    TIni Ini{std::nullopt};
    TLanguage Lang{Ini, {}};
    TRandom Random;
    TGlass Glass{Random};
    TGame Game;
    TRecorder Recorder;
    TGameClock Clock{Recorder};
    TFigures Figures{Glass, Random, Ini, Recorder, Recorder};
    TRecords Records{Random, std::nullopt};
    TGameRules Rules{{Game, Figures, Glass, Clock, Ini, Recorder, Recorder, Records, Recorder, Lang}};
    TGameControl Control{{Rules, Game, Figures, Ini, Lang, Recorder, Recorder, Recorder}};
};

// The glass as text, one hex digit of the triangle mask a cell, "." for an
// empty cell, rows from `firstRow` to the bottom row.
inline std::string GlassText(const TGlass& glass, int firstRow = 1)
{
    std::string text;
    for (int y = firstRow; y <= glass.Height(); ++y) {
        for (int x = 1; x <= glass.Width(); ++x) {
            const int mask = glass.Cell(x, y).Mask;
            text += mask == 0 ? '.' : "0123456789abcdef"[mask];
        }
        text += '\n';
    }
    return text;
}

// Sets rows of the glass from text, the last string being row `lastRow`
// (the bottom row by default): "." empty, "#" whole, or a hex mask.
inline void SetRows(
    TGlass& glass, const std::vector<std::string>& rows, uint8_t color = 0, std::optional<int> lastRow = std::nullopt)
{
    int y = lastRow.value_or(glass.Height()) - static_cast<int>(rows.size()) + 1;
    for (const std::string& row : rows) {
        for (int x = 1; x <= glass.Width() && x <= static_cast<int>(row.size()); ++x) {
            const char c = row[static_cast<size_t>(x - 1)];
            const int mask = c == '.' ? 0 : c == '#' ? 15 : std::stoi(std::string(1, c), nullptr, 16);
            glass.Cell(x, y) = TGlassCell{static_cast<uint8_t>(mask), {color, color, color, color}};
        }
        ++y;
    }
}

} // namespace stakor::test
