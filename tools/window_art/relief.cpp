#include "relief.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include <QPainter>

namespace stakor::window_art {

namespace {

// Light from the upper left, a little above the surface; the view is straight on.
constexpr float kLx = -0.52f;
constexpr float kLy = -0.62f;
constexpr float kLz = 0.59f;
constexpr float kShininess = 28.0f;

// One-dimensional squared distance transform (Felzenszwalb and Huttenlocher).
void DistanceTransform1D(const float* f, float* d, int n, std::vector<int>& v, std::vector<float>& z)
{
    constexpr float kInf = std::numeric_limits<float>::infinity();
    int k = 0;
    v[0] = 0;
    z[0] = -kInf;
    z[1] = kInf;
    for (int q = 1; q < n; ++q) {
        if (f[q] == kInf) {
            continue;
        }
        while (true) {
            const int p = v[k];
            if (f[p] == kInf) {
                // The first parabola may be an empty one; replace it.
                v[k] = q;
                z[k] = -kInf;
                z[k + 1] = kInf;
                break;
            }
            const float s = ((f[q] + float(q) * q) - (f[p] + float(p) * p)) / (2.0f * (q - p));
            if (s <= z[k]) {
                if (k == 0) {
                    v[0] = q;
                    z[0] = -kInf;
                    z[1] = kInf;
                    break;
                }
                --k;
                continue;
            }
            ++k;
            v[k] = q;
            z[k] = s;
            z[k + 1] = kInf;
            break;
        }
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[k + 1] < q) {
            ++k;
        }
        const int p = v[k];
        d[q] = f[p] == kInf ? kInf : float(q - p) * (q - p) + f[p];
    }
}

} // namespace

float SmoothStep(float e0, float e1, float x)
{
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float Hash(int a, int b)
{
    uint32_t h = static_cast<uint32_t>(a) * 0x9E3779B1u ^ (static_cast<uint32_t>(b) + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return float(h & 0xFFFFu) / 32767.5f - 1.0f;
}

float RoundedRectDistance(float x, float y, float left, float top, float right, float bottom, float radius)
{
    const float cx = (left + right) * 0.5f;
    const float cy = (top + bottom) * 0.5f;
    const float hx = (right - left) * 0.5f - radius;
    const float hy = (bottom - top) * 0.5f - radius;
    const float qx = std::abs(x - cx) - hx;
    const float qy = std::abs(y - cy) - hy;
    const float ox = std::max(qx, 0.0f);
    const float oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

TInsideDistance::TInsideDistance(const QPainterPath& path, int width, int height) : SW_(width * kSub)
{
    // A margin around the grid: the outline may reach a little past the
    // picture, and its edge there still shapes the rim inside.
    constexpr int kPad = 4 * kSub;
    const int sh = height * kSub;
    const int pw = SW_ + 2 * kPad;
    const int ph = sh + 2 * kPad;
    QImage mask(pw, ph, QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.translate(kPad, kPad);
        p.scale(kSub, kSub);
        p.fillPath(path, Qt::white);
    }
    constexpr float kInf = std::numeric_limits<float>::infinity();
    std::vector<float> grid(static_cast<size_t>(pw) * ph);
    for (int y = 0; y < ph; ++y) {
        const uchar* line = mask.constScanLine(y);
        for (int x = 0; x < pw; ++x) {
            grid[static_cast<size_t>(y) * pw + x] = line[x] >= 128 ? kInf : 0.0f;
        }
    }
    const int n = std::max(pw, ph);
    std::vector<float> f(n);
    std::vector<float> d(n);
    std::vector<int> v(n);
    std::vector<float> z(n + 1);
    for (int x = 0; x < pw; ++x) {
        for (int y = 0; y < ph; ++y) {
            f[y] = grid[static_cast<size_t>(y) * pw + x];
        }
        DistanceTransform1D(f.data(), d.data(), ph, v, z);
        for (int y = 0; y < ph; ++y) {
            grid[static_cast<size_t>(y) * pw + x] = d[y];
        }
    }
    for (int y = 0; y < ph; ++y) {
        float* row = &grid[static_cast<size_t>(y) * pw];
        std::copy(row, row + pw, f.begin());
        DistanceTransform1D(f.data(), d.data(), pw, v, z);
        std::copy(d.begin(), d.begin() + pw, row);
    }
    Dist_.resize(static_cast<size_t>(SW_) * sh);
    for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < SW_; ++x) {
            const float sq = grid[static_cast<size_t>(y + kPad) * pw + x + kPad];
            // The edge lies half a sample beyond the nearest outside centre.
            Dist_[static_cast<size_t>(y) * SW_ + x] = sq <= 0.0f ? 0.0f : (std::sqrt(sq) - 0.5f) / kSub;
        }
    }
}

TRelief::TRelief(int width, int height, const TScene& scene) : W_(width), H_(height)
{
    const int sw = W_ * kSub;
    const int sh = H_ * kSub;
    S_.resize(static_cast<size_t>(sw) * sh);
    for (int sy = 0; sy < sh; ++sy) {
        const float y = (sy + 0.5f) / kSub;
        for (int sx = 0; sx < sw; ++sx) {
            const float x = (sx + 0.5f) / kSub;
            S_[static_cast<size_t>(sy) * sw + sx] = scene(x, y, sx, sy);
        }
    }
}

QImage TRelief::Shade() const
{
    const int sw = W_ * kSub;
    const int sh = H_ * kSub;
    const float hlen = std::sqrt(kLx * kLx + kLy * kLy + (kLz + 1) * (kLz + 1));
    const float hx = kLx / hlen;
    const float hy = kLy / hlen;
    const float hz = (kLz + 1) / hlen;
    const float flatShine = std::pow(hz, kShininess);
    auto height = [&](int x, int y) {
        x = std::clamp(x, 0, sw - 1);
        y = std::clamp(y, 0, sh - 1);
        return S_[static_cast<size_t>(y) * sw + x].Height;
    };

    std::vector<float> acc(static_cast<size_t>(W_) * H_ * 3, 0.0f);
    for (int sy = 0; sy < sh; ++sy) {
        for (int sx = 0; sx < sw; ++sx) {
            const TSurface& s = S_[static_cast<size_t>(sy) * sw + sx];
            TRgb c = s.Albedo;
            if (s.Lit) {
                const float dx = (height(sx + 1, sy) - height(sx - 1, sy)) * kSub * 0.5f;
                const float dy = (height(sx, sy + 1) - height(sx, sy - 1)) * kSub * 0.5f;
                const float len = std::sqrt(dx * dx + dy * dy + 1.0f);
                const float nx = -dx / len;
                const float ny = -dy / len;
                const float nz = 1.0f / len;
                const float diffuse = std::max(0.0f, nx * kLx + ny * kLy + nz * kLz) / kLz;
                const float shade = 0.28f + 0.72f * diffuse;
                const float shine = s.Gloss *
                    std::max(0.0f, std::pow(std::max(0.0f, nx * hx + ny * hy + nz * hz), kShininess) - flatShine);
                c.R = c.R * shade + 255.0f * shine;
                c.G = c.G * shade + 255.0f * shine;
                c.B = c.B * shade + 255.0f * shine;
            }
            float* a = &acc[(static_cast<size_t>(sy / kSub) * W_ + sx / kSub) * 3];
            a[0] += c.R;
            a[1] += c.G;
            a[2] += c.B;
        }
    }
    QImage out(W_, H_, QImage::Format_RGB32);
    const float norm = 1.0f / (kSub * kSub);
    for (int y = 0; y < H_; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < W_; ++x) {
            const float* a = &acc[(static_cast<size_t>(y) * W_ + x) * 3];
            auto byte = [&](float v) { return std::clamp(static_cast<int>(std::lround(v * norm)), 0, 255); };
            line[x] = qRgb(byte(a[0]), byte(a[1]), byte(a[2]));
        }
    }
    return out;
}

} // namespace stakor::window_art
