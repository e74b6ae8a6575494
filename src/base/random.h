#pragma once

#include <cstdint>

namespace stakor {

// The game's one random source: a 32-bit linear congruential generator.
// A seed replays a whole game, so every caller draws in the order the rules give.
class TRandom {
public:
    explicit TRandom(uint32_t seed = 0) : Seed(seed) {}

    // An integer in 0..n-1 (0 for n = 0). The seed advances on every call,
    // also for n = 0 or 1, because replays depend on the count of draws.
    int32_t Random(int32_t n)
    {
        Seed = Seed * 134775813u + 1u;
        return static_cast<int32_t>((static_cast<uint64_t>(Seed) * static_cast<uint32_t>(n)) >> 32);
    }

    // ((hour * 60 + minute) * 60 + second) * 1000 + milliseconds of the UTC time of day.
    static uint32_t SeedFromTimeOfDay();

    uint32_t Seed;
};

} // namespace stakor
