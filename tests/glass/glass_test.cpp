#include <gtest/gtest.h>

#include <algorithm>

#include "world.h"

namespace stakor::test {
namespace {

// Counts what the removal of rows shows and plays.
struct TRemovalLog : ILineRemovalHooks {
    std::vector<std::string> Log;
    void LineSound() override { Log.push_back("line"); }
    void SweepCell(int x, int y) override { Log.push_back("sweep " + std::to_string(x) + "," + std::to_string(y)); }
    void RowRemoved() override { Log.push_back("redraw"); }
    // The columns of the sweeps of one row, in order.
    std::vector<int> SweepColumns(int row) const
    {
        std::vector<int> columns;
        const std::string suffix = "," + std::to_string(row);
        for (const std::string& line : Log)
            if (line.rfind("sweep ", 0) == 0 && line.size() > suffix.size() &&
                line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
                columns.push_back(std::stoi(line.substr(6)));
        return columns;
    }
};

std::vector<int> Ascending(int n)
{
    std::vector<int> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] = i + 1;
    return v;
}

std::vector<int> Descending(int n)
{
    std::vector<int> v = Ascending(n);
    std::reverse(v.begin(), v.end());
    return v;
}

TEST(GlassClear, WallsFloorAndEmptyInside)
{
    for (const int mode : {2, 3}) {
        TRandom random;
        TGlass glass(random);
        glass.SetSize(mode);
        glass.Cell(3, 3) = {15, {1, 2, 3, 4}};
        glass.Cell(2, -4).Mask = 5;
        glass.Overflow = true;
        glass.Clear();
        const int w = glass.Width(), h = glass.Height();
        EXPECT_EQ(w, mode == 2 ? 12 : 18);
        EXPECT_EQ(h, mode == 2 ? 18 : 25);
        EXPECT_FALSE(glass.Overflow);
        for (int y = -4; y <= h + 1; ++y) {
            EXPECT_EQ(glass.Cell(0, y), (TGlassCell{15, {}}));
            EXPECT_EQ(glass.Cell(w + 1, y), (TGlassCell{15, {}}));
            for (int x = 1; x <= w; ++x)
                EXPECT_EQ(glass.Cell(x, y), (y == h + 1 ? TGlassCell{15, {}} : TGlassCell{}));
        }
    }
}

TEST(RemoveFullLines, NoFullRowDoesNothing)
{
    TRandom random(5);
    TGlass glass(random);
    SetRows(glass, {"###########.", "3c3c3c3c3c3."});
    TRemovalLog log;
    EXPECT_EQ(glass.RemoveFullLines(log), 0);
    EXPECT_TRUE(log.Log.empty());
    EXPECT_EQ(random.Seed, 5u); // no sweep direction drawn
}

TEST(RemoveFullLines, SeparateRunsEachGetTheirOwnSweep)
{
    TRandom random(77);
    TGlass glass(random);
    SetRows(glass, {"1...........", "############", "#.#.#.#.#.#.", "############"});
    TRemovalLog log;
    TRandom replica(77);
    const bool firstLeftToRight = replica.Random(2) == 1;
    const bool secondLeftToRight = replica.Random(2) == 1;

    EXPECT_EQ(glass.RemoveFullLines(log), 2);
    EXPECT_EQ(random.Seed, replica.Seed);
    EXPECT_EQ(GlassText(glass, 15),
        "............\n"
        "............\n"
        "1...........\n"
        "f.f.f.f.f.f.\n");
    EXPECT_EQ(log.SweepColumns(18), firstLeftToRight ? Ascending(12) : Descending(12));
    // After the first removal the second full row has moved down to row 17.
    EXPECT_EQ(log.SweepColumns(17), secondLeftToRight ? Ascending(12) : Descending(12));
    EXPECT_EQ(std::count(log.Log.begin(), log.Log.end(), "line"), 2);
    EXPECT_EQ(std::count(log.Log.begin(), log.Log.end(), "redraw"), 2);
}

TEST(RemoveFullLines, AdjacentRowsAreOneRunTopmostFirstAlternating)
{
    TRandom random(3);
    TGlass glass(random);
    SetRows(glass, {"..2.........", "############", "............", "############", "############"}, 4);
    // Row 16 is made of complementary half cells only.
    for (int x = 1; x <= glass.Width(); ++x)
        glass.Cell(x, 16) = {static_cast<uint8_t>(x % 2 ? (3 | 12) : (6 | 9)), {1, 1, 2, 2}};
    TRemovalLog log;
    TRandom replica(3);
    const bool leftToRight = replica.Random(2) == 1;

    EXPECT_EQ(glass.RemoveFullLines(log), 4);
    EXPECT_EQ(random.Seed, replica.Seed); // one direction for the whole run
    EXPECT_EQ(GlassText(glass, 17),
        "............\n"
        "..2.........\n");
    EXPECT_EQ(glass.Cell(3, 18).Colors[0], 4);
    // Topmost row first; each row's line sound comes before its sweep and the
    // redraw after the shift.
    const std::vector<std::string> expectedStart = {"line", "sweep " + std::to_string(leftToRight ? 1 : 12) + ",15"};
    EXPECT_EQ(std::vector<std::string>(log.Log.begin(), log.Log.begin() + 2), expectedStart);
    EXPECT_EQ(log.Log[13], "redraw");
    EXPECT_EQ(log.Log[14], "line");
    // The remaining rows keep their places until their turn: always row 15..18 in order.
    for (int row = 15; row <= 18; ++row) {
        const bool ascending = leftToRight == ((row - 15) % 2 == 0);
        EXPECT_EQ(log.SweepColumns(row), ascending ? Ascending(12) : Descending(12)) << row;
    }
    EXPECT_EQ(std::count(log.Log.begin(), log.Log.end(), "line"), 4);
}

TEST(RemoveFullLines, RunReachingTheTopRowAndHiddenRowsStayPut)
{
    TRandom random(8);
    TGlass glass(random);
    for (int x = 1; x <= glass.Width(); ++x) {
        glass.Cell(x, 1).Mask = 15;
        glass.Cell(x, 2).Mask = 15;
        glass.Cell(x, 0).Mask = 15; // hidden rows are not moved into row 1
    }
    glass.Cell(5, 3).Mask = 2;
    TRemovalLog log;
    EXPECT_EQ(glass.RemoveFullLines(log), 2);
    EXPECT_EQ(GlassText(glass, 1).substr(0, 39), "............\n............\n....2.......\n");
    EXPECT_EQ(glass.Cell(5, 0).Mask, 15);
}

TEST(AddTrash, DrawsInOrderAndLeavesAHoleInEveryRow)
{
    for (const int style : {1, 3, 5}) {
        TRandom random(4242u + static_cast<uint32_t>(style));
        TGlass glass(random);
        glass.SetSkin(TBitmap(160, 20));
        TRandom replica(random.Seed);
        glass.AddTrash(6, style);

        TGlass expected(replica);
        for (int y = 13; y <= 18; ++y) {
            for (int x = 1; x <= 12; ++x) {
                if (replica.Random(13) >= 10)
                    continue;
                const auto tile = static_cast<uint8_t>(replica.Random(7));
                uint8_t mask = 15;
                if (style == 5 && replica.Random(5) < 2)
                    mask = static_cast<uint8_t>((0x4C >> replica.Random(4)) & 15);
                expected.Cell(x, y) = {mask, {tile, tile, tile, tile}};
            }
            expected.Cell(1 + replica.Random(12), y).Mask = 0;
        }
        EXPECT_EQ(GlassText(glass), GlassText(expected));
        EXPECT_EQ(random.Seed, replica.Seed);
        bool halfCells = false;
        for (int y = 1; y <= 18; ++y) {
            EXPECT_FALSE(glass.IsRowFull(y));
            for (int x = 1; x <= 12; ++x) {
                const TGlassCell& cell = glass.Cell(x, y);
                EXPECT_TRUE(cell.Mask == 0 || cell.Mask == 15 || style == 5) << GlassText(glass);
                EXPECT_TRUE(cell.Mask == 0 || cell.Mask == 15 || cell.Mask == 3 || cell.Mask == 6 || cell.Mask == 9 ||
                    cell.Mask == 12);
                halfCells = halfCells || (cell.Mask != 0 && cell.Mask != 15);
                if (cell.Mask) {
                    EXPECT_LT(cell.Colors[0], 7); // never the falling triangle's tile
                }
            }
        }
        EXPECT_EQ(halfCells, style == 5);
    }
}

TEST(AddTrash, NoneForZeroOrLessAndNeverBeyondTheGrid)
{
    TRandom random(1);
    TGlass glass(random);
    glass.SetSkin(TBitmap(160, 20));
    glass.AddTrash(0, 3);
    glass.AddTrash(-5, 3);
    EXPECT_EQ(random.Seed, 1u);
    for (int y = -4; y <= 18; ++y)
        for (int x = 1; x <= 12; ++x)
            EXPECT_EQ(glass.Cell(x, y).Mask, 0);

    // A count from the big glass in the normal one reaches the hidden rows.
    glass.AddTrash(20, 3);
    int filledHidden = 0;
    for (int x = 1; x <= 12; ++x)
        filledHidden += glass.Cell(x, -1).Mask != 0;
    EXPECT_GT(filledHidden, 0);
    for (int x = 1; x <= 12; ++x)
        EXPECT_EQ(glass.Cell(x, -2).Mask, 0);

    // A count beyond the grid fills it up to the top hidden row, and no further.
    glass.Clear();
    TRandom replica(random.Seed);
    glass.AddTrash(500, 3);
    TGlass bounded(replica);
    bounded.SetSkin(TBitmap(160, 20));
    bounded.AddTrash(23, 3);
    EXPECT_EQ(GlassText(glass, -4), GlassText(bounded, -4));
    EXPECT_EQ(random.Seed, replica.Seed);
    for (int y = -4; y <= 19; ++y)
        EXPECT_EQ(glass.Cell(0, y).Mask, 15);
}

TEST(AddTrash, NarrowSkinGivesTileZero)
{
    TRandom random(6);
    TGlass glass(random);
    glass.SetSkin(TBitmap(20, 20));
    glass.AddTrash(3, 3);
    for (int y = 16; y <= 18; ++y)
        for (int x = 1; x <= 12; ++x)
            EXPECT_EQ(glass.Cell(x, y).Colors[0], 0);
}

} // namespace
} // namespace stakor::test
