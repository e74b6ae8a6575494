#include "skins.h"

#include <array>
#include <cmath>
#include <functional>
#include <numbers>

#include "canvas.h"
#include "image_files.h"
#include "random.h"

namespace stakor::field_art {

namespace {

// One pixel of a tile: a colour, or see-through.
struct Texel {
    Rgb colour;
    bool clear = false;
};

using TilePainter = std::function<Texel(int i, int j)>;

const Rgb White{255, 255, 255};

// The game cuts every cell along its diagonals into top, left, right and
// bottom triangles; shading each bevel by the triangle it lies in keeps the
// pieces of a cut cell looking like parts of the same block. Diagonal
// pixels go to top first, then left or right, then bottom, as in a drawn
// whole cell.
enum class Side { Top, Left, Right, Bottom };

Side SideOf(int i, int j)
{
    const int left = i, top = j, right = TileSize - 1 - i, bottom = TileSize - 1 - j;
    if (top <= left && top <= right) {
        return Side::Top;
    }
    if (left <= bottom && left <= right) {
        return Side::Left;
    }
    if (right <= bottom) {
        return Side::Right;
    }
    return Side::Bottom;
}

int EdgeDistance(int i, int j)
{
    return std::min({i, j, TileSize - 1 - i, TileSize - 1 - j});
}

// Centre-based coordinates: the cell's middle is (0, 0), pixel centres at
// half steps from -9.5 to 9.5.
double U(int i)
{
    return i - (TileSize - 1) / 2.0;
}

QImage Assemble(const std::vector<TilePainter>& tiles)
{
    Canvas canvas(TileSize * static_cast<int>(tiles.size()), TileSize);
    std::vector<bool> clear(static_cast<size_t>(canvas.Width()) * TileSize, false);
    for (size_t t = 0; t < tiles.size(); ++t) {
        for (int j = 0; j < TileSize; ++j) {
            for (int i = 0; i < TileSize; ++i) {
                const Texel texel = tiles[t](i, j);
                const int x = static_cast<int>(t) * TileSize + i;
                canvas.At(x, j) = texel.colour;
                clear[static_cast<size_t>(j) * canvas.Width() + x] = texel.clear;
            }
        }
    }
    QImage image = canvas.ToImage(false);
    // Only the pixels meant to be see-through may end up exactly black.
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            uchar* p = line + 3 * x;
            if (clear[static_cast<size_t>(y) * image.width() + x]) {
                p[0] = p[1] = p[2] = 0;
            } else if (p[0] == 0 && p[1] == 0 && p[2] == 0) {
                p[2] = 1;
            }
        }
    }
    return image;
}

// --- squares: the classic bevelled block -------------------------------------

Texel BevelledSquare(int i, int j, Rgb base)
{
    const int d = EdgeDistance(i, j);
    if (d < 3) {
        static constexpr std::array<double, 3> top{0.62, 0.47, 0.33};
        static constexpr std::array<double, 3> left{0.45, 0.34, 0.24};
        static constexpr std::array<double, 3> right{0.50, 0.38, 0.27};
        static constexpr std::array<double, 3> bottom{0.64, 0.52, 0.40};
        switch (SideOf(i, j)) {
        case Side::Top:
            return {Lighten(base, top[d])};
        case Side::Left:
            return {Lighten(base, left[d])};
        case Side::Right:
            return {Darken(base, right[d])};
        case Side::Bottom:
            return {Darken(base, bottom[d])};
        }
    }
    // The face: a soft slope from lit top-left to shaded bottom-right and a
    // small gloss, so a block reads as raised, not painted.
    const double slope = ((i - 3) + (j - 3)) / 26.0;
    Rgb face = slope < 0.5 ? Lighten(base, 0.14 * (0.5 - slope) * 2) : Darken(base, 0.16 * (slope - 0.5) * 2);
    const double gloss = std::exp(-((i - 6.0) * (i - 6.0) + (j - 6.0) * (j - 6.0)) / 7.0);
    return {Lighten(face, 0.30 * gloss)};
}

Texel GlowingSquare(int i, int j)
{
    const Rgb gold{236, 178, 52};
    const int d = EdgeDistance(i, j);
    if (d < 3) {
        return BevelledSquare(i, j, gold);
    }
    // White-hot in the middle, gold at the rim, with faint rays along the
    // axes so each of the four triangles carries a ray of its own.
    const double u = U(i), v = U(j);
    const double r = std::sqrt(u * u + v * v) / 7.5;
    Rgb face = Mix(Rgb{255, 253, 236}, Rgb{250, 206, 96}, Clamp01(std::pow(r, 1.4)));
    const double ray = std::max(std::exp(-u * u / 0.6), std::exp(-v * v / 0.6)) * Clamp01(1.1 - r);
    return {Lighten(face, 0.8 * ray)};
}

Skin Squares()
{
    const std::array<Rgb, 7> colours{{
        {222, 38, 38}, // red
        {246, 132, 18}, // orange
        {240, 212, 26}, // yellow
        {48, 184, 58}, // green
        {30, 196, 214}, // cyan
        {40, 78, 222}, // blue
        {156, 56, 206}, // purple
    }};
    std::vector<TilePainter> tiles;
    for (const Rgb& c : colours) {
        tiles.push_back([c](int i, int j) { return BevelledSquare(i, j, c); });
    }
    tiles.push_back(GlowingSquare);
    return {"squares.bmp", Assemble(tiles)};
}

// --- gems: faceted jewels in a dark setting ----------------------------------

// Brightness 0..1 darkens the stone's colour, above 1 it goes toward white.
Rgb Shade(Rgb base, double brightness)
{
    if (brightness <= 1) {
        return base * std::max(brightness, 0.0);
    }
    return Lighten(base, (brightness - 1) * 1.3);
}

Texel Gem(int i, int j, Rgb base, bool prismatic)
{
    const double u = U(i), v = U(j);
    const double au = std::abs(u), av = std::abs(v);
    // An octagon: the corners are cut off and left see-through, so neighbouring
    // stones look set apart.
    if (au + av > 15.0) {
        return {{}, true};
    }
    const double radius = std::max(std::max(au, av) / 9.5, (au + av) / 15.0);
    if (radius > 0.95) {
        const bool lit = v < 0 || u < 0;
        return {Shade(base, lit ? 0.60 : 0.34)};
    }

    const double pi = std::numbers::pi;
    // Light from the upper left, somewhat in front.
    const double lx = -0.50, ly = -0.62, lz = 0.60;
    const double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
    if (radius < 0.40) {
        // The table: a flat top facet, brighter toward the light, with a glint.
        double b = 1.02 - 0.035 * (u + v);
        if ((i == 7 && j == 7) || (i == 8 && j == 8)) {
            b = 1.75;
        } else if ((i == 7 && (j == 6 || j == 8)) || (j == 7 && (i == 6 || i == 8))) {
            b += 0.35;
        }
        Rgb c = Shade(base, b);
        return {prismatic ? c * Rgb{0.97, 1.0, 1.04} : c};
    }
    // Crown facets: eight sectors bounded by the axes and the diagonals, so
    // the game's diagonal cuts follow facet edges; inner and outer rings tilt
    // differently.
    double angle = std::atan2(v, u);
    if (angle < 0) {
        angle += 2 * pi;
    }
    const int sector = static_cast<int>(angle / (pi / 4)) % 8;
    const bool outer = radius > 0.70;
    const double mid = (sector + 0.5) * pi / 4;
    const double tilt = (outer ? 52.0 : 30.0) * pi / 180;
    const double nx = std::cos(mid) * std::sin(tilt), ny = std::sin(mid) * std::sin(tilt), nz = std::cos(tilt);
    const double lambert = std::max(0.0, (nx * lx + ny * ly + nz * lz) / ll);
    double b = 0.32 + 0.90 * std::pow(lambert, 1.6);
    // Light bounced inside the stone brightens every other facet a little,
    // which is what makes cut stones sparkle.
    if ((sector + (outer ? 1 : 0)) % 2 == 0) {
        b += 0.16;
    }
    Rgb c = Shade(base, b);
    if (prismatic) {
        static constexpr std::array<std::array<double, 3>, 8> tints{{
            {1.06, 0.93, 0.98},
            {1.04, 1.02, 0.86},
            {0.90, 1.03, 1.02},
            {0.96, 0.92, 1.08},
            {1.05, 0.97, 0.90},
            {0.88, 0.98, 1.08},
            {1.02, 1.04, 0.92},
            {0.94, 0.94, 1.06},
        }};
        const auto& t = tints[(sector + (outer ? 3 : 0)) % 8];
        c = c * Rgb{t[0], t[1], t[2]};
    }
    return {c};
}

Skin Gems()
{
    const std::array<Rgb, 8> colours{{
        {214, 24, 48}, // ruby
        {236, 120, 20}, // topaz
        {236, 204, 30}, // citrine
        {24, 176, 72}, // emerald
        {30, 196, 196}, // aquamarine
        {36, 72, 224}, // sapphire
        {150, 56, 214}, // amethyst
        {236, 96, 176}, // rose quartz
    }};
    std::vector<TilePainter> tiles;
    for (const Rgb& c : colours) {
        tiles.push_back([c](int i, int j) { return Gem(i, j, c, false); });
    }
    tiles.push_back([](int i, int j) { return Gem(i, j, Rgb{218, 230, 248}, true); });
    return {"gems.bmp", Assemble(tiles)};
}

// --- flat: pastel tiles with a thin border -----------------------------------

Skin Flat()
{
    const std::array<Rgb, 6> colours{{
        {242, 150, 168}, // rose
        {248, 184, 128}, // peach
        {240, 226, 132}, // lemon
        {150, 222, 168}, // mint
        {140, 196, 240}, // sky
        {190, 166, 236}, // lavender
    }};
    std::vector<TilePainter> tiles;
    for (const Rgb& c : colours) {
        tiles.push_back([c](int i, int j) { return Texel{EdgeDistance(i, j) == 0 ? Darken(c, 0.42) : c}; });
    }
    // The special one: white with fine diagonal pinstripes, unlike any
    // plain pastel.
    tiles.push_back([](int i, int j) {
        const Rgb white{252, 252, 250};
        if (EdgeDistance(i, j) == 0) {
            return Texel{Rgb{150, 150, 162}};
        }
        return Texel{((i + j) % 4 == 0) ? Rgb{214, 220, 232} : white};
    });
    return {"flat.bmp", Assemble(tiles)};
}

// --- hollow: glowing outlines around a see-through middle --------------------

Skin Hollow()
{
    const std::array<Rgb, 7> colours{{
        {255, 56, 72}, // red
        {255, 148, 36}, // orange
        {255, 232, 52}, // yellow
        {64, 240, 88}, // green
        {52, 228, 252}, // cyan
        {84, 118, 255}, // blue
        {238, 76, 232}, // magenta
    }};
    // Edge distance to brightness: a dim outer rim keeps neighbouring cells
    // apart, then the bright line, then a glow fading into the see-through
    // middle.
    static constexpr std::array<double, 5> ramp{0.50, 1.0, 1.0, 0.55, 0.30};
    std::vector<TilePainter> tiles;
    for (const Rgb& c : colours) {
        tiles.push_back([c](int i, int j) {
            const int d = EdgeDistance(i, j);
            if (d >= static_cast<int>(ramp.size())) {
                return Texel{{}, true};
            }
            const Rgb line = d == 1 ? Lighten(c, 0.25) : c;
            return Texel{line * ramp[d]};
        });
    }
    // The special one: a white outline with a small solid diamond in the
    // middle, a quarter of which shows on each triangle.
    tiles.push_back([](int i, int j) {
        const Rgb ice{236, 246, 255};
        const int d = EdgeDistance(i, j);
        const double u = U(i), v = U(j);
        const double diamond = std::abs(u) + std::abs(v);
        if (diamond <= 3.0) {
            return Texel{diamond <= 1.0 ? White : ice};
        }
        if (diamond <= 4.0) {
            return Texel{ice * 0.35};
        }
        if (d >= static_cast<int>(ramp.size())) {
            return Texel{{}, true};
        }
        return Texel{ice * ramp[d]};
    });
    return {"hollow.bmp", Assemble(tiles)};
}

// --- pixel: chunky retro blocks ----------------------------------------------

Skin Pixel()
{
    const std::array<Rgb, 9> colours{{
        {232, 40, 40}, // red
        {248, 136, 0}, // orange
        {248, 216, 0}, // yellow
        {136, 216, 0}, // lime
        {0, 160, 64}, // green
        {0, 200, 216}, // cyan
        {24, 88, 248}, // blue
        {152, 72, 232}, // purple
        {232, 64, 184}, // magenta
    }};
    // Pixels are doubled: the tile is drawn on a 10 x 10 grid with a handful
    // of flat shades, as an old console would.
    std::vector<TilePainter> tiles;
    for (const Rgb& c : colours) {
        tiles.push_back([c](int i, int j) {
            const int x = i / 2, y = j / 2;
            if (x == 0 || y == 0 || x == 9 || y == 9) {
                return Texel{Darken(c, 0.68)};
            }
            if ((x == 2 && y == 2) || (x == 3 && y == 2) || (x == 2 && y == 3)) {
                return Texel{Lighten(c, 0.85)};
            }
            if (y == 1 || x == 1) {
                return Texel{Lighten(c, 0.45)};
            }
            if (y == 8 || x == 8) {
                return Texel{Darken(c, 0.40)};
            }
            return Texel{c};
        });
    }
    // The special one: a rainbow diamond, like a bonus item.
    tiles.push_back([](int i, int j) {
        const int x = i / 2, y = j / 2;
        if (x == 0 || y == 0 || x == 9 || y == 9) {
            return Texel{Rgb{120, 104, 40}};
        }
        const int ring = static_cast<int>(std::abs(x - 4.5) + std::abs(y - 4.5));
        static constexpr std::array<Rgb, 5> bands{{
            {255, 255, 255},
            {255, 240, 120},
            {120, 240, 255},
            {255, 140, 220},
            {248, 232, 200},
        }};
        return Texel{bands[std::min(ring, 4)]};
    });
    return {"pixel.bmp", Assemble(tiles)};
}

// --- marble: polished veined stone -------------------------------------------

Texel Marble(int i, int j, Rgb base, Rgb vein, uint32_t seed)
{
    const int d = EdgeDistance(i, j);
    // Each tile samples its own stretch of one long slab.
    const double x = i + 37.0 * seed, y = j + 11.0 * seed;
    const double warp = FractalNoise(x / 14.0, y / 14.0, 7U + seed, 3);
    const double band = std::abs(std::sin(0.13 * x + 0.21 * y + 6.0 * warp));
    const double veins = std::pow(1.0 - band, 4.0);
    const double cloud = FractalNoise(x / 6.0, y / 6.0, 91U + seed, 3) - 0.5;
    Rgb c = Mix(base, vein, 0.70 * veins);
    c = c * (1.0 + 0.25 * cloud);
    if (d == 0) {
        switch (SideOf(i, j)) {
        case Side::Top:
        case Side::Left:
            return {Lighten(c, 0.38)};
        case Side::Right:
        case Side::Bottom:
            return {Darken(c, 0.48)};
        }
    }
    // A polished sheen across the upper left.
    const double sheen = SmoothStep(14, 0, i + j) * 0.22;
    return {Lighten(c, sheen)};
}

Skin MarbleSkin()
{
    struct Stone {
        Rgb base;
        Rgb vein;
    };
    const std::array<Stone, 6> stones{{
        {{184, 52, 48}, {248, 206, 190}}, // red
        {{208, 150, 50}, {255, 236, 180}}, // sienna
        {{50, 150, 100}, {200, 250, 220}}, // jade
        {{44, 80, 176}, {196, 214, 255}}, // lapis
        {{132, 78, 170}, {236, 210, 255}}, // violet
        {{238, 236, 230}, {120, 124, 136}}, // white with grey veins: the special
    }};
    std::vector<TilePainter> tiles;
    uint32_t seed = 1;
    for (const Stone& s : stones) {
        tiles.push_back([s, seed](int i, int j) { return Marble(i, j, s.base, s.vein, seed); });
        ++seed;
    }
    return {"marble.bmp", Assemble(tiles)};
}

} // namespace

std::vector<Skin> MakeSkins()
{
    return {Squares(), Gems(), Flat(), Hollow(), Pixel(), MarbleSkin()};
}

std::vector<std::filesystem::path> WriteSkins(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> written;
    for (const Skin& skin : MakeSkins()) {
        written.push_back(folder / skin.fileName);
        WriteBmp24(written.back(), skin.image);
    }
    return written;
}

} // namespace stakor::field_art
