// The landing shadow in the simulator's pictures: exact pixels, checked
// against the game's own landing, and state lines that do not change.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <unistd.h>

#include "glass/cell_pattern.h"
#include "glass/image_file.h"
#include "simulator.h"

namespace stakor::sim {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Run(std::vector<std::string> args, const std::string& script)
{
    std::istringstream in(script);
    std::ostringstream out, err;
    const int status = Main(args, in, out, err);
    EXPECT_EQ(status, 0) << err.str();
    std::vector<std::string> lines;
    std::istringstream text(out.str());
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

// The text of a top-level field of a state line.
std::string Field(const std::string& line, const std::string& key)
{
    const std::string marker = "\"" + key + "\":";
    size_t i = line.find(marker);
    if (i == std::string::npos)
        return {};
    i += marker.size();
    const size_t first = i;
    int depth = 0;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '[' || c == '{')
            ++depth;
        else if (c == ']' || c == '}') {
            if (--depth <= 0) {
                i += depth == 0 ? 1 : 0;
                break;
            }
        } else if (c == ',' && depth == 0)
            break;
    }
    return line.substr(first, i - first);
}

// The glass rows of a state line, row -4 first: one mask a cell.
std::vector<std::vector<int>> Masks(const std::string& line)
{
    std::vector<std::vector<int>> rows;
    const std::string glass = Field(line, "glass");
    for (size_t at = glass.find('"'); at != std::string::npos; at = glass.find('"', glass.find('"', at + 1) + 1)) {
        const size_t end = glass.find('"', at + 1);
        std::vector<int> row;
        for (size_t i = at + 1; i < end; ++i)
            row.push_back(std::stoi(std::string(1, glass[i]), nullptr, 16));
        rows.push_back(row);
    }
    return rows;
}

uint8_t Mirrored(uint8_t mask)
{
    return static_cast<uint8_t>((mask & 10) | (mask & 1 ? 4 : 0) | (mask & 4 ? 1 : 0));
}

struct TShadowCell {
    int X, Y;
    uint8_t Glass, Shadow;
};

struct TShadow {
    std::vector<TShadowCell> Cells;
    std::vector<std::vector<int>> Landed; // the glass once the figure has landed, row -4 first

    int MaskAfterLanding(int x, int y) const { return Landed[static_cast<size_t>(y + 4)][static_cast<size_t>(x - 1)]; }
    int Height() const { return static_cast<int>(Landed.size()) - 5; }
};

// Plays `script` with and without the shadow and checks the shadow's picture
// against the glass the figure leaves when it really lands: each pixel of a
// shadow triangle is one part that landed picture to three parts background,
// every other pixel as without the shadow. Gives the shadow's cells.
TShadow CheckShadow(const std::vector<std::string>& options, const std::string& script)
{
    const fs::path folder = fs::temp_directory_path() / ("stakor-shadow-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const auto run = [&](const std::string& picture, bool shadow, const std::string& words) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {"--render", (folder / picture).string()});
        if (shadow)
            args.push_back("--shadow");
        return Run(args, words);
    };
    // The game is the same with the shadow, state line by state line.
    std::string watched = script + " state";
    for (int i = 0; i < 80; ++i)
        watched += " tick state";
    const std::vector<std::string> plainLines = run("plain.bmp", false, watched);
    EXPECT_EQ(run("shadow.bmp", true, watched), plainLines);
    // The tick that lands the figure: the next figure takes its place, not stepped yet.
    size_t landed = 1;
    while (landed + 1 < plainLines.size() && Field(plainLines[landed], "stepped") == "true")
        ++landed;
    EXPECT_EQ(Field(plainLines[landed], "totalLines"), Field(plainLines[0], "totalLines")) << "no row may go";
    EXPECT_EQ(Field(plainLines[landed], "overflow"), "false");

    std::string landing = script;
    for (size_t i = 0; i < landed; ++i)
        landing += " tick";
    run("before.bmp", false, script);
    run("shadow.bmp", true, script);
    run("landed.bmp", false, landing);
    run("empty.bmp", false, "");
    TBitmap before, shadow, after, empty;
    EXPECT_TRUE(LoadImageFile(folder / "before.bmp", before));
    EXPECT_TRUE(LoadImageFile(folder / "shadow.bmp", shadow));
    EXPECT_TRUE(LoadImageFile(folder / "landed.bmp", after));
    EXPECT_TRUE(LoadImageFile(folder / "empty.bmp", empty));
    fs::remove_all(folder);

    const bool upsideDown = std::find(options.begin(), options.end(), "--upside-down") != options.end();
    const auto start = Masks(plainLines[0]);
    const auto end = Masks(plainLines[landed]);
    const int height = static_cast<int>(start.size()) - 5;
    const int width = static_cast<int>(start[0].size());
    std::vector<TShadowCell> cells;
    int wrong = 0;
    for (int y = 1; y <= height; ++y)
        for (int x = 1; x <= width; ++x) {
            const uint8_t was = static_cast<uint8_t>(start[static_cast<size_t>(y + 4)][static_cast<size_t>(x - 1)]);
            const uint8_t now = static_cast<uint8_t>(end[static_cast<size_t>(y + 4)][static_cast<size_t>(x - 1)]);
            const uint8_t faint = static_cast<uint8_t>(now & ~was);
            if (faint != 0)
                cells.push_back({x, y, was, faint});
            const int row = upsideDown ? height - y + 1 : y;
            const TCellPattern& pattern = CellPatterns[upsideDown ? Mirrored(now) : now];
            const uint8_t shown = upsideDown ? Mirrored(faint) : faint;
            for (int j = 0; j < 20; ++j)
                for (int i = 0; i < 20; ++i) {
                    const int px = 20 * (x - 1) + i, py = 20 * (row - 1) + j;
                    const int owner = pattern[static_cast<size_t>(j * 20 + i)];
                    TPixel expected = before.Pixel(px, py);
                    if (faint != 0) {
                        expected = after.Pixel(px, py);
                        if (owner != 0 && ((shown >> (owner - 1)) & 1)) {
                            const TPixel a = after.Pixel(px, py), b = empty.Pixel(px, py);
                            expected = {static_cast<uint8_t>((a.B + 3 * b.B) / 4),
                                static_cast<uint8_t>((a.G + 3 * b.G) / 4), static_cast<uint8_t>((a.R + 3 * b.R) / 4)};
                        }
                    }
                    if (shadow.Pixel(px, py) != expected && ++wrong < 5)
                        ADD_FAILURE() << "pixel " << px << "," << py << " of cell " << x << "," << y << " was " << int(was) << " now " << int(now) << " got " << int(shadow.Pixel(px, py).R) << " want " << int(expected.R) << " before " << int(before.Pixel(px, py).R) << " after " << int(after.Pixel(px, py).R);
                }
        }
    EXPECT_EQ(wrong, 0);
    return {cells, end};
}

TEST(SimShadow, EachFigureSetsShadowIsTheLandingDrawnFaint)
{
    // Per style a seed and moves that keep the figure well above its landing,
    // in both glasses and both ways up.
    const struct {
        const char* Style;
        const char* Seed;
        const char* Glass;
        bool UpsideDown;
        const char* Script;
    } cases[] = {
        {"1", "3", "2", false, "start tick tick tick left"},
        {"2", "11", "3", false, "start tick tick tick right right"},
        {"3", "7", "2", false, "start tick tick up tick"},
        {"4", "5", "3", false, "start tick tick tick left left left"},
        {"5", "9", "2", false, "start tick tick tick shift-up right"},
        {"3", "7", "2", true, "start tick tick up tick"},
        {"4", "5", "3", true, "start tick tick tick left left left"},
        {"5", "2", "2", true, "start tick tick tick right"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("style ") + c.Style + (c.UpsideDown ? " upside down" : ""));
        std::vector<std::string> options = {"--style", c.Style, "--seed", c.Seed, "--glass", c.Glass, "--trash", "5"};
        if (c.UpsideDown)
            options.push_back("--upside-down");
        const TShadow shadow = CheckShadow(options, c.Script);
        EXPECT_FALSE(shadow.Cells.empty());
    }
}

TEST(SimShadow, LiesOnTheCellsAboveAGapTheFigureCannotReach)
{
    // The trash below the figure has holes under filled cells: the shadow
    // rests on top, as the figure does, not in the hole.
    for (const bool upsideDown : {false, true}) {
        std::vector<std::string> options = {"--style", "3", "--seed", "21", "--trash", "8"};
        if (upsideDown)
            options.push_back("--upside-down");
        const TShadow shadow = CheckShadow(options, "start tick tick tick");
        ASSERT_FALSE(shadow.Cells.empty());
        bool overGap = false;
        for (const TShadowCell& cell : shadow.Cells)
            for (int y = cell.Y + 1; y <= shadow.Height(); ++y)
                overGap = overGap || shadow.MaskAfterLanding(cell.X, y) != 15;
        EXPECT_TRUE(overGap);
    }
}

TEST(SimShadow, TheFallingTriangleShowsWhereItWouldStopBelowFilledCells)
{
    // The fifth style's triangle passes through cells it does not fit: its
    // shadow is in the gap where it stops, under cells of the trash.
    for (const bool upsideDown : {false, true}) {
        std::vector<std::string> options = {"--style", "5", "--seed", "1", "--trash", "8"};
        if (upsideDown)
            options.push_back("--upside-down");
        const TShadow shadow = CheckShadow(options, "start tick tick");
        ASSERT_EQ(shadow.Cells.size(), 1u);
        const TShadowCell& cell = shadow.Cells[0];
        bool underFilled = false;
        for (int y = 1; y < cell.Y; ++y)
            underFilled = underFilled || shadow.MaskAfterLanding(cell.X, y) != 0;
        EXPECT_TRUE(underFilled);
    }
}

} // namespace
} // namespace stakor::sim
