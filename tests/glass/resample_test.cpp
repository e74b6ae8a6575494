#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "glass/resample.h"

namespace stakor::test {
namespace {

using TPixel = std::array<int, 3>; // blue, green, red
constexpr uint8_t Marker = 0xA5;

// A random picture whose rows are separate heap blocks of exactly the row's
// size, so that a read past a row is caught by the address sanitizer.
struct TPicture {
    TPicture(int width, int height, uint32_t seed = 1) : Width(width), Height(height)
    {
        std::mt19937 random(seed);
        for (int y = 0; y < height; ++y) {
            Storage.push_back(std::make_unique<uint8_t[]>(size_t(width) * 3));
            for (size_t i = 0; i < size_t(width) * 3; ++i)
                Storage.back()[i] = uint8_t(random());
            Rows.push_back(Storage.back().get());
        }
    }
    TPixel Get(int x, int y) const
    {
        const uint8_t* p = Rows[size_t(y)] + size_t(x) * 3;
        return {p[0], p[1], p[2]};
    }
    void Set(int x, int y, TPixel pixel)
    {
        for (size_t c = 0; c < 3; ++c)
            Storage[size_t(y)][size_t(x) * 3 + c] = uint8_t(pixel[c]);
    }
    int Width, Height;
    std::vector<std::unique_ptr<uint8_t[]>> Storage;
    std::vector<const uint8_t*> Rows;
};

// A destination filled by ResampleImage, with `margin` marked bytes past the
// width of every row.
struct TTarget {
    TTarget(const TPicture& source, bool stretch, int width, int height, size_t margin = 0)
        : Width(width), Stride(size_t(width) * 3 + margin), Bytes(Stride * size_t(height), Marker)
    {
        ResampleImage(source.Rows.data(), source.Width, source.Height, stretch, Bytes.data(), Stride, height, width);
    }
    TPixel Get(int x, int y) const
    {
        const uint8_t* p = &Bytes[Stride * size_t(y) + size_t(x) * 3];
        return {p[0], p[1], p[2]};
    }
    bool MarginsUntouched() const
    {
        for (size_t i = 0; i < Bytes.size(); ++i)
            if (i % Stride >= size_t(Width) * 3 && Bytes[i] != Marker)
                return false;
        return true;
    }
    int Width;
    size_t Stride;
    std::vector<uint8_t> Bytes;
};

// The stretch worked out pixel by pixel the plain way, from the algorithm's
// wording. A source one pixel across is its own neighbour; a destination one
// pixel across uses step 0.
TPixel Reference(const TPicture& source, int width, int height, int x, int y)
{
    const uint64_t one = uint64_t{1} << 28, high = uint64_t{1} << 32;
    auto step = [one](int s, int d) { return s > 1 && d > 1 ? (uint64_t(s - 1) * one - 1) / uint64_t(d - 1) : 0; };
    const uint64_t px = uint64_t(x) * step(source.Width, width), py = uint64_t(y) * step(source.Height, height);
    const int sx = int(px / one), sy = int(py / one);
    const int sx1 = source.Width > 1 ? sx + 1 : sx, sy1 = source.Height > 1 ? sy + 1 : sy;
    const uint64_t fx = px % one, fy = py % one, gx = one - 1 - fx, gy = one - 1 - fy;
    const TPixel a0 = source.Get(sx, sy), a1 = source.Get(sx1, sy), b0 = source.Get(sx, sy1), b1 = source.Get(sx1, sy1);
    TPixel result{};
    for (size_t c = 0; c < 3; ++c)
        result[c] = int((a0[c] * (gx * gy / high) + a1[c] * (fx * gy / high) + b0[c] * (gx * fy / high) +
                            b1[c] * (fx * fy / high)) >>
            24);
    return result;
}

void ExpectMatchesReference(const TPicture& source, int width, int height)
{
    const TTarget target(source, true, width, height, 5);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(target.Get(x, y), Reference(source, width, height, x, y))
                << source.Width << "x" << source.Height << " into " << width << "x" << height << " at " << x << ","
                << y;
    EXPECT_TRUE(target.MarginsUntouched());
}

TEST(ResampleStretch, SmallCasesByHand)
{
    // step = (2^28 - 1) div 2 = 2^27 - 1: the middle lies just short of half
    // way, the far edge a 2^28th short of the last pixel. The weights add up
    // to just under 2^24, so even the corners lose one step.
    TPicture square(2, 2);
    square.Set(0, 0, {0, 100, 255});
    square.Set(1, 0, {255, 200, 0});
    square.Set(0, 1, {50, 0, 128});
    square.Set(1, 1, {10, 250, 60});
    const TTarget big(square, true, 3, 3);
    const std::array<std::array<TPixel, 3>, 3> expected = {{
        {{{0, 99, 254}, {127, 149, 127}, {254, 199, 0}}},
        {{{24, 49, 191}, {78, 137, 110}, {132, 224, 29}}},
        {{{49, 0, 127}, {29, 124, 93}, {9, 249, 59}}},
    }};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(big.Get(x, y), expected[size_t(y)][size_t(x)]) << x << "," << y;

    // One row: half way between 0 and 100 truncates to 49.
    TPicture row(3, 1);
    row.Set(0, 0, {0, 100, 200});
    row.Set(1, 0, {100, 150, 50});
    row.Set(2, 0, {200, 200, 0});
    const TTarget wide(row, true, 5, 1);
    const std::array<TPixel, 5> expectedRow = {
        {{0, 99, 199}, {49, 124, 124}, {99, 149, 49}, {149, 174, 25}, {199, 199, 0}}};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(wide.Get(x, 0), expectedRow[size_t(x)]) << x;

    // A single pixel fills everything, one step darker.
    TPicture dot(1, 1);
    dot.Set(0, 0, {10, 1, 0});
    const TTarget filled(dot, true, 5, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(filled.Get(x, y), (TPixel{9, 0, 0}));
}

TEST(ResampleStretch, MatchesPlainComputation)
{
    // Random sizes, the destination larger or smaller than the source, and
    // one-pixel sources and destinations in every combination.
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> size(1, 40);
    for (uint32_t round = 0; round < 60; ++round) {
        const TPicture source(size(random), size(random), round);
        ExpectMatchesReference(source, round % 2 ? source.Width * 2 + size(random) : size(random),
            round % 3 ? source.Height + size(random) : size(random));
    }
    for (const auto& [sw, sh] : {std::pair{1, 1}, {1, 9}, {9, 1}, {4, 4}})
        for (const auto& [dw, dh] : {std::pair{1, 1}, {1, 7}, {7, 1}, {6, 5}})
            ExpectMatchesReference(TPicture(sw, sh), dw, dh);
    // Positions and offsets far beyond 32 bits.
    ExpectMatchesReference(TPicture(1 << 20, 2), 7, 3);
}

TEST(ResampleStretch, SameSizeChangesOnlySlightly)
{
    // The step is 2^28 - 1, so pixel x mixes source x with a tiny share of
    // source x - 1: it keeps its value or loses one step.
    const TPicture source(240, 360);
    const TTarget target(source, true, 240, 360);
    for (int y = 0; y < 360; ++y)
        for (int x = 0; x < 240; ++x)
            for (size_t c = 0; c < 3; ++c) {
                const int in = source.Get(x, y)[c], out = target.Get(x, y)[c];
                ASSERT_TRUE(out == in || out == in - 1) << x << "," << y << ": " << in << " -> " << out;
            }
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 1}, {239, 0}, {120, 180}, {239, 359}})
        EXPECT_EQ(target.Get(x, y), Reference(source, 240, 360, x, y)) << x << "," << y;
}

TEST(ResampleTile, RepeatsFromTopLeftCutAtTheEdges)
{
    // 2.4 copies across and 3.6 down; a larger picture shows its top-left
    // part; a single pixel fills everything. Bytes past the width stay.
    for (const auto& [sw, sh, dw, dh] :
        {std::array{100, 100, 240, 360}, {400, 600, 360, 500}, {1, 1, 5, 3}, {1, 2, 4, 1}, {7, 3, 20, 10}}) {
        const TPicture source(sw, sh);
        const TTarget target(source, false, dw, dh, 7);
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x)
                ASSERT_EQ(target.Get(x, y), source.Get(x % sw, y % sh)) << sw << "x" << sh << " at " << x << "," << y;
        EXPECT_TRUE(target.MarginsUntouched()) << sw << "x" << sh;
    }
}

TEST(ResampleImage, EmptyPictureLeavesTheDestination)
{
    for (const bool stretch : {true, false}) {
        const TTarget target(TPicture(0, 0), stretch, 4, 4);
        for (const uint8_t byte : target.Bytes)
            ASSERT_EQ(byte, Marker);
    }
}

} // namespace
} // namespace stakor::test
