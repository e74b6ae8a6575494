#pragma once

#include <array>
#include <string_view>

namespace stakor {

// Sound effects by index; the name is the base name of the wave file.
enum class TSoundEffect { Pause, Resume, Game, Rotate, Drop, Stop, Fall, Line, Level };

inline constexpr std::array<std::string_view, 9> SoundEffectNames = {
    "pause", "resume", "game", "rotate", "drop", "stop", "fall", "line", "level"};

constexpr std::string_view SoundEffectName(TSoundEffect effect)
{
    return SoundEffectNames[static_cast<size_t>(effect)];
}

// What the rules ask of the speakers. Whether sound or music is switched on
// is the player's business, decided behind this interface.
class ISound {
public:
    virtual ~ISound() = default;
    virtual void PlaySoundEffect(TSoundEffect effect) = 0;
    virtual void StartMusic() = 0;
    virtual void StopMusic() = 0;
};

} // namespace stakor
