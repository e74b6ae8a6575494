// A full redraw of a filled big glass, against a plain copy of as many bytes:
// the cells are drawn from prepared rows, so the redraw should stay within a
// small factor of the copy.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "base/random.h"
#include "glass/glass.h"
#include "glass/glass_painter.h"

namespace stakor {
namespace {

TBitmap BevelledSkin(int tiles)
{
    TBitmap skin(20 * tiles, 20);
    for (int t = 0; t < tiles; ++t)
        for (int j = 0; j < 20; ++j)
            for (int i = 0; i < 20; ++i)
                skin.SetPixel(20 * t + i, j,
                    {static_cast<uint8_t>(40 + 20 * t), static_cast<uint8_t>(60 + 5 * i),
                        static_cast<uint8_t>(60 + 5 * j)});
    return skin;
}

// wholeCells: every cell whole and of one tile (the common case); otherwise
// a mix of halves and single triangles of several tiles.
void DrawFilledGlass(benchmark::State& state, bool wholeCells)
{
    TRandom random(1);
    TGlass glass(random);
    glass.SetSize(3);
    glass.SetSkin(BevelledSkin(8));
    FillBackground(glass, {51, 51, 51});
    DrawGrid(glass, {128, 128, 128});
    for (int y = 1; y <= glass.Height(); ++y)
        for (int x = 1; x <= glass.Width(); ++x) {
            const auto tile = static_cast<uint8_t>(random.Random(7));
            if (wholeCells)
                glass.Cell(x, y) = {MaskWhole, {tile, tile, tile, tile}};
            else
                glass.Cell(x, y) = {
                    static_cast<uint8_t>(random.Random(15) + 1), {tile, static_cast<uint8_t>(random.Random(7)), 3, 5}};
        }

    const size_t bytes = glass.Bitmap.Pixels.size();
    std::vector<uint8_t> source(bytes, 1), target(bytes);
    using Clock = std::chrono::steady_clock;
    double drawSeconds = 0, copySeconds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        for (int y = 1; y <= glass.Height(); ++y)
            for (int x = 1; x <= glass.Width(); ++x)
                DrawCell(glass, x, y, glass.Cell(x, y), false);
        benchmark::DoNotOptimize(glass.Bitmap.Pixels.data());
        auto middle = Clock::now();
        std::memcpy(target.data(), source.data(), bytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
        auto end = Clock::now();
        drawSeconds += std::chrono::duration<double>(middle - start).count();
        copySeconds += std::chrono::duration<double>(end - middle).count();
    }
    state.counters["draw_us"] = 1e6 * drawSeconds / static_cast<double>(state.iterations());
    state.counters["copy_us"] = 1e6 * copySeconds / static_cast<double>(state.iterations());
    state.counters["draw_per_copy"] = drawSeconds / copySeconds;
}

void DrawBigGlassWholeCells(benchmark::State& state)
{
    DrawFilledGlass(state, true);
}
void DrawBigGlassTriangles(benchmark::State& state)
{
    DrawFilledGlass(state, false);
}
BENCHMARK(DrawBigGlassWholeCells);
BENCHMARK(DrawBigGlassTriangles);

} // namespace
} // namespace stakor
