#include "audio/audio_device.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>
#include <utility>

#include <SDL.h>
#include <SDL_mixer.h>
#include <alsa/asoundlib.h>
#include <fluidsynth.h>

namespace stakor {

namespace {

constexpr int SampleRate = 44100;
// 512 frames are 12 ms at 44.1 kHz: an effect starts well within 25 ms.
constexpr int BufferFrames = 512;
constexpr std::uintmax_t LargestFile = 8u << 20;

// A machine without a sound card makes ALSA complain on standard error; the
// game is silent there instead.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void QuietFluid(int, const char*, void*) {}

std::vector<uint8_t> ReadSmallFile(const std::filesystem::path& file)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size == 0 || size > LargestFile)
        return {};
    std::vector<uint8_t> data(static_cast<size_t>(size));
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size())))
        return {};
    return data;
}

uint32_t BigEndian32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

uint32_t LittleEndian32(const char* p)
{
    const auto* b = reinterpret_cast<const uint8_t*>(p);
    return uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
}

// Only a whole SoundFont file goes to the synthesizer: when its own reader
// refuses a file, a fallback reader tries it again and complains on standard error.
bool LooksLikeSoundFont(const std::filesystem::path& file)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    char head[12] = {};
    std::ifstream in(file, std::ios::binary);
    if (error || size < 12 || !in.read(head, sizeof head))
        return false;
    return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "sfbk", 4) == 0 &&
        LittleEndian32(head + 4) + 8ull == size;
}

} // namespace

struct TAudioDevice::TState {
    std::filesystem::path SoundDir;
    std::filesystem::path MusicDir;
    std::filesystem::path SoundFont;
    std::thread Loader;

    // Written by the loader before Ready is set, read-only afterwards.
    std::atomic<bool> Ready{false};
    bool DeviceOpen = false;
    bool SdlStarted = false;
    std::array<Mix_Chunk*, SoundEffectNames.size()> Chunks{};
    fluid_settings_t* Settings = nullptr;
    fluid_synth_t* Synth = nullptr;
    bool FontLoaded = false;

    // Held by the audio thread while it renders, and by the window thread
    // while it swaps the piece: the synthesizer never sees a half-made player.
    std::mutex Lock;
    fluid_player_t* Player = nullptr;
    uint64_t PlayerPiece = 0;
    bool EndReported = false;
    IWindowCalls* Calls = nullptr;
    std::shared_ptr<bool> Alive;
    std::function<void(uint64_t, bool)>* PieceEnded = nullptr;

    // Window thread only.
    std::vector<uint8_t> OpenData;
    uint64_t OpenPiece = 0;
    bool HaveOpen = false;
    bool PlayWhenReady = false;

    void Load();
    void Render(Uint8* stream, int bytes);
    void DropPlayer();
    void Release();
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
    // Effects and music share the device; the format stays 16-bit stereo,
    // which is what the synthesizer writes.
    if (Mix_OpenAudioDevice(SampleRate, AUDIO_S16SYS, 2, BufferFrames, nullptr, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE) !=
        0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO); // nothing of SDL stays behind when there is no card
        SdlStarted = false;
        return;
    }
    DeviceOpen = true;
    Mix_AllocateChannels(1);
    for (size_t i = 0; i < Chunks.size(); ++i) {
        const auto file = SoundDir / (std::string(SoundEffectNames[i]) + ".wav");
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(file, error);
        if (!error && size > 0 && size <= LargestFile)
            Chunks[i] = Mix_LoadWAV(file.string().c_str());
    }

    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) == 0 || format != AUDIO_S16SYS || channels != 2)
        return;
    if (!LooksLikeSoundFont(SoundFont))
        return;
    Settings = new_fluid_settings();
    if (!Settings)
        return;
    fluid_settings_setnum(Settings, "synth.sample-rate", frequency);
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
    const int font = fluid_synth_sfload(Synth, SoundFont.string().c_str(), 1);
    FontLoaded = font != FLUID_FAILED;
    if (!FontLoaded)
        return;
    std::set<std::pair<int, int>> programs;
    for (int n = 1; n <= TMusicPlayer::PieceCount && !MusicDir.empty(); ++n)
        programs.merge(ProgramsOf(ReadSmallFile(MusicDir / (std::to_string(n) + ".mid"))));
    int channel = 16;
    for (const auto& [bank, program] : programs)
        if (channel < 64)
            fluid_synth_program_select(Synth, channel++, font, bank, program);
    Mix_HookMusic(
        [](void* state, Uint8* stream, int bytes) { static_cast<TState*>(state)->Render(stream, bytes); }, this);
}

void TAudioDevice::TState::Render(Uint8* stream, int bytes)
{
    const std::lock_guard lock(Lock);
    const int frames = bytes / 4;
    fluid_synth_write_s16(Synth, frames, stream, 0, 2, stream, 1, 2);
    if (Player && !EndReported && fluid_player_get_status(Player) == FLUID_PLAYER_DONE) {
        EndReported = true;
        // A file the synthesizer could not read ends at once with no ticks:
        // that is no end of a piece, and brings no next one.
        const bool completed = fluid_player_get_total_ticks(Player) > 0;
        const uint64_t piece = PlayerPiece;
        auto* handler = PieceEnded;
        Calls->Post([alive = Alive, handler, piece, completed] {
            if (*alive && *handler)
                (*handler)(piece, completed);
        });
    }
}

void TAudioDevice::TState::DropPlayer()
{
    const std::lock_guard lock(Lock);
    if (!Player)
        return;
    fluid_player_stop(Player);
    delete_fluid_player(Player);
    Player = nullptr;
    fluid_synth_all_sounds_off(Synth, -1);
}

void TAudioDevice::TState::Release()
{
    if (DeviceOpen) {
        Mix_HookMusic(nullptr, nullptr);
        Mix_HaltChannel(-1);
        Mix_CloseAudio();
    }
    if (Player)
        delete_fluid_player(Player);
    if (Synth)
        delete_fluid_synth(Synth);
    if (Settings)
        delete_fluid_settings(Settings);
    for (Mix_Chunk* chunk : Chunks)
        if (chunk)
            Mix_FreeChunk(chunk);
    if (SdlStarted)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

TAudioDevice::TAudioDevice(IWindowCalls& calls, std::filesystem::path soundDir, std::filesystem::path musicDir,
    std::filesystem::path soundFont)
    : Calls(calls), State(std::make_unique<TState>())
{
    State->SoundDir = std::move(soundDir);
    State->MusicDir = std::move(musicDir);
    State->SoundFont = soundFont.empty() ? FindSoundFont() : std::move(soundFont);
    State->Calls = &calls;
    State->Alive = std::make_shared<bool>(true);
    State->PieceEnded = &PieceEnded;
    State->Loader = std::thread([this] {
        State->Load();
        SDL_TLSCleanup(); // SDL keeps an error text per thread and frees it only when asked
        State->Ready.store(true, std::memory_order_release);
        Calls.Post([this, alive = State->Alive] {
            if (*alive && State->PlayWhenReady) {
                State->PlayWhenReady = false;
                StartPlayer();
            }
        });
    });
}

TAudioDevice::~TAudioDevice()
{
    *State->Alive = false;
    State->Loader.join();
    State->Release();
}

void TAudioDevice::WaitUntilReady()
{
    while (!State->Ready.load(std::memory_order_acquire))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool TAudioDevice::DeviceOpen() const
{
    return State->Ready.load(std::memory_order_acquire) && State->DeviceOpen;
}

bool TAudioDevice::SoundFontLoaded() const
{
    return State->Ready.load(std::memory_order_acquire) && State->FontLoaded;
}

bool TAudioDevice::EffectLoaded(TSoundEffect effect) const
{
    return DeviceOpen() && State->Chunks[static_cast<size_t>(effect)] != nullptr;
}

std::optional<TSoundEffect> TAudioDevice::PlayingEffect() const
{
    if (!DeviceOpen() || Mix_Playing(0) == 0)
        return std::nullopt;
    Mix_Chunk* playing = Mix_GetChunk(0);
    for (size_t i = 0; i < State->Chunks.size(); ++i)
        if (State->Chunks[i] && State->Chunks[i] == playing)
            return static_cast<TSoundEffect>(i);
    return std::nullopt;
}

void TAudioDevice::PlayEffect(TSoundEffect effect)
{
    if (!DeviceOpen())
        return;
    if (Mix_Chunk* chunk = State->Chunks[static_cast<size_t>(effect)])
        Mix_PlayChannel(0, chunk, 0); // the one channel: a new effect cuts the old one off
}

bool TAudioDevice::Open(const std::filesystem::path& file, uint64_t piece)
{
    Close();
    const bool ready = State->Ready.load(std::memory_order_acquire);
    if (ready && !State->FontLoaded)
        return false;
    std::vector<uint8_t> data = ReadSmallFile(file);
    if (!LooksLikeMidi(data))
        return false;
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
    State->DropPlayer();
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
    State->EndReported = false;
}

void TAudioDevice::Close()
{
    State->HaveOpen = false;
    State->PlayWhenReady = false;
    State->OpenData.clear();
    if (State->Ready.load(std::memory_order_acquire) && State->FontLoaded)
        State->DropPlayer();
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

std::set<std::pair<int, int>> TAudioDevice::ProgramsOf(const std::vector<uint8_t>& data)
{
    std::set<std::pair<int, int>> programs;
    if (!LooksLikeMidi(data))
        return programs;
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
        for (size_t p = start; p < end;) {
            variable(p, end); // the time before the event
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
                if (kind == 0xC0)
                    programs.insert({(status & 0x0F) == 9 ? 128 : 0, data[p] & 0x7F});
                p += length;
            } else {
                break; // no status to run on
            }
        }
    }
    return programs;
}

} // namespace stakor
