#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "audio/music_player.h"
#include "audio/sound.h"

namespace stakor {

// The sound card: wave effects on one channel and one MIDI synthesizer,
// sharing one SDL audio device. The device and the SoundFont are opened on a
// thread of their own, so the program starts without waiting; until they are
// ready, and for good when there is no device or no SoundFont, all is silent.
// The same thread closes the device after a moment of silence, so a silent
// game costs the machine and the sound server nothing, and opens it again for
// the next effect or piece.
class TAudioDevice : public IMusicDevice {
public:
    // soundFont empty: STAKOR_SOUNDFONT, else the General MIDI font Debian installs.
    // The instruments of the pieces in musicDir are made ready with the SoundFont.
    TAudioDevice(IWindowCalls& calls, std::filesystem::path soundDir, std::filesystem::path musicDir = {},
        std::filesystem::path soundFont = {});
    ~TAudioDevice() override;
    TAudioDevice(const TAudioDevice&) = delete;
    TAudioDevice& operator=(const TAudioDevice&) = delete;

    // Replaces the effect that plays; skipped when there is no device.
    void PlayEffect(TSoundEffect effect);

    bool Open(const std::filesystem::path& file, uint64_t piece) override;
    void Play() override;
    void Close() override;

    // Where the end of a piece goes, on the window thread.
    std::function<void(uint64_t piece, bool completed)> PieceEnded;

    // For tests and measurements: waits until the device and the SoundFont are
    // opened or given up on.
    void WaitUntilReady();
    // A device could be opened: effects can be heard (DeviceRunning says
    // whether it is open at this moment).
    bool DeviceOpen() const;
    bool SoundFontLoaded() const;
    bool EffectLoaded(TSoundEffect effect) const;
    // The effect the channel plays now, if any.
    std::optional<TSoundEffect> PlayingEffect() const;
    // How long an effect lasts as loaded.
    std::chrono::milliseconds EffectDuration(TSoundEffect effect) const;
    // When the audio thread last handed the first samples of an effect to the
    // device; the time of the call that rendered them.
    std::chrono::steady_clock::time_point LastEffectStart() const;
    // Whether the device is open now; it closes after HoldMs of silence.
    bool DeviceRunning() const;
    static constexpr int HoldMs = 2000;
    // Effects longer than this are cut short: whatever a file holds, an effect
    // stays a short sound and a small buffer.
    static constexpr int LongestEffectMs = 4000;

    // The SoundFont the program uses: STAKOR_SOUNDFONT if set, else the first
    // of Debian's General MIDI fonts that exists; empty when there is none.
    static std::filesystem::path FindSoundFont();

    // Effects are RIFF/WAVE files; nothing else reaches the decoder.
    static bool LooksLikeWave(const std::vector<uint8_t>& data);

    // The player accepts only files that look like standard MIDI files: a
    // header chunk and at least one track chunk, every chunk inside the file.
    static bool LooksLikeMidi(const std::vector<uint8_t>& data);

    // The instruments a MIDI file chooses, as (bank, program); the drum
    // channel's are bank 128. Whatever the file holds, the reader stays inside it.
    static std::set<std::pair<int, int>> ProgramsOf(const std::vector<uint8_t>& data);

    // The tick of the last note on or off of a MIDI file, 0 when it has none.
    static uint64_t LastNoteTick(const std::vector<uint8_t>& data);

    struct TState;

private:
    void StartPlayer();
    // Silences the piece; `forget` drops the open file too.
    void ClosePiece(bool forget);

    IWindowCalls& Calls;
    // Shared with the device thread, which outlives this object when it is
    // still stuck loading at the program's end: closing never waits for it.
    std::shared_ptr<TState> State;
};

} // namespace stakor
