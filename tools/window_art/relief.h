#pragma once

#include <functional>
#include <vector>

#include <QImage>
#include <QPainterPath>

namespace stakor::window_art {

// Samples per pixel along each axis. The relief is built and lit at this finer
// grid and then averaged down, which antialiases every edge and bevel for free.
constexpr int kSub = 4;

struct TRgb {
    float R = 0;
    float G = 0;
    float B = 0;
};

// What the scene says about one sample point.
struct TSurface {
    TRgb Albedo;
    float Height = 0; // in pixels; only its slopes matter
    float Gloss = 0; // strength of the glossy highlight
    bool Lit = true; // false: the albedo is shown as it is (cut-away parts)
};

// Signed distance from (x, y) to a rounded rectangle: negative inside.
float RoundedRectDistance(float x, float y, float left, float top, float right, float bottom, float radius);

// Distance in pixels from each sample of a kSub-times finer grid to the
// nearest sample outside the path; 0 outside. The grid is w*kSub by h*kSub.
class TInsideDistance {
public:
    TInsideDistance(const QPainterPath& path, int width, int height);
    float At(int sx, int sy) const { return Dist_[static_cast<size_t>(sy) * SW_ + sx]; }

private:
    int SW_;
    std::vector<float> Dist_;
};

// A height field with colours, lit from the upper left like a pressed metal
// sheet. Flat parts keep their albedo exactly, so a crop of a flat area matches
// a separate rendering of the same colours.
class TRelief {
public:
    // f(x, y, sx, sy): x, y the sample's centre in pixels, sx, sy its grid index.
    using TScene = std::function<TSurface(float x, float y, int sx, int sy)>;

    TRelief(int width, int height, const TScene& scene);
    QImage Shade() const;

private:
    int W_;
    int H_;
    std::vector<TSurface> S_;
};

// Smooth 0..1 ramp between e0 and e1.
float SmoothStep(float e0, float e1, float x);

// A fixed pseudo-random value in -1..1 for an integer pair, so the texture is
// the same on every run.
float Hash(int a, int b);

} // namespace stakor::window_art
