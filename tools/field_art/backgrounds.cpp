#include "backgrounds.h"

#include <array>
#include <cmath>
#include <numbers>

#include <QPainter>
#include <QPainterPath>

#include "canvas.h"
#include "image_files.h"
#include "random.h"

namespace stakor::field_art {

namespace {

constexpr double Pi = std::numbers::pi;
constexpr int JpegQuality = 90;

// A colour along a list of (position, colour) stops.
struct Stop {
    double at;
    Rgb colour;
};

Rgb Gradient(const std::vector<Stop>& stops, double t)
{
    if (t <= stops.front().at) {
        return stops.front().colour;
    }
    for (size_t k = 1; k < stops.size(); ++k) {
        if (t <= stops[k].at) {
            const double f = (t - stops[k - 1].at) / (stops[k].at - stops[k - 1].at);
            return Mix(stops[k - 1].colour, stops[k].colour, SmoothStep(0, 1, f));
        }
    }
    return stops.back().colour;
}

// --- bluewave: the default, calm deep-blue waves -----------------------------

Background BlueWave()
{
    const int w = 480, h = 720;
    Canvas canvas(w, h);
    const std::vector<Stop> sky{
        {0.00, {5, 12, 34}},
        {0.45, {10, 28, 66}},
        {0.75, {8, 22, 56}},
        {1.00, {4, 10, 30}},
    };
    struct Wave {
        double y, amplitude, length, phase, ripple;
        Rgb glow;
    };
    // Ribbons of light, each a crest line with a soft fall-off below it;
    // lengths and phases differ so no two run parallel.
    const std::array<Wave, 6> waves{{
        {0.16, 0.050, 1.30, 0.10, 0.012, {14, 34, 66}},
        {0.30, 0.060, 1.05, 0.55, 0.015, {10, 40, 70}},
        {0.47, 0.045, 1.55, 0.30, 0.010, {18, 38, 78}},
        {0.62, 0.070, 0.95, 0.80, 0.018, {8, 42, 72}},
        {0.78, 0.055, 1.20, 0.15, 0.012, {16, 36, 74}},
        {0.92, 0.040, 1.70, 0.65, 0.010, {10, 30, 62}},
    }};
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            const double x = (px + 0.5) / w;
            const double y = (py + 0.5) / h;
            Rgb c = Gradient(sky, y);
            for (const Wave& wave : waves) {
                const double crest = wave.y + wave.amplitude * std::sin(2 * Pi * (x / wave.length + wave.phase)) +
                    wave.ripple * std::sin(2 * Pi * (3.1 * x + 2 * wave.phase));
                const double s = y - crest;
                const double line = std::exp(-(s * s) / (2 * 0.0035 * 0.0035));
                const double body = s > 0 ? std::exp(-s / 0.06) : std::exp(s / 0.008);
                c = c + wave.glow * (0.55 * body + 0.9 * line);
            }
            // A faint grain keeps the smooth areas from looking synthetic.
            const double grain = FractalNoise(px / 3.0, py / 3.0, 17, 2) - 0.5;
            c = c * (1.0 + 0.05 * grain);
            canvas.At(px, py) = c;
        }
    }
    return {"bluewave.jpg", canvas.ToImage(true, 1)};
}

// --- nightsky: stars over a faint nebula -------------------------------------

void AddStar(Canvas& canvas, double x, double y, double brightness, double sigma, Rgb tint, bool wrap)
{
    const int reach = static_cast<int>(std::ceil(sigma * 3));
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            const int px = static_cast<int>(std::floor(x)) + dx;
            const int py = static_cast<int>(std::floor(y)) + dy;
            const double ex = px + 0.5 - x, ey = py + 0.5 - y;
            const double f = std::exp(-(ex * ex + ey * ey) / (2 * sigma * sigma));
            canvas.Add(px, py, tint * (brightness * f / 255.0), wrap);
        }
    }
}

Background NightSky()
{
    const int w = 1024, h = 768;
    Canvas canvas(w, h);
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            const double y = static_cast<double>(py) / h;
            Rgb c = Mix(Rgb{3, 4, 12}, Rgb{6, 8, 20}, y);
            // The nebula lies along a band from the upper left to the lower
            // right, so the top-left corner, which a tiled glass shows, has
            // some of it too.
            const double along = (px * 0.55 - py * 1.0 + 120.0) / 260.0;
            const double band = std::exp(-along * along);
            const double cloud = FractalNoise(px / 230.0, py / 230.0, 3, 6);
            const double wisp = FractalNoise(px / 120.0, py / 120.0, 5, 5);
            const double dust = FractalNoise(px / 90.0, py / 90.0, 9, 5);
            const double violet = SmoothStep(0.40, 0.78, cloud) * band;
            const double teal = SmoothStep(0.45, 0.80, wisp) * band;
            c = c + Rgb{64, 22, 84} * violet + Rgb{14, 52, 72} * (0.8 * teal);
            c = c * (1.0 - 0.55 * SmoothStep(0.50, 0.72, dust) * band);
            canvas.At(px, py) = c;
        }
    }
    Random random(2024);
    auto tint = [&random]() {
        const double t = random.Uniform();
        return t < 0.5 ? Mix(Rgb{190, 210, 255}, Rgb{255, 255, 255}, t * 2)
                       : Mix(Rgb{255, 255, 255}, Rgb{255, 228, 190}, (t - 0.5) * 2);
    };
    // Many faint stars, fewer bright ones. The brighter ones get a halo that
    // survives being shrunk to the glass.
    for (int k = 0; k < 2600; ++k) {
        const double x = random.Uniform(0, w), y = random.Uniform(0, h);
        const double m = std::pow(random.Uniform(), 3.0);
        const Rgb t = tint();
        AddStar(canvas, x, y, 60 + 200 * m, 0.45 + 0.35 * m, t, false);
        if (m > 0.35) {
            AddStar(canvas, x, y, 40 * m, 2.2, t, false);
        }
    }
    for (int k = 0; k < 14; ++k) {
        const double x = random.Uniform(0, w), y = random.Uniform(0, h);
        const Rgb t = tint();
        AddStar(canvas, x, y, 230, 0.9, t, false);
        AddStar(canvas, x, y, 60, 3.5, t, false);
        // Short cross spikes, as a lens would draw them.
        for (int s = 2; s <= 7; ++s) {
            const double f = 70.0 * std::exp(-s / 2.5);
            for (const auto& [dx, dy] : std::array<std::pair<int, int>, 4>{{{s, 0}, {-s, 0}, {0, s}, {0, -s}}}) {
                canvas.Add(static_cast<int>(x) + dx, static_cast<int>(y) + dy, t * (f / 255.0));
            }
        }
    }
    return {"nightsky.jpg", canvas.ToImage(true, 2)};
}

// --- tiles: a small seamless pattern -----------------------------------------

Background Tiles()
{
    // Overlapping circles on a lattice of period 40 (centres where the
    // lattice coordinates add up to an even number), so the picture repeats
    // every 80 pixels both ways: its right edge runs on into its left, its
    // bottom into its top.
    const int size = 80;
    const double radius = 40.0 / std::sqrt(2.0);
    Canvas canvas(size, size);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            const double x = px + 0.5, y = py + 0.5;
            int inside = 0;
            double line = 0;
            double nearest = 1e9;
            for (int a = -2; a <= 4; ++a) {
                for (int b = -2; b <= 4; ++b) {
                    if ((a + b) % 2 != 0) {
                        continue;
                    }
                    const double dx = x - 40.0 * a, dy = y - 40.0 * b;
                    const double d = std::sqrt(dx * dx + dy * dy);
                    nearest = std::min(nearest, d);
                    if (d < radius) {
                        ++inside;
                    }
                    const double e = (d - radius) / 0.75;
                    line = std::max(line, std::exp(-e * e));
                }
            }
            // The lens-shaped overlaps (petals) are a shade lighter than the
            // rest; a faint dot marks each circle's centre.
            Rgb c = inside >= 2 ? Rgb{36, 48, 62} : Rgb{24, 32, 44};
            c = c * (1.0 - 0.18 * SmoothStep(0, radius, nearest));
            c = Mix(c, Rgb{70, 92, 110}, 0.85 * line);
            const double dot = std::exp(-(nearest * nearest) / 4.0);
            c = Mix(c, Rgb{84, 104, 120}, 0.7 * dot);
            const double grain = FractalNoise(px / 5.0, py / 5.0, 23, 2, 16) - 0.5;
            canvas.At(px, py) = c * (1.0 + 0.06 * grain);
        }
    }
    return {"tiles.bmp", canvas.ToImage(false)};
}

// --- dusk: hills against an evening sky --------------------------------------

double HillHeight(double x, double base, double a1, double l1, double p1, double a2, double l2, double p2)
{
    return base + a1 * std::sin(x / l1 + p1) + a2 * std::sin(x / l2 + p2);
}

Background Dusk()
{
    const int w = 360, h = 500;
    Canvas canvas(w, h);
    const std::vector<Stop> sky{
        {0.00, {12, 12, 36}},
        {0.30, {30, 26, 66}},
        {0.50, {70, 46, 86}},
        {0.62, {118, 72, 82}},
        {0.70, {132, 84, 76}},
    };
    const double sunX = 236, sunY = 318;
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            Rgb c = Gradient(sky, (py + 0.5) / h);
            const double dx = px + 0.5 - sunX, dy = py + 0.5 - sunY;
            const double d = std::sqrt(dx * dx + dy * dy);
            c = c + Rgb{70, 40, 20} * std::exp(-d / 70.0);
            c = Mix(c, Rgb{214, 150, 104}, SmoothStep(23, 21, d));
            canvas.At(px, py) = c;
        }
    }
    // Faint stars in the upper sky only.
    Random random(77);
    for (int k = 0; k < 90; ++k) {
        const double x = random.Uniform(0, w), y = random.Uniform(0, h * 0.38);
        const double fade = 1.0 - y / (h * 0.38);
        AddStar(canvas, x, y, (40 + 90 * random.Uniform()) * fade, 0.5, Rgb{220, 220, 255}, false);
    }

    struct Hill {
        double base, a1, l1, p1, a2, l2, p2;
        Rgb top, bottom;
    };
    // Three ridges, nearer ones darker, each hazier at its crest.
    const std::array<Hill, 3> hills{{
        {318, 14, 46, 0.7, 7, 17, 2.1, {84, 56, 92}, {58, 40, 74}},
        {360, 20, 60, 2.4, 8, 21, 0.3, {48, 34, 66}, {34, 24, 52}},
        {412, 16, 52, 4.0, 6, 15, 1.2, {24, 18, 40}, {14, 11, 28}},
    }};
    for (const Hill& hill : hills) {
        for (int px = 0; px < w; ++px) {
            const double top = HillHeight(px + 0.5, hill.base, hill.a1, hill.l1, hill.p1, hill.a2, hill.l2, hill.p2);
            for (int py = 0; py < h; ++py) {
                const double cover = Clamp01(py + 1.0 - top);
                if (cover > 0) {
                    const Rgb c = Mix(hill.top, hill.bottom, SmoothStep(top, top + 70, py));
                    canvas.At(px, py) = Mix(canvas.At(px, py), c, cover);
                }
            }
        }
    }
    // Pines along the nearest ridge, drawn antialiased into a mask.
    QImage mask(w, h, QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        const Hill& near = hills[2];
        Random trees(5);
        double x = 6;
        while (x < w) {
            const double ground = HillHeight(x, near.base, near.a1, near.l1, near.p1, near.a2, near.l2, near.p2);
            const double height = trees.Uniform(14, 34);
            const double half = height * 0.24;
            QPainterPath tree;
            tree.moveTo(x, ground - height);
            // Three tiers of branches.
            for (int tier = 0; tier < 3; ++tier) {
                const double y = ground - height + height * (tier + 1) / 3.2;
                const double spread = half * (0.55 + 0.45 * (tier + 1) / 3.0);
                tree.lineTo(x + spread, y);
                tree.lineTo(x + spread * 0.45, y);
            }
            tree.lineTo(x + 1, ground + 4);
            tree.lineTo(x - 1, ground + 4);
            for (int tier = 2; tier >= 0; --tier) {
                const double y = ground - height + height * (tier + 1) / 3.2;
                const double spread = half * (0.55 + 0.45 * (tier + 1) / 3.0);
                tree.lineTo(x - spread * 0.45, y);
                tree.lineTo(x - spread, y);
            }
            tree.closeSubpath();
            painter.drawPath(tree);
            x += trees.Uniform(7, 26);
            if (trees.Uniform() < 0.2) {
                x += trees.Uniform(20, 50); // a clearing
            }
        }
    }
    canvas.Composite(mask, Rgb{14, 11, 28});
    return {"dusk.jpg", canvas.ToImage(true, 3)};
}

// --- grid: a dark blueprint --------------------------------------------------

Background Grid()
{
    const int w = 240, h = 360;
    Canvas canvas(w, h);
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            const double dx = (px + 0.5) / w - 0.5, dy = (py + 0.5) / h - 0.5;
            const double vignette = 1.0 - 0.45 * (dx * dx + dy * dy) * 2;
            Rgb c = Rgb{18, 38, 70} * vignette;
            // Fine rules every 8 pixels and heavier ones every 40, placed off
            // the cell edges so they never pass for the game's own grid.
            if (px % 40 == 4 || py % 40 == 4) {
                c = Mix(c, Rgb{46, 82, 126}, 0.8);
            } else if (px % 8 == 4 || py % 8 == 4) {
                c = Mix(c, Rgb{34, 62, 100}, 0.55);
            }
            canvas.At(px, py) = c;
        }
    }
    // Faint construction lines of some imagined part.
    QImage mask(w, h, QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(150, 132), 62, 62);
        painter.drawEllipse(QPointF(150, 132), 24, 24);
        painter.drawLine(QPointF(150, 50), QPointF(150, 214));
        painter.drawLine(QPointF(70, 132), QPointF(230, 132));
        painter.drawRect(QRectF(36.5, 236.5, 120, 72));
        painter.drawArc(QRectF(96.5, 206.5, 120, 120), 0, 90 * 16);
        painter.setPen(QPen(Qt::white, 1.0, Qt::DashLine));
        painter.drawLine(QPointF(20, 322), QPointF(220, 322));
        painter.drawLine(QPointF(36.5, 316), QPointF(36.5, 328));
        painter.drawLine(QPointF(156.5, 316), QPointF(156.5, 328));
    }
    canvas.Composite(mask, Rgb{96, 140, 190}, 0.45);
    return {"grid.bmp", canvas.ToImage(false)};
}

bool IsJpeg(const std::string& name)
{
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0;
}

} // namespace

std::vector<Background> MakeBackgrounds()
{
    return {BlueWave(), NightSky(), Tiles(), Dusk(), Grid()};
}

std::vector<std::filesystem::path> WriteBackgrounds(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> written;
    for (const Background& background : MakeBackgrounds()) {
        written.push_back(folder / background.fileName);
        if (IsJpeg(background.fileName)) {
            WriteJpeg(written.back(), background.image, JpegQuality);
        } else {
            WriteBmp24(written.back(), background.image);
        }
    }
    return written;
}

} // namespace stakor::field_art
