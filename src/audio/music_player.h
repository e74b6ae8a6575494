#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

namespace stakor {

// Calls that land on the window thread: one after a delay, or one handed over
// from another thread (the audio thread posts, it never calls the rules).
class IWindowCalls {
public:
    virtual ~IWindowCalls() = default;
    virtual void CallLater(int delayMs, std::function<void()> call) = 0;
    // May be called from any thread.
    virtual void Post(std::function<void()> call) = 0;
};

// What plays one MIDI piece. Open reads the file and says whether it can be
// played; Play starts it from its beginning; Close silences it. When a piece
// stops by itself the device hands its number to TMusicPlayer::PieceEnded on
// the window thread.
class IMusicDevice {
public:
    virtual ~IMusicDevice() = default;
    virtual bool Open(const std::filesystem::path& file, uint64_t piece) = 0;
    virtual void Play() = 0;
    virtual void Close() = 0;
};

// The music's states: idle, armed (a start is pending), playing (a piece is
// open). Random pieces follow one another for as long as music is wanted;
// a stop closes the piece, so a later start begins a fresh one.
class TMusicPlayer {
public:
    struct TSwitches {
        std::function<bool()> PlayMusic;
        std::function<bool()> Minimized;
        std::function<int32_t(int32_t)> Random; // the game's own generator
    };

    TMusicPlayer(IMusicDevice& device, IWindowCalls& calls, std::filesystem::path musicDir, TSwitches switches);
    ~TMusicPlayer();
    TMusicPlayer(const TMusicPlayer&) = delete;
    TMusicPlayer& operator=(const TMusicPlayer&) = delete;

    void StartMusic();
    void StopMusic();

    // The delayed start has come (on the window thread).
    void StartTimerFired();
    // A piece stopped playing; only a piece that played to its end, and is
    // still the open one, brings the next. Runs on the window thread.
    void PieceEnded(uint64_t piece, bool completed);

    bool Armed() const { return StartTimer; }
    bool MusicOpen() const { return Open; }
    // Counts the pieces opened, so a late report of an old piece is told apart.
    uint64_t Piece() const { return PieceNumber; }

    static constexpr int StartDelayMs = 100;
    static constexpr int PieceCount = 8;

private:
    void CloseMusic();
    void OpenNextPiece();
    void PlayOpenPiece();

    IMusicDevice& Device;
    IWindowCalls& Calls;
    std::filesystem::path MusicDir;
    TSwitches Switches;
    bool StartTimer = false;
    uint64_t StartNumber = 0; // tells the pending start from one called off
    bool Open = false;
    uint64_t PieceNumber = 0;
    // Delayed calls outlive nothing: the player's destruction disarms them.
    std::shared_ptr<bool> Alive;
};

} // namespace stakor
