#pragma once

#include <cstdint>

namespace stakor::field_art {

// A small generator of our own (SplitMix64), so that the art comes out the
// same with every compiler and library; std distributions do not promise that.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // In [0, 1).
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Uniform(double low, double high) { return low + (high - low) * Uniform(); }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

private:
    uint64_t state_;
};

// Smooth value noise in about [0, 1]. With a period > 0 the lattice wraps
// round after that many units in both directions, for pictures that tile.
double ValueNoise(double x, double y, uint32_t seed, int period = 0);
// Several octaves of value noise, each twice as fine and half as strong.
double FractalNoise(double x, double y, uint32_t seed, int octaves, int period = 0);

} // namespace stakor::field_art
