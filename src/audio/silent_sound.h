#pragma once

#include "audio/sound.h"

namespace stakor {

// Sound effects and music that are asked for and not played.
class TSilentSound : public ISound {
public:
    void PlaySoundEffect(TSoundEffect) override {}
    void StartMusic() override {}
    void StopMusic() override {}
};

} // namespace stakor
