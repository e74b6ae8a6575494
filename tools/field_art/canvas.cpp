#include "canvas.h"

#include <cmath>

#include "random.h"

namespace stakor::field_art {

double SmoothStep(double edge0, double edge1, double x)
{
    const double t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill)
{
}

void Canvas::Add(int x, int y, Rgb light, bool wrap)
{
    if (wrap) {
        x = ((x % width_) + width_) % width_;
        y = ((y % height_) + height_) % height_;
    } else if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    At(x, y) = At(x, y) + light;
}

void Canvas::Composite(const QImage& coverage, Rgb colour, double opacity)
{
    const QImage mask = coverage.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < height_; ++y) {
        const uchar* line = mask.constScanLine(y);
        for (int x = 0; x < width_; ++x) {
            if (line[x] != 0) {
                At(x, y) = Mix(At(x, y), colour, opacity * line[x] / 255.0);
            }
        }
    }
}

QImage Canvas::ToImage(bool dither, uint64_t seed) const
{
    QImage image(width_, height_, QImage::Format_RGB888);
    Random random(seed);
    auto channel = [&](double value) {
        const double offset = dither ? random.Uniform() - 0.5 : 0.0;
        return static_cast<uchar>(std::clamp(std::lround(value + offset), 0L, 255L));
    };
    for (int y = 0; y < height_; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width_; ++x) {
            const Rgb& c = At(x, y);
            line[3 * x] = channel(c.r);
            line[3 * x + 1] = channel(c.g);
            line[3 * x + 2] = channel(c.b);
        }
    }
    return image;
}

} // namespace stakor::field_art
