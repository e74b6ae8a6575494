#include "audio/music_player.h"

#include <memory>
#include <string>
#include <utility>

namespace stakor {

TMusicPlayer::TMusicPlayer(
    IMusicDevice& device, IWindowCalls& calls, std::filesystem::path musicDir, TSwitches switches)
    : Device(device),
      Calls(calls),
      MusicDir(std::move(musicDir)),
      Switches(std::move(switches)),
      Alive(std::make_shared<bool>(true))
{
}

TMusicPlayer::~TMusicPlayer()
{
    *Alive = false;
    CloseMusic();
}

void TMusicPlayer::StartMusic()
{
    if (!Switches.PlayMusic() || Open || Switches.Minimized() || StartTimer)
        return;
    StartTimer = true;
    Calls.CallLater(StartDelayMs, [this, alive = Alive, start = ++StartNumber] {
        if (*alive && start == StartNumber)
            StartTimerFired();
    });
}

void TMusicPlayer::StopMusic()
{
    // A start still pending is called off too: music that was stopped for a
    // pause, a minimise or a switch to another program must not begin 100 ms later.
    if (StartTimer) {
        StartTimer = false;
        ++StartNumber;
    }
    CloseMusic();
}

void TMusicPlayer::StartTimerFired()
{
    StartTimer = false;
    if (Open)
        return;
    OpenNextPiece();
    PlayOpenPiece();
}

void TMusicPlayer::PieceEnded(uint64_t piece, bool completed)
{
    if (!completed || !Open || piece != PieceNumber)
        return;
    OpenNextPiece();
    PlayOpenPiece();
}

void TMusicPlayer::CloseMusic()
{
    if (!Open)
        return;
    Device.Close();
    Open = false;
}

void TMusicPlayer::OpenNextPiece()
{
    CloseMusic();
    const int32_t number = Switches.Random(PieceCount) + 1;
    ++PieceNumber;
    Open = Device.Open(MusicDir / (std::to_string(number) + ".mid"), PieceNumber);
}

void TMusicPlayer::PlayOpenPiece()
{
    if (Open)
        Device.Play();
}

} // namespace stakor
