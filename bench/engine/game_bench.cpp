// A bot plays whole games in the core with nothing drawn or played, to
// measure the rules themselves: ticks and landings per second.

#include <benchmark/benchmark.h>

#include <chrono>

#include "audio/sound.h"
#include "bot.h"
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

namespace stakor {
namespace {

class TQuiet : public ISound, public IQuestions, public IRecordsUi {
public:
    void PlaySoundEffect(TSoundEffect) override {}
    void StartMusic() override {}
    void StopMusic() override {}
    bool AskYesNo(const std::string&) override { return true; }
    std::string InputName(const std::string&, const std::string&, const std::string&) override { return "Bot"; }
    void ShowRecords() override {}
};

struct TBenchWorld {
    explicit TBenchWorld(uint32_t seed, int32_t style) : Random(seed)
    {
        Glass.SetSkin(TBitmap(160, 20));
        Ini.SetGameStyle(style);
    }

    TIni Ini{std::nullopt};
    TLanguage Lang{Ini, {}};
    TRandom Random;
    TGlass Glass{Random};
    TGame Game;
    TSilentView View;
    TQuiet Quiet;
    TManualTimer Timer;
    TGameClock Clock{Timer};
    TFigures Figures{Glass, Random, Ini, View, Quiet};
    TRecords Records{Random, std::nullopt};
    TGameRules Rules{{Game, Figures, Glass, Clock, Ini, View, Quiet, Records, Quiet, Lang}};
    TGameControl Control{{Rules, Game, Figures, Ini, Lang, Quiet, View, Quiet}};
    TBot Bot{Glass, Figures};
};

void BotGames(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    TBenchWorld world(12345, static_cast<int32_t>(state.range(0)));
    int64_t ticks = 0, landings = 0, games = 0, lines = 0;
    double seconds = 0;
    for (auto _ : state) {
        world.Rules.StartGame();
        int landingsThisGame = 0;
        // The bot's thinking is not the game's work: only the keys and the
        // ticks that follow each decision are timed.
        while (world.Game.Running && landingsThisGame < 2000) {
            const TPlacement placement = world.Bot.Choose();
            const auto start = Clock::now();
            world.Bot.Steer(world.Control, placement);
            world.Rules.Tick();
            ++ticks;
            world.Control.DropKeyPress();
            world.Control.DropKeyRelease();
            while (world.Figures.Stepped && world.Game.Running) {
                world.Rules.Tick();
                ++ticks;
            }
            seconds += std::chrono::duration<double>(Clock::now() - start).count();
            ++landings;
            ++landingsThisGame;
        }
        lines += world.Game.TotalLines;
        world.Rules.StopGame();
        ++games;
    }
    state.counters["games"] = static_cast<double>(games);
    state.counters["lines_per_game"] = static_cast<double>(lines) / static_cast<double>(games);
    state.counters["ticks_per_second"] = static_cast<double>(ticks) / seconds;
    state.counters["landings_per_second"] = static_cast<double>(landings) / seconds;
}
BENCHMARK(BotGames)->Arg(3)->Arg(5)->Unit(benchmark::kMillisecond);

// Ticks of a figure falling through an empty glass, start to landing.
void FallingTicks(benchmark::State& state)
{
    TBenchWorld world(777, 3);
    world.Rules.StartGame();
    int64_t ticks = 0;
    for (auto _ : state) {
        if (!world.Figures.Stepped && !world.Game.Running)
            world.Rules.StartGame();
        world.Rules.Tick();
        if (!world.Figures.Stepped)
            world.Glass.Clear(); // keep the glass empty so games never end
        ++ticks;
    }
    state.counters["ticks_per_second"] = benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kIsRate);
}
BENCHMARK(FallingTicks);

} // namespace
} // namespace stakor

BENCHMARK_MAIN();
