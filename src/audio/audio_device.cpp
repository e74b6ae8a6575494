#include "audio/audio_device.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include <SDL.h>
#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings/user_file.h"

namespace stakor {

namespace {

constexpr int SampleRate = 44100;
// 512 frames are 12 ms at 44.1 kHz: an effect starts well within 25 ms.
constexpr int BufferFrames = 512;
constexpr size_t LargestFile = 8u << 20;
// The shipped effects are a few dozen kilobytes; a few megabytes of wave data
// is already far longer than LongestEffectMs.
constexpr size_t LargestEffectFile = 4u << 20;
// The device is asked for this; the effects and the synthesizer write it.
constexpr SDL_AudioFormat DeviceFormat = AUDIO_S16SYS;
constexpr int DeviceChannels = 2;
// Below this the synthesizer's output counts as silence (about one step of 16 bits).
constexpr float SilentLevel = 1.0f / 32768;
// From a piece's last note to the next piece.
constexpr int BreathMs = 250;

// A machine without a sound card makes ALSA complain on standard error; the
// game is silent there instead.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void QuietFluid(int, const char*, void*) {}

std::vector<uint8_t> ReadSmallFile(const std::filesystem::path& file, size_t largest)
{
    std::string bytes;
    if (ReadRegularFile(file, bytes, largest + 1) != TReadResult::Read || bytes.empty() || bytes.size() > largest)
        return {};
    return {bytes.begin(), bytes.end()};
}

uint32_t BigEndian32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

uint32_t LittleEndian32(const uint8_t* p)
{
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// The SoundFont reaches the synthesizer through a descriptor opened here (a
// regular file, never a pipe that would block the reader), under a name no
// file has. The synthesizer's fallback reader, which complains on standard
// error about any file its own reader refused, finds nothing under that name.
constexpr std::string_view FontNamePrefix = "\x01stakor soundfont descriptor ";

void* OpenFont(const char* name)
{
    const std::string_view text(name);
    if (text.substr(0, FontNamePrefix.size()) != FontNamePrefix)
        return nullptr;
    // A new opening of the same file: the reader may hold several at once,
    // each with its own position.
    const std::string path = "/proc/self/fd/" + std::string(text.substr(FontNamePrefix.size()));
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return nullptr;
    FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
}

int ReadFont(void* buffer, fluid_long_long_t count, void* handle)
{
    return count >= 0 && std::fread(buffer, 1, static_cast<size_t>(count), static_cast<FILE*>(handle)) ==
            static_cast<size_t>(count)
        ? FLUID_OK
        : FLUID_FAILED;
}

int SeekFont(void* handle, fluid_long_long_t offset, int origin)
{
    return ::fseeko(static_cast<FILE*>(handle), static_cast<off_t>(offset), origin) == 0 ? FLUID_OK : FLUID_FAILED;
}

fluid_long_long_t TellFont(void* handle)
{
    return ::ftello(static_cast<FILE*>(handle));
}

int CloseFont(void* handle)
{
    return std::fclose(static_cast<FILE*>(handle)) == 0 ? FLUID_OK : FLUID_FAILED;
}

// A regular file whose RIFF header says "sfbk" and covers the whole file;
// the descriptor, or -1.
int OpenSoundFont(const std::filesystem::path& file)
{
    if (file.empty())
        return -1;
    const int fd = OpenRegularFile(file);
    if (fd < 0)
        return -1;
    struct stat info {};
    uint8_t head[12] = {};
    if (::fstat(fd, &info) == 0 && info.st_size >= 12 && ::pread(fd, head, sizeof head, 0) == 12 &&
        std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "sfbk", 4) == 0 &&
        LittleEndian32(head + 4) + 8ull == static_cast<unsigned long long>(info.st_size))
        return fd;
    ::close(fd);
    return -1;
}

} // namespace

struct TAudioDevice::TState {
    std::filesystem::path SoundDir;
    std::filesystem::path MusicDir;
    std::filesystem::path SoundFont;
    std::thread Worker;

    // Written by the worker before Ready is set, read-only afterwards.
    std::atomic<bool> Ready{false};
    bool SdlStarted = false;
    bool CanOpen = false; // a device opened once: the format below is known
    int Frequency = SampleRate;
    std::array<std::vector<int16_t>, SoundEffectNames.size()> Effects{};
    fluid_settings_t* Settings = nullptr;
    fluid_synth_t* Synth = nullptr;
    bool FontLoaded = false;
    int FontFile = -1;

    // Held by the audio thread while it renders, by the worker while it opens
    // and closes the device, and by the window thread while it starts an
    // effect or swaps the piece.
    mutable std::mutex Lock;
    std::condition_variable Wake; // the worker's: a wish, or the end
    SDL_AudioDeviceID Device = 0; // worker only
    bool Running = false;         // the device is open and playing what is below
    bool WantOpen = false;        // something waits for the device
    bool Quit = false;
    bool Finished = false; // the worker has let everything go
    std::condition_variable Done;
    bool Abandoned = false; // TAudioDevice is gone: post nothing more
    int EffectIndex = -1;   // the effect on the channel, -1 for none
    size_t EffectAt = 0;    // its next sample
    std::chrono::steady_clock::time_point EffectStart;
    fluid_player_t* Player = nullptr;
    uint64_t PlayerPiece = 0;
    uint64_t PlayerLastNote = 0; // tick of the piece's last note on or off
    int64_t FramesAfterLastNote = 0;
    bool EndReported = false;
    bool SynthBusy = false; // the synthesizer may still sound: render it
    bool FadeOut = false;   // a stopped piece fades over the next buffer
    bool Muted = false;     // ... and its echo is not heard
    int64_t SilentFrames = 0;
    std::vector<float> SynthBuffer;
    IWindowCalls* Calls = nullptr;
    std::shared_ptr<bool> Alive; // the device, for calls landing on the window thread
    std::function<void(uint64_t, bool)>* PieceEnded = nullptr;
    std::function<void()> OnReady;

    // Window thread only.
    std::vector<uint8_t> OpenData;
    uint64_t OpenLastNote = 0;
    uint64_t OpenPiece = 0;
    bool HaveOpen = false;
    bool PlayWhenReady = false;

    void Load();
    void LoadEffects();
    void LoadSynthesizer();
    void Serve();
    bool OpenDevice(bool first);
    void Render(Uint8* stream, int bytes);
    void Release();
    // Under Lock, from the window thread: the device is wanted.
    void AskForDevice();
};

void TAudioDevice::TState::Load()
{
    snd_lib_error_set_handler(QuietAlsa);
    for (int level = 0; level < LAST_LOG_LEVEL; ++level)
        fluid_set_log_function(level, QuietFluid, nullptr);

    // Ctrl+C and a polite kill end the game as before: SDL's own handlers would
    // turn them into events nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return;
    SdlStarted = true;
    if (!OpenDevice(true)) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO); // nothing of SDL stays behind when there is no card
        SdlStarted = false;
        return;
    }
    CanOpen = true;
    LoadEffects();
    LoadSynthesizer();
    if (Synth)
        SynthBuffer.resize(static_cast<size_t>(BufferFrames) * 2 * 4);
}

bool TAudioDevice::TState::OpenDevice(bool first)
{
    SDL_AudioSpec wanted{};
    wanted.freq = first ? SampleRate : Frequency;
    wanted.format = DeviceFormat;
    wanted.channels = DeviceChannels;
    wanted.samples = BufferFrames;
    wanted.userdata = this;
    wanted.callback = [](void* state, Uint8* stream, int bytes) { static_cast<TState*>(state)->Render(stream, bytes); };
    SDL_AudioSpec obtained{};
    // The rate may differ the first time; the effects and the synthesizer then
    // follow it, and later openings ask for it again.
    const SDL_AudioDeviceID device =
        SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, first ? SDL_AUDIO_ALLOW_FREQUENCY_CHANGE : 0);
    if (device == 0)
        return false;
    {
        const std::lock_guard lock(Lock);
        Device = device;
        Frequency = obtained.freq;
        Running = true;
        SilentFrames = 0;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void TAudioDevice::TState::LoadEffects()
{
    for (size_t i = 0; i < Effects.size(); ++i) {
        const auto data = ReadSmallFile(SoundDir / (std::string(SoundEffectNames[i]) + ".wav"), LargestEffectFile);
        if (!LooksLikeWave(data))
            continue;
        SDL_AudioSpec wave{};
        Uint8* samples = nullptr;
        Uint32 length = 0;
        if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(data.data(), static_cast<int>(data.size())), 1, &wave, &samples, &length))
            continue;
        const Uint32 frame = SDL_AUDIO_BITSIZE(wave.format) / 8 * wave.channels;
        const uint64_t longest = uint64_t{frame} * static_cast<uint64_t>(wave.freq) * LongestEffectMs / 1000;
        length = static_cast<Uint32>(std::min<uint64_t>(length - length % std::max<Uint32>(frame, 1), longest));
        SDL_AudioCVT convert{};
        if (frame > 0 && length > 0 &&
            SDL_BuildAudioCVT(
                &convert, wave.format, wave.channels, wave.freq, DeviceFormat, DeviceChannels, Frequency) >= 0) {
            std::vector<Uint8> buffer(static_cast<size_t>(length) * static_cast<size_t>(std::max(convert.len_mult, 1)));
            std::memcpy(buffer.data(), samples, length);
            convert.buf = buffer.data();
            convert.len = static_cast<int>(length);
            if (SDL_ConvertAudio(&convert) == 0) {
                auto& effect = Effects[i];
                effect.resize(static_cast<size_t>(convert.len_cvt) / sizeof(int16_t));
                std::memcpy(effect.data(), buffer.data(), effect.size() * sizeof(int16_t));
                effect.resize(effect.size() - effect.size() % 2);
            }
        }
        SDL_FreeWAV(samples);
    }
}

void TAudioDevice::TState::LoadSynthesizer()
{
    FontFile = OpenSoundFont(SoundFont);
    if (FontFile < 0)
        return;
    Settings = new_fluid_settings();
    if (!Settings)
        return;
    fluid_settings_setnum(Settings, "synth.sample-rate", Frequency);
    fluid_settings_setnum(Settings, "synth.gain", 0.4); // leaves room for the effects on top
    fluid_settings_setint(Settings, "synth.polyphony", 64);
    fluid_settings_setint(Settings, "synth.cpu-cores", 1);
    // Only the samples of the instruments the pieces choose are read.
    fluid_settings_setint(Settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(Settings, "player.reset-synth", 0);
    // The pieces play on the first 16 channels; the others only hold the
    // instruments the pieces choose, so their samples are read here, once,
    // and never by the audio thread in the middle of a piece.
    fluid_settings_setint(Settings, "synth.midi-channels", 64);
    Synth = new_fluid_synth(Settings);
    if (!Synth)
        return;
    fluid_sfloader_t* loader = new_fluid_defsfloader(Settings);
    if (!loader)
        return;
    fluid_sfloader_set_callbacks(loader, OpenFont, ReadFont, SeekFont, TellFont, CloseFont);
    fluid_synth_add_sfloader(Synth, loader); // asked first; the synthesizer owns it
    const std::string name = std::string(FontNamePrefix) + std::to_string(FontFile);
    const int font = fluid_synth_sfload(Synth, name.c_str(), 1);
    FontLoaded = font != FLUID_FAILED;
    if (!FontLoaded)
        return;
    std::set<std::pair<int, int>> programs;
    for (int n = 1; n <= TMusicPlayer::PieceCount && !MusicDir.empty(); ++n)
        programs.merge(ProgramsOf(ReadSmallFile(MusicDir / (std::to_string(n) + ".mid"), LargestFile)));
    int channel = 16;
    for (const auto& [bank, program] : programs)
        if (channel < 64)
            fluid_synth_program_select(Synth, channel++, font, bank, program);
}

void TAudioDevice::TState::AskForDevice()
{
    SilentFrames = 0;
    if (!Running && CanOpen && !WantOpen) {
        WantOpen = true;
        Wake.notify_all();
    }
}

// The worker after loading: opens the device when something is to be heard,
// and closes it after HoldMs of silence. While the device is closed it sleeps
// without a timeout.
void TAudioDevice::TState::Serve()
{
    std::unique_lock lock(Lock);
    while (!Quit) {
        if (WantOpen && !Running) {
            lock.unlock();
            const bool opened = OpenDevice(false);
            lock.lock();
            WantOpen = false;
            if (!opened)
                EffectIndex = -1; // the server went away: this effect is skipped
            continue;
        }
        const bool silent = Running && EffectIndex < 0 && !Player && !SynthBusy &&
            SilentFrames >= static_cast<int64_t>(Frequency) * HoldMs / 1000;
        if (silent) {
            // The callback plays nothing from here on; what is asked for now
            // waits for the next opening.
            Running = false;
            const SDL_AudioDeviceID device = std::exchange(Device, 0);
            lock.unlock();
            SDL_CloseAudioDevice(device);
            lock.lock();
            continue;
        }
        if (Running)
            Wake.wait_for(lock, std::chrono::milliseconds(HoldMs / 4));
        else
            Wake.wait(lock, [this] { return Quit || WantOpen; });
    }
}

void TAudioDevice::TState::Render(Uint8* stream, int bytes)
{
    const std::lock_guard lock(Lock);
    std::memset(stream, 0, static_cast<size_t>(bytes));
    if (!Running)
        return;
    const int frames = bytes / (DeviceChannels * 2);
    auto* out = reinterpret_cast<int16_t*>(stream);
    bool audible = false;

    // Player and SynthBusy are only set once loading is done.
    if ((Player || SynthBusy) && static_cast<size_t>(frames) * 2 <= SynthBuffer.size()) {
        float* synth = SynthBuffer.data();
        fluid_synth_write_float(Synth, frames, synth, 0, 2, synth, 1, 2);
        float peak = 0;
        for (int i = 0; i < frames * 2; ++i)
            peak = std::max(peak, std::abs(synth[i]));
        SynthBusy = Player || peak > SilentLevel;
        if (FadeOut) {
            // A stopped piece goes down to nothing over this buffer instead of
            // breaking off, which would click.
            for (int i = 0; i < frames; ++i) {
                const float gain = 1.0f - static_cast<float>(i + 1) / static_cast<float>(frames);
                synth[2 * i] *= gain;
                synth[2 * i + 1] *= gain;
            }
            fluid_synth_all_sounds_off(Synth, -1);
            FadeOut = false;
            Muted = true;
        } else if (Muted) {
            std::fill(synth, synth + frames * 2, 0.0f); // the echo of the stopped piece dies away unheard
        }
        for (int i = 0; i < frames * 2; ++i)
            out[i] = static_cast<int16_t>(std::clamp(synth[i] * 32767.0f, -32768.0f, 32767.0f));
        audible = !Muted && peak > SilentLevel;

        if (Player && !EndReported) {
            // The piece ends at its last event, not when the synthesizer's
            // player lets go (which waits seconds for every note to die away):
            // the next piece starts while the last notes of this one still ring.
            const int total = fluid_player_get_total_ticks(Player);
            const int tick = fluid_player_get_current_tick(Player);
            if (PlayerLastNote > 0 && tick >= 0 && static_cast<uint64_t>(tick) >= PlayerLastNote)
                FramesAfterLastNote += frames;
            // Pieces close with a bar or two of rest; the next one comes a
            // breath after the last note is let go instead.
            const bool done = fluid_player_get_status(Player) == FLUID_PLAYER_DONE || (total > 0 && tick >= total) ||
                FramesAfterLastNote >= static_cast<int64_t>(Frequency) * BreathMs / 1000;
            if (done) {
                EndReported = true;
                // A file the synthesizer could not read ends at once with no ticks:
                // that is no end of a piece, and brings no next one.
                const bool completed = total > 0;
                const uint64_t piece = PlayerPiece;
                auto* handler = PieceEnded;
                if (!Abandoned)
                    Calls->Post([alive = Alive, handler, piece, completed] {
                        if (*alive && *handler)
                            (*handler)(piece, completed);
                    });
            }
        }
    }

    if (EffectIndex >= 0) {
        const auto& effect = Effects[static_cast<size_t>(EffectIndex)];
        const size_t count = std::min(effect.size() - EffectAt, static_cast<size_t>(frames) * 2);
        if (EffectAt == 0)
            EffectStart = std::chrono::steady_clock::now();
        for (size_t i = 0; i < count; ++i)
            out[i] = static_cast<int16_t>(std::clamp(out[i] + effect[EffectAt + i], -32768, 32767));
        EffectAt += count;
        if (EffectAt >= effect.size())
            EffectIndex = -1;
        audible = audible || count > 0;
    }
    SilentFrames = audible ? 0 : SilentFrames + frames;
}

void TAudioDevice::TState::Release()
{
    if (Device)
        SDL_CloseAudioDevice(Device);
    Device = 0;
    if (Player)
        delete_fluid_player(Player);
    if (Synth)
        delete_fluid_synth(Synth);
    if (Settings)
        delete_fluid_settings(Settings);
    if (FontFile >= 0)
        ::close(FontFile);
    if (SdlStarted)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_TLSCleanup(); // SDL keeps an error text per thread and frees it only when asked
}

TAudioDevice::TAudioDevice(IWindowCalls& calls, std::filesystem::path soundDir, std::filesystem::path musicDir,
    std::filesystem::path soundFont)
    : Calls(calls), State(std::make_shared<TState>())
{
    State->SoundDir = std::move(soundDir);
    State->MusicDir = std::move(musicDir);
    State->SoundFont = soundFont.empty() ? FindSoundFont() : std::move(soundFont);
    State->Calls = &calls;
    State->Alive = std::make_shared<bool>(true);
    State->PieceEnded = &PieceEnded;
    State->OnReady = [this] {
        if (State->PlayWhenReady) {
            State->PlayWhenReady = false;
            StartPlayer();
        }
    };
    State->Worker = std::thread([state = State] {
        state->Load();
        state->Ready.store(true, std::memory_order_release);
        {
            const std::lock_guard lock(state->Lock);
            if (!state->Abandoned)
                state->Calls->Post([state, alive = state->Alive] {
                    if (*alive)
                        state->OnReady();
                });
        }
        state->Serve();
        state->Release();
        const std::lock_guard lock(state->Lock);
        state->Finished = true;
        state->Done.notify_all();
    });
}

TAudioDevice::~TAudioDevice()
{
    {
        const std::lock_guard lock(State->Lock);
        State->Quit = true;
        State->Abandoned = true;
        State->Wake.notify_all();
    }
    *State->Alive = false;
    // A worker still loading (a SoundFont on a slow disk, a sound server that
    // does not answer) is left to finish on its own: the program ends now.
    // Closing the device takes a buffer or two; a server that stopped
    // answering gets a second.
    bool finished = false;
    if (State->Ready.load(std::memory_order_acquire)) {
        std::unique_lock lock(State->Lock);
        finished = State->Done.wait_for(lock, std::chrono::seconds(1), [this] { return State->Finished; });
    }
    if (finished)
        State->Worker.join();
    else
        State->Worker.detach();
}

void TAudioDevice::WaitUntilReady()
{
    while (!State->Ready.load(std::memory_order_acquire))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool TAudioDevice::DeviceOpen() const
{
    return State->Ready.load(std::memory_order_acquire) && State->CanOpen;
}

bool TAudioDevice::DeviceRunning() const
{
    const std::lock_guard lock(State->Lock);
    return State->Running;
}

std::chrono::milliseconds TAudioDevice::EffectDuration(TSoundEffect effect) const
{
    if (!DeviceOpen())
        return {};
    const size_t samples = State->Effects[static_cast<size_t>(effect)].size();
    const std::lock_guard lock(State->Lock);
    return std::chrono::milliseconds(samples / 2 * 1000 / static_cast<size_t>(State->Frequency));
}

std::chrono::steady_clock::time_point TAudioDevice::LastEffectStart() const
{
    const std::lock_guard lock(State->Lock);
    return State->EffectStart;
}

bool TAudioDevice::SoundFontLoaded() const
{
    return State->Ready.load(std::memory_order_acquire) && State->FontLoaded;
}

bool TAudioDevice::EffectLoaded(TSoundEffect effect) const
{
    return DeviceOpen() && !State->Effects[static_cast<size_t>(effect)].empty();
}

std::optional<TSoundEffect> TAudioDevice::PlayingEffect() const
{
    if (!DeviceOpen())
        return std::nullopt;
    const std::lock_guard lock(State->Lock);
    if (State->EffectIndex < 0)
        return std::nullopt;
    return static_cast<TSoundEffect>(State->EffectIndex);
}

void TAudioDevice::PlayEffect(TSoundEffect effect)
{
    if (!DeviceOpen() || State->Effects[static_cast<size_t>(effect)].empty())
        return;
    const std::lock_guard lock(State->Lock);
    // The one channel: a new effect cuts the old one off.
    State->EffectIndex = static_cast<int>(effect);
    State->EffectAt = 0;
    State->AskForDevice();
}

bool TAudioDevice::Open(const std::filesystem::path& file, uint64_t piece)
{
    Close();
    const bool ready = State->Ready.load(std::memory_order_acquire);
    if (ready && !State->FontLoaded)
        return false;
    std::vector<uint8_t> data = ReadSmallFile(file, LargestFile);
    if (!LooksLikeMidi(data))
        return false;
    State->OpenLastNote = LastNoteTick(data);
    State->OpenData = std::move(data);
    State->OpenPiece = piece;
    State->HaveOpen = true;
    return true;
}

void TAudioDevice::Play()
{
    if (!State->HaveOpen)
        return;
    if (!State->Ready.load(std::memory_order_acquire)) {
        State->PlayWhenReady = true; // the SoundFont is still loading
        return;
    }
    StartPlayer();
}

void TAudioDevice::StartPlayer()
{
    if (!State->HaveOpen || !State->FontLoaded)
        return;
    ClosePiece(false);
    const std::lock_guard lock(State->Lock);
    fluid_player_t* player = new_fluid_player(State->Synth);
    if (!player)
        return;
    if (fluid_player_add_mem(player, State->OpenData.data(), State->OpenData.size()) != FLUID_OK ||
        fluid_player_play(player) != FLUID_OK) {
        delete_fluid_player(player);
        return;
    }
    State->Player = player;
    State->PlayerPiece = State->OpenPiece;
    State->PlayerLastNote = State->OpenLastNote;
    State->FramesAfterLastNote = 0;
    State->EndReported = false;
    State->SynthBusy = true;
    State->Muted = false;
    State->FadeOut = false;
    State->AskForDevice();
}

void TAudioDevice::Close()
{
    ClosePiece(true);
}

void TAudioDevice::ClosePiece(bool forget)
{
    if (forget) {
        State->HaveOpen = false;
        State->PlayWhenReady = false;
        State->OpenData.clear();
    }
    if (!State->Ready.load(std::memory_order_acquire) || !State->FontLoaded)
        return;
    const std::lock_guard lock(State->Lock);
    fluid_player_t* player = std::exchange(State->Player, nullptr);
    if (!player)
        return;
    fluid_player_stop(player);
    delete_fluid_player(player);
    if (State->EndReported) {
        // Played to its end: the last notes ring out under the next piece.
        fluid_synth_all_notes_off(State->Synth, -1);
    } else if (State->Running) {
        State->FadeOut = true;
    } else {
        fluid_synth_all_sounds_off(State->Synth, -1);
    }
}

std::filesystem::path TAudioDevice::FindSoundFont()
{
    if (const char* chosen = std::getenv("STAKOR_SOUNDFONT"); chosen && *chosen)
        return chosen;
    // The small font first: its few megabytes sound as well as most of the
    // large one's hundred and forty at the size of a game's speakers.
    for (const char* file : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
             "/usr/share/sounds/sf2/FluidR3_GM.sf2"}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(file, error))
            return file;
    }
    return {};
}

bool TAudioDevice::LooksLikeWave(const std::vector<uint8_t>& data)
{
    return data.size() >= 12 && std::memcmp(data.data(), "RIFF", 4) == 0 && std::memcmp(data.data() + 8, "WAVE", 4) == 0;
}

bool TAudioDevice::LooksLikeMidi(const std::vector<uint8_t>& data)
{
    if (data.size() < 14 || std::memcmp(data.data(), "MThd", 4) != 0 || BigEndian32(data.data() + 4) < 6)
        return false;
    const unsigned format = (unsigned{data[8]} << 8) | data[9];
    const unsigned tracks = (unsigned{data[10]} << 8) | data[11];
    if (format > 1 || tracks == 0)
        return false;
    size_t at = 8 + BigEndian32(data.data() + 4);
    unsigned found = 0;
    while (at + 8 <= data.size()) {
        const uint64_t length = BigEndian32(data.data() + at + 4);
        if (length > data.size() - at - 8)
            return false;
        if (std::memcmp(data.data() + at, "MTrk", 4) == 0)
            ++found;
        at += 8 + static_cast<size_t>(length);
    }
    return at == data.size() && found >= tracks;
}

namespace {

// Calls `event(tick, status, first data byte, second data byte)` for every
// channel message of every track of a file LooksLikeMidi accepted. Whatever the
// file holds, the reader stays inside it.
template <typename TEvent> void ForEachChannelEvent(const std::vector<uint8_t>& data, TEvent event)
{
    auto variable = [&](size_t& at, size_t end) {
        uint32_t value = 0;
        for (int i = 0; i < 4 && at < end; ++i) {
            const uint8_t byte = data[at++];
            value = (value << 7) | (byte & 0x7F);
            if (!(byte & 0x80))
                break;
        }
        return value;
    };
    size_t at = 8 + BigEndian32(data.data() + 4);
    while (at + 8 <= data.size()) {
        const size_t start = at + 8;
        const size_t end = start + BigEndian32(data.data() + at + 4); // inside the file: LooksLikeMidi checked
        const bool track = std::memcmp(data.data() + at, "MTrk", 4) == 0;
        at = end;
        if (!track)
            continue;
        uint8_t status = 0;
        uint64_t tick = 0;
        for (size_t p = start; p < end;) {
            tick += variable(p, end); // the time before the event
            if (p >= end)
                break;
            if (data[p] & 0x80)
                status = data[p++];
            if (status == 0xFF) { // meta event: type, length, data
                if (++p > end)
                    break;
                p += variable(p, end);
                status = 0;
            } else if (status == 0xF0 || status == 0xF7) { // system exclusive: length, data
                p += variable(p, end);
                status = 0;
            } else if (status >= 0x80 && status < 0xF0) {
                const uint8_t kind = status & 0xF0;
                const size_t length = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
                if (p + length > end)
                    break;
                event(tick, status, data[p], length == 2 ? data[p + 1] : uint8_t{0});
                p += length;
            } else {
                break; // no status to run on
            }
        }
    }
}

} // namespace

std::set<std::pair<int, int>> TAudioDevice::ProgramsOf(const std::vector<uint8_t>& data)
{
    std::set<std::pair<int, int>> programs;
    if (!LooksLikeMidi(data))
        return programs;
    ForEachChannelEvent(data, [&](uint64_t, uint8_t status, uint8_t first, uint8_t) {
        if ((status & 0xF0) == 0xC0)
            programs.insert({(status & 0x0F) == 9 ? 128 : 0, first & 0x7F});
    });
    return programs;
}

uint64_t TAudioDevice::LastNoteTick(const std::vector<uint8_t>& data)
{
    uint64_t last = 0;
    if (!LooksLikeMidi(data))
        return last;
    ForEachChannelEvent(data, [&](uint64_t tick, uint8_t status, uint8_t, uint8_t) {
        const uint8_t kind = status & 0xF0;
        if (kind == 0x80 || kind == 0x90)
            last = std::max(last, tick);
    });
    return last;
}

} // namespace stakor
