#pragma once

#include <array>
#include <cstdint>

namespace stakor {

// Which triangle of a cell each of its 20 x 20 pixels shows, for each mask:
// 0 none, else 1 + the index of the triangle's colour byte (1 bottom, 2 left,
// 3 top, 4 right). Pixels on a diagonal belong to two triangles; the table
// settles which one shows them, so a whole cell has the full top triangle,
// row 10 split between left and right, and row 19 mostly bottom.
using TCellPattern = std::array<uint8_t, 400>; // [j * 20 + i], i across, j down

namespace cell_pattern_detail {

constexpr bool Contains(int triangle, int i, int j)
{
    switch (triangle) {
    case 0:
        return j >= 10 && 19 - j <= i && i <= j; // bottom
    case 1:
        return i <= (j < 19 - j ? j : 19 - j); // left
    case 2:
        return j <= 9 && j <= i && i <= 19 - j; // top
    default:
        return i >= (j > 19 - j ? j : 19 - j); // right
    }
}

// For each mask, its triangles in the order in which they win shared pixels.
constexpr std::array<std::array<int8_t, 4>, 16> Priority = {{
    {-1, -1, -1, -1}, // 0
    {0, -1, -1, -1}, // 1 bottom
    {1, -1, -1, -1}, // 2 left
    {0, 1, -1, -1}, // 3 bottom over left
    {2, -1, -1, -1}, // 4 top
    {0, 2, -1, -1}, // 5 nothing shared
    {2, 1, -1, -1}, // 6 top over left
    {1, 0, 2, -1}, // 7 left over bottom and top
    {3, -1, -1, -1}, // 8 right
    {0, 3, -1, -1}, // 9 bottom over right
    {1, 3, -1, -1}, // 10 nothing shared
    {0, 1, 3, -1}, // 11 bottom over left and right
    {2, 3, -1, -1}, // 12 top over right
    {3, 0, 2, -1}, // 13 right over bottom and top
    {2, 1, 3, -1}, // 14 top over left and right
    {2, 1, 3, 0}, // 15 top over left and right, both over bottom
}};

constexpr std::array<TCellPattern, 16> Build()
{
    std::array<TCellPattern, 16> patterns{};
    for (int mask = 0; mask < 16; ++mask)
        for (int j = 0; j < 20; ++j)
            for (int i = 0; i < 20; ++i)
                for (const int8_t triangle : Priority[static_cast<size_t>(mask)])
                    if (triangle >= 0 && Contains(triangle, i, j)) {
                        patterns[static_cast<size_t>(mask)][static_cast<size_t>(j * 20 + i)] =
                            static_cast<uint8_t>(triangle + 1);
                        break;
                    }
    return patterns;
}

} // namespace cell_pattern_detail

inline constexpr std::array<TCellPattern, 16> CellPatterns = cell_pattern_detail::Build();

// The same patterns as runs of pixels of one owner along each row, so that
// a cell can be drawn a run at a time.
struct TPixelRun {
    uint8_t Start = 0;
    uint8_t End = 0; // one past the last pixel
    uint8_t Owner = 0;
};
struct TRowRuns {
    std::array<TPixelRun, 6> Runs{};
    uint8_t Count = 0;
};
using TCellRuns = std::array<TRowRuns, 20>;

namespace cell_pattern_detail {

constexpr std::array<TCellRuns, 16> BuildRuns()
{
    std::array<TCellRuns, 16> runs{};
    for (size_t mask = 0; mask < 16; ++mask)
        for (size_t j = 0; j < 20; ++j) {
            TRowRuns& row = runs[mask][j];
            for (size_t i = 0; i < 20; ++i) {
                const uint8_t owner = CellPatterns[mask][j * 20 + i];
                if (row.Count > 0 && row.Runs[row.Count - 1].Owner == owner)
                    ++row.Runs[row.Count - 1].End;
                else
                    row.Runs[row.Count++] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i + 1), owner};
            }
        }
    return runs;
}

} // namespace cell_pattern_detail

inline constexpr std::array<TCellRuns, 16> CellRuns = cell_pattern_detail::BuildRuns();

} // namespace stakor
