#include "random.h"

#include <cmath>

namespace stakor::field_art {

namespace {

double LatticeValue(int x, int y, uint32_t seed)
{
    uint32_t h = seed * 0x27D4EB2DU;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA6BU;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE35U;
    h ^= h >> 16;
    h *= 0x7FEB352DU;
    h ^= h >> 15;
    h *= 0x846CA68BU;
    h ^= h >> 16;
    return h / 4294967295.0;
}

double Fade(double t)
{
    return t * t * t * (t * (t * 6 - 15) + 10);
}

int Wrap(int v, int period)
{
    return period > 0 ? ((v % period) + period) % period : v;
}

} // namespace

double ValueNoise(double x, double y, uint32_t seed, int period)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int x0 = static_cast<int>(fx);
    const int y0 = static_cast<int>(fy);
    const double tx = Fade(x - fx);
    const double ty = Fade(y - fy);
    const int xa = Wrap(x0, period), xb = Wrap(x0 + 1, period);
    const int ya = Wrap(y0, period), yb = Wrap(y0 + 1, period);
    const double top = LatticeValue(xa, ya, seed) * (1 - tx) + LatticeValue(xb, ya, seed) * tx;
    const double bottom = LatticeValue(xa, yb, seed) * (1 - tx) + LatticeValue(xb, yb, seed) * tx;
    return top * (1 - ty) + bottom * ty;
}

double FractalNoise(double x, double y, uint32_t seed, int octaves, int period)
{
    double sum = 0, weight = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * ValueNoise(x, y, seed + 101U * i, period);
        total += weight;
        weight *= 0.5;
        x *= 2;
        y *= 2;
        period *= 2;
    }
    return sum / total;
}

} // namespace stakor::field_art
