#pragma once

#include "song.h"

namespace music {

// The eight pieces, in the order of their file numbers.
TSong OdeToJoy();
TSong MountainHall();
TSong Minuet();
TSong Largo();
TSong Greensleeves();
TSong GlassRain();
TSong NightShift();
TSong TriangleMarch();

} // namespace music
