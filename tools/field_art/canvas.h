#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include <QImage>

namespace stakor::field_art {

// Colours are worked in floating point (0..255 a channel) and rounded once,
// when a picture is finished, so shading steps never lose precision.
struct Rgb {
    double r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb operator*(Rgb a, double f)
{
    return {a.r * f, a.g * f, a.b * f};
}
inline Rgb operator*(Rgb a, Rgb b)
{
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}

inline double Clamp01(double t)
{
    return std::clamp(t, 0.0, 1.0);
}
inline Rgb Mix(Rgb a, Rgb b, double t)
{
    return a * (1 - t) + b * t;
}
inline Rgb Lighten(Rgb c, double t)
{
    return Mix(c, Rgb{255, 255, 255}, Clamp01(t));
}
inline Rgb Darken(Rgb c, double t)
{
    return c * (1 - Clamp01(t));
}
double SmoothStep(double edge0, double edge1, double x);

// A picture in progress.
class Canvas {
public:
    Canvas(int width, int height, Rgb fill = {});

    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgb& At(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Rgb& At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    // Adds light to a pixel; positions outside the picture are ignored, or
    // wrapped round when the picture is meant to tile.
    void Add(int x, int y, Rgb light, bool wrap = false);
    // Blends `colour` over the canvas wherever `coverage` (a greyscale image of
    // the same size, 255 = fully covered) is set.
    void Composite(const QImage& coverage, Rgb colour, double opacity = 1.0);

    // Rounds to 8-bit RGB. With `dither`, a fixed pseudo-random offset below
    // one step is added first, so soft gradients show no bands.
    QImage ToImage(bool dither, uint64_t seed = 0) const;

private:
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

} // namespace stakor::field_art
