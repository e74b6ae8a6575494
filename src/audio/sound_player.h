#pragma once

#include <filesystem>
#include <functional>

#include "audio/audio_device.h"
#include "audio/music_player.h"
#include "audio/sound.h"

namespace stakor {

// The game's sound: effects from "Sound/" and random pieces from "Music/"
// beside the program, each switched by the player's settings.
class TSoundPlayer : public ISound {
public:
    struct TSwitches {
        std::function<bool()> PlaySound;
        std::function<bool()> PlayMusic;
        std::function<bool()> Minimized;
        std::function<int32_t(int32_t)> Random;
    };

    TSoundPlayer(IWindowCalls& calls, const std::filesystem::path& programDir, std::filesystem::path soundFont = {});

    void PlaySoundEffect(TSoundEffect effect) override;
    void StartMusic() override;
    void StopMusic() override;

    // Set by the program once the settings, the generator and the window exist.
    TSwitches Switches;

    TAudioDevice Device;
    TMusicPlayer Music;
};

} // namespace stakor
