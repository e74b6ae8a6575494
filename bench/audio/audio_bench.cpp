// The sound player against the window thread's budget: how long a new piece
// blocks it, how much memory the music adds, and how much of a core the
// synthesizer takes while music plays. Runs on SDL's dummy driver unless
// SDL_AUDIODRIVER says otherwise; the dummy driver asks for sound at the pace
// of a real card, so the synthesizer's work is the real one.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "audio/audio_device.h"
#include "audio/sound_player.h"
#include "base/random.h"

namespace stakor {
namespace {

using Clock = std::chrono::steady_clock;

// The window thread's queue, emptied by hand.
class TQueueCalls : public IWindowCalls {
public:
    void CallLater(int, std::function<void()> call) override { Delayed.push_back(std::move(call)); }
    void Post(std::function<void()> call) override
    {
        const std::lock_guard lock(Lock);
        Posted.push_back(std::move(call));
    }
    void FireDelayed()
    {
        auto calls = std::move(Delayed);
        Delayed.clear();
        for (auto& call : calls)
            call();
    }
    void RunPosted()
    {
        std::deque<std::function<void()>> calls;
        {
            const std::lock_guard lock(Lock);
            calls.swap(Posted);
        }
        for (auto& call : calls)
            call();
    }

private:
    std::vector<std::function<void()>> Delayed;
    std::mutex Lock;
    std::deque<std::function<void()>> Posted;
};

long ProportionalKilobytes()
{
    std::ifstream rollup("/proc/self/smaps_rollup");
    for (std::string line; std::getline(rollup, line);)
        if (line.rfind("Pss:", 0) == 0)
            return std::stol(line.substr(4));
    return 0;
}

double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Before any device opens: the dummy driver unless another is asked for.
bool ChooseDummyDriver()
{
    return setenv("SDL_AUDIODRIVER", "dummy", 0) == 0;
}

struct TMusicRig {
    TMusicRig()
    {
        Sound.Switches.PlayMusic = [] { return true; };
        Sound.Switches.Random = [this](int32_t n) { return Random.Random(n); };
        Sound.Device.WaitUntilReady();
        Calls.RunPosted();
    }
    // Keeps the window thread's side going for a while, as the event loop would.
    void Run(std::chrono::milliseconds time)
    {
        const auto end = Clock::now() + time;
        while (Clock::now() < end) {
            Calls.RunPosted();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    bool DummyDriver = ChooseDummyDriver();
    TQueueCalls Calls;
    TRandom Random{4242};
    TSoundPlayer Sound{Calls, STAKOR_SOURCE_DATA_DIR};
};

double Milliseconds(Clock::duration time)
{
    return std::chrono::duration<double, std::milli>(time).count();
}

// The window thread's part of starting a piece (the delayed start) and of an
// end of piece (close, open the next, play), while the synthesizer renders.
void MusicPieceChange(benchmark::State& state)
{
    TMusicRig rig;
    if (!rig.Sound.Device.SoundFontLoaded()) {
        state.SkipWithError("no sound device or no SoundFont");
        return;
    }
    double longestStart = 0;
    double longestNext = 0;
    for (auto _ : state) {
        rig.Sound.StopMusic();
        rig.Sound.StartMusic();
        auto begin = Clock::now();
        rig.Calls.FireDelayed();
        longestStart = std::max(longestStart, Milliseconds(Clock::now() - begin));
        rig.Run(std::chrono::milliseconds(30));
        begin = Clock::now();
        rig.Sound.Music.PieceEnded(rig.Sound.Music.Piece(), true);
        longestNext = std::max(longestNext, Milliseconds(Clock::now() - begin));
        rig.Run(std::chrono::milliseconds(30));
    }
    state.counters["longest_start_ms"] = longestStart;
    state.counters["longest_next_ms"] = longestNext;
}
BENCHMARK(MusicPieceChange)->Iterations(40)->Unit(benchmark::kMillisecond);

// Memory the player adds (device, effects, synthesizer, the instruments of a
// piece) and the share of one core it takes while a piece plays.
void MusicPlaying(benchmark::State& state)
{
    const long before = ProportionalKilobytes();
    TMusicRig rig;
    if (!rig.Sound.Device.SoundFontLoaded()) {
        state.SkipWithError("no sound device or no SoundFont");
        return;
    }
    const long ready = ProportionalKilobytes();
    rig.Sound.StartMusic();
    rig.Calls.FireDelayed();
    rig.Run(std::chrono::milliseconds(500));
    const long loaded = ProportionalKilobytes();
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuStart = ProcessCpuSeconds();
        const auto wallStart = Clock::now();
        rig.Run(std::chrono::milliseconds(state.range(0)));
        cpu += ProcessCpuSeconds() - cpuStart;
        wall += std::chrono::duration<double>(Clock::now() - wallStart).count();
    }
    state.counters["pss_ready_kib"] = static_cast<double>(ready - before);
    state.counters["pss_added_kib"] = static_cast<double>(loaded - before);
    state.counters["pss_after_play_kib"] = static_cast<double>(ProportionalKilobytes() - before);
    state.counters["cpu_percent"] = 100 * cpu / wall;
}
BENCHMARK(MusicPlaying)->Arg(3000)->Iterations(1)->Unit(benchmark::kMillisecond);

// An effect after a long silence, with the device closed: the time from the
// call to the audio thread handing its first samples to the device (which
// includes opening the device again). The server plays them at most one
// buffer later. Run with SDL_AUDIODRIVER=pulseaudio for a real server.
void EffectAfterSilence(benchmark::State& state)
{
    ChooseDummyDriver();
    TQueueCalls calls;
    TAudioDevice device(calls, std::filesystem::path(STAKOR_SOURCE_DATA_DIR) / "Sound");
    device.WaitUntilReady();
    if (!device.EffectLoaded(TSoundEffect::Rotate)) {
        state.SkipWithError("no sound device");
        return;
    }
    double longest = 0;
    double total = 0;
    for (auto _ : state) {
        while (device.DeviceRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
        const auto asked = Clock::now();
        device.PlayEffect(TSoundEffect::Rotate);
        while (device.LastEffectStart() < asked && Clock::now() < asked + std::chrono::seconds(2))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const double took = Milliseconds(device.LastEffectStart() - asked);
        longest = std::max(longest, took);
        total += took;
    }
    state.counters["first_samples_ms"] = total / static_cast<double>(state.iterations());
    state.counters["longest_first_samples_ms"] = longest;
    state.counters["buffer_ms"] = 512 * 1000.0 / 44100;
}
BENCHMARK(EffectAfterSilence)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace stakor
