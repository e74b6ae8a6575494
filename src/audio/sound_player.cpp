#include "audio/sound_player.h"

namespace stakor {

TSoundPlayer::TSoundPlayer(
    IWindowCalls& calls, const std::filesystem::path& programDir, std::filesystem::path soundFont)
    : Switches{[] { return false; }, [] { return false; }, [] { return false; }, [](int32_t) { return 0; }},
      Device(calls, programDir / "Sound", programDir / "Music", std::move(soundFont)),
      Music(Device, calls, programDir / "Music",
          {[this] { return Switches.PlayMusic(); }, [this] { return Switches.Minimized(); },
              [this](int32_t n) { return Switches.Random(n); }})
{
    Device.PieceEnded = [this](uint64_t piece, bool completed) { Music.PieceEnded(piece, completed); };
}

void TSoundPlayer::PlaySoundEffect(TSoundEffect effect)
{
    if (Switches.PlaySound())
        Device.PlayEffect(effect);
}

void TSoundPlayer::StartMusic()
{
    Music.StartMusic();
}

void TSoundPlayer::StopMusic()
{
    Music.StopMusic();
}

} // namespace stakor
