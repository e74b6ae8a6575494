#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/wait.h>

#include "glass/image_file.h"
#include "simulator.h"

namespace stakor::sim {
namespace {

struct TRun {
    int Status = 0;
    std::vector<std::string> Lines; // standard output
    std::string Errors;
};

TRun RunSim(const std::vector<std::string>& args, const std::string& script)
{
    std::istringstream in(script);
    std::ostringstream out, err;
    TRun run;
    run.Status = Main(args, in, out, err);
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);)
        run.Lines.push_back(line);
    run.Errors = err.str();
    return run;
}

// The text of a top-level field of a state line: a number, a flag, or an
// object or array up to its closing bracket.
std::string Field(const std::string& line, const std::string& key)
{
    const std::string marker = "\"" + key + "\":";
    const size_t start = line.find(marker);
    if (start == std::string::npos)
        return "<missing>";
    size_t i = start + marker.size();
    const size_t first = i;
    int depth = 0;
    bool inString = false;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '[' || c == '{')
            ++depth;
        else if (c == ']' || c == '}') {
            if (depth == 0)
                break;
            if (--depth == 0) {
                ++i;
                break;
            }
        } else if (c == ',' && depth == 0)
            break;
    }
    return line.substr(first, i - first);
}

long long Number(const std::string& line, const std::string& key)
{
    return std::stoll(Field(line, key));
}

std::filesystem::path TempFolder(const std::string& name)
{
    const auto folder =
        std::filesystem::temp_directory_path() / ("stakor-sim-test-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

TEST(SimOptions, BadOptionsAreRefusedWithOneLineAndStatusTwo)
{
    for (const std::vector<std::string>& args :
        std::vector<std::vector<std::string>>{{"--style", "0"}, {"--style", "6"}, {"--level", "0"}, {"--level", "16"},
            {"--glass", "4"}, {"--glass", "1"}, {"--seed", "4294967296"}, {"--seed", "-1"}, {"--seed", "12x"},
            {"--seed"}, {"--trash", "many"}, {"--player", ""}, {"--player", "123456789012345678901"}, {"--bogus"},
            {"--skin-width", "-20"}, {"--upside-down=1"}, {"a.txt", "b.txt"}}) {
        const TRun run = RunSim(args, "state");
        EXPECT_EQ(run.Status, 2) << args[0];
        EXPECT_TRUE(run.Lines.empty()) << args[0];
        EXPECT_EQ(std::count(run.Errors.begin(), run.Errors.end(), '\n'), 1) << run.Errors;
    }
    EXPECT_EQ(
        RunSim({"--seed", "4294967295", "--trash", "-7", "--player", "12345678901234567890", "--style=5"}, "").Status,
        0);
    EXPECT_EQ(RunSim({"--help"}, "").Status, 0);
}

TEST(SimOptions, ReadsEveryOption)
{
    const TOptions o = ParseOptions({"--seed", "7", "--style", "5", "--level", "15", "--trash", "500", "--glass", "3",
        "--upside-down", "--clockwise", "--skin-width", "140", "--records", "r.dat", "--player", "Ann", "script.txt"});
    EXPECT_EQ(o.Seed, 7u);
    EXPECT_EQ(o.Style, 5);
    EXPECT_EQ(o.Level, 15);
    EXPECT_EQ(o.Trash, 500);
    EXPECT_EQ(o.Glass, 3);
    EXPECT_TRUE(o.UpsideDown);
    EXPECT_TRUE(o.Clockwise);
    EXPECT_EQ(o.SkinWidth, 140);
    EXPECT_EQ(o.Records, "r.dat");
    EXPECT_EQ(o.Player, "Ann");
    EXPECT_EQ(o.Script, "script.txt");
}

TEST(SimState, BeforeTheFirstGameEverythingIsZero)
{
    const TRun run = RunSim({"--seed", "4711", "--glass", "3"}, "state");
    ASSERT_EQ(run.Status, 0);
    ASSERT_EQ(run.Lines.size(), 2u);
    const std::string& line = run.Lines[0];
    EXPECT_EQ(line.front(), '{');
    EXPECT_EQ(line.back(), '}');
    for (const char* flag : {"running", "paused", "dropping", "stepped", "dropKeyDown", "clock", "overflow"})
        EXPECT_EQ(Field(line, flag), "false") << flag;
    for (const char* number : {"timeMs", "period", "level", "levelLines", "singles", "doubles", "triples", "quadruples",
             "quintuples", "totalLines", "score"})
        EXPECT_EQ(Field(line, number), "0") << number;
    EXPECT_EQ(Field(line, "seed"), "4711");
    EXPECT_EQ(Field(line, "current"), R"({"number":0,"rotation":0,"x":0,"y":0,"color":0,"fallsThrough":false})");
    EXPECT_EQ(Field(line, "sounds"), "[]");
    EXPECT_EQ(Field(line, "records"), "<missing>");
    // The big glass: rows -4..25, 18 cells each.
    const std::string glass = Field(line, "glass");
    EXPECT_EQ(std::count(glass.begin(), glass.end(), '"'), 60);
    EXPECT_NE(glass.find("\"" + std::string(18, '0') + "\""), std::string::npos);
    EXPECT_EQ(Field(line, "colors").size(), 30 * (18 * 8 + 3) + 1);
    // The last line has the (empty) tables.
    std::string empty = "[";
    for (int i = 0; i < 10; ++i)
        empty += std::string(i ? "," : "") + "[\"\",0]";
    empty += "]";
    EXPECT_EQ(
        Field(run.Lines[1], "records"), "[" + empty + "," + empty + "," + empty + "," + empty + "," + empty + "]");
}

TEST(SimScript, WordsCommentsAndTicks)
{
    const TRun run = RunSim({"--seed", "1"}, "start # tick tick tick\n\ttick  tick\r\nstate pause tick tick state");
    ASSERT_EQ(run.Status, 0) << run.Errors;
    ASSERT_EQ(run.Lines.size(), 3u);
    EXPECT_EQ(Number(run.Lines[0], "timeMs"), 2 * 950);
    EXPECT_EQ(Field(run.Lines[0], "running"), "true");
    EXPECT_EQ(Field(run.Lines[0], "clock"), "true");
    EXPECT_EQ(Number(run.Lines[0], "period"), 950);
    EXPECT_EQ(Number(run.Lines[0], "level"), 1);
    // Ticks while paused are dropped.
    EXPECT_EQ(Number(run.Lines[1], "timeMs"), 2 * 950);
    EXPECT_EQ(Field(run.Lines[1], "paused"), "true");
    EXPECT_EQ(Field(run.Lines[1], "clock"), "false");
    EXPECT_EQ(Field(run.Lines[1], "sounds"), R"(["pause"])");
    EXPECT_EQ(Field(run.Lines[2], "sounds"), "[]");
}

TEST(SimScript, UnknownWordStopsWithItsPosition)
{
    const TRun run = RunSim({"--seed", "1"}, "start state\n  tick jump tick");
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Lines.size(), 1u); // the state before it, and no final line
    EXPECT_NE(run.Errors.find("'jump'"), std::string::npos);
    EXPECT_NE(run.Errors.find("line 2"), std::string::npos);
    EXPECT_NE(run.Errors.find("column 8"), std::string::npos);
    EXPECT_EQ(std::count(run.Errors.begin(), run.Errors.end(), '\n'), 1);
}

TEST(SimScript, TheSameSeedReplaysTheSameGame)
{
    std::string script = "start";
    for (int i = 0; i < 400; ++i)
        script += i % 7 == 0 ? " left tick" : i % 11 == 0 ? " up drop tick state" : " tick";
    const TRun a = RunSim({"--seed", "2024", "--style", "5", "--trash", "4"}, script);
    const TRun b = RunSim({"--seed", "2024", "--style", "5", "--trash", "4"}, script);
    const TRun c = RunSim({"--seed", "2025", "--style", "5", "--trash", "4"}, script);
    EXPECT_EQ(a.Lines, b.Lines);
    EXPECT_NE(a.Lines, c.Lines);
}

// Ticks until the game is over, dropping each figure as soon as it may.
std::string PlayToTheEnd()
{
    std::string script = "start";
    for (int i = 0; i < 3000; ++i)
        script += " tick drop";
    return script;
}

TEST(SimGame, AGameToTheEndEntersTheTableAndTheFile)
{
    const auto folder = TempFolder("records");
    const std::string records = (folder / "records.dat").string();
    const TRun run = RunSim({"--seed", "99", "--records", records, "--player", "Zed"}, PlayToTheEnd() + " state");
    ASSERT_EQ(run.Status, 0) << run.Errors;
    const std::string& last = run.Lines.back();
    EXPECT_EQ(Field(last, "running"), "false");
    EXPECT_EQ(Field(last, "overflow"), "true");
    const long long score = Number(last, "score");
    EXPECT_GT(score, 0);
    EXPECT_EQ(Field(run.Lines[run.Lines.size() - 2], "sounds").find("\"game\"") != std::string::npos, true);
    EXPECT_NE(Field(last, "records").find("[\"Zed\"," + std::to_string(score) + "]"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(records), 4900u);

    // Read back at the next start.
    const TRun again = RunSim({"--records", records}, "");
    EXPECT_NE(Field(again.Lines.back(), "records").find("[\"Zed\"," + std::to_string(score) + "]"), std::string::npos);
    std::filesystem::remove_all(folder);
}

TEST(SimGame, NewEntryScramblesEvenWithoutAFile)
{
    // Two identical games, one with a file: the seeds after the game agree,
    // because the table is scrambled either way.
    const auto folder = TempFolder("scramble");
    const TRun withFile = RunSim({"--seed", "5", "--records", (folder / "r.dat").string()}, PlayToTheEnd());
    const TRun without = RunSim({"--seed", "5"}, PlayToTheEnd());
    EXPECT_EQ(Field(withFile.Lines.back(), "seed"), Field(without.Lines.back(), "seed"));
    EXPECT_EQ(withFile.Lines.back(), without.Lines.back());
    std::filesystem::remove_all(folder);
}

TEST(SimProgram, DrivenThroughAPipeAndExitStatus)
{
    const auto folder = TempFolder("program");
    const std::string program = STAKOR_SIM_PROGRAM;
    EXPECT_EQ(WEXITSTATUS(std::system((program + " --style 9 </dev/null 2>/dev/null").c_str())), 2);
    const std::string out = (folder / "out.txt").string();
    const std::string command = "printf 'start\\nstate\\ntick\\n' | " + program + " --seed 3 - > " + out;
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
    std::ifstream file(out);
    std::string first, second, third;
    std::getline(file, first);
    std::getline(file, second);
    EXPECT_FALSE(std::getline(file, third));
    EXPECT_EQ(Field(first, "running"), "true");
    EXPECT_EQ(Number(second, "timeMs"), 950);
    std::filesystem::remove_all(folder);
}

// The quoted strings of an array field, in order.
std::vector<std::string> Strings(const std::string& array)
{
    // The strings of a state line hold hex digits only, never a quote.
    std::vector<std::string> strings;
    for (size_t open = array.find('"'); open != std::string::npos; open = array.find('"', open + 1)) {
        const size_t close = array.find('"', open + 1);
        if (close == std::string::npos)
            break;
        strings.push_back(array.substr(open + 1, close - open - 1));
        open = close;
    }
    return strings;
}

TEST(SimPictures, ColoursBeyondANewSkinWrapRoundItsTiles)
{
    // A game coloured for a nine-tile skin, changed to three tiles whose
    // pixels tell their tile in blue (10 t + 1).
    const auto folder = TempFolder("wrap");
    TBitmap three(60, 20);
    for (int t = 0; t < 3; ++t)
        for (int j = 0; j < 20; ++j)
            for (int i = 0; i < 20; ++i)
                three.SetPixel(20 * t + i, j,
                    {static_cast<uint8_t>(10 * t + 1), static_cast<uint8_t>(10 * i + 5),
                        static_cast<uint8_t>(10 * j + 5)});
    ASSERT_TRUE(WriteBmpFile(folder / "three.bmp", three));
    const std::string render = (folder / "glass.bmp").string();
    const TRun run =
        RunSim({"--seed", "4", "--trash", "8", "--skin-width", "180", "--skin", (folder / "three.bmp").string(),
                   "--bg-file", "", "--grid", "0", "--render", render, "--panels", (folder / "panels").string()},
            "start tick tick skin");
    ASSERT_EQ(run.Status, 0) << run.Errors;
    ASSERT_FALSE(run.Lines.empty());
    const std::string& state = run.Lines.back();
    const std::vector<std::string> masks = Strings(Field(state, "glass"));
    const std::vector<std::string> colors = Strings(Field(state, "colors"));
    ASSERT_EQ(masks.size(), 5u + 18u); // rows -4 to 18
    ASSERT_EQ(colors.size(), masks.size());

    TBitmap glass;
    ASSERT_TRUE(LoadImageFile(render, glass));
    const auto tilePixel = [](int color, int i, int j) {
        return TPixel{static_cast<uint8_t>(10 * (color % 3) + 1), static_cast<uint8_t>(10 * i + 5),
            static_cast<uint8_t>(10 * j + 5)};
    };
    int beyond = 0;
    for (int y = 1; y <= 18; ++y)
        for (int x = 1; x <= 12; ++x) {
            if (masks[static_cast<size_t>(y + 4)][static_cast<size_t>(x - 1)] != 'f')
                continue;
            // Whole trash cells: one colour for all four triangles.
            const int color = std::stoi(
                colors[static_cast<size_t>(y + 4)].substr(static_cast<size_t>(8 * (x - 1) + 4), 2), nullptr, 16);
            beyond += color >= 3;
            EXPECT_EQ(glass.Pixel(20 * (x - 1) + 10, 20 * (y - 1) + 2), tilePixel(color, 10, 2))
                << "cell " << x << "," << y << " colour " << color;
            EXPECT_EQ(glass.Pixel(20 * (x - 1) + 10, 20 * (y - 1) + 19), tilePixel(color, 10, 19))
                << "cell " << x << "," << y << " colour " << color;
        }
    EXPECT_GT(beyond, 10) << "the trash should hold colours the new skin lacks";

    // The next figure in the panel, drawn again by the change, wraps alike.
    TBitmap next;
    ASSERT_TRUE(LoadImageFile(folder / "panels" / "next.bmp", next));
    const int nextColor = static_cast<int>(Number(Field(state, "next"), "color"));
    EXPECT_GE(nextColor, 3) << "the seed should give a next figure in a colour the new skin lacks";
    int drawn = 0;
    for (int y = 0; y < next.Height; ++y)
        for (int x = 0; x < next.Width; ++x)
            if (next.Pixel(x, y) != TPixel{}) {
                ++drawn;
                EXPECT_EQ(next.Pixel(x, y).B, 10 * (nextColor % 3) + 1) << "at " << x << "," << y;
            }
    EXPECT_GT(drawn, 0);
    std::filesystem::remove_all(folder);
}

TEST(SimPictures, RenderAndPanelsAreWrittenAsTheyStand)
{
    const auto folder = TempFolder("pictures");
    const std::string render = (folder / "glass.bmp").string();
    // No game yet: the glass shows its plain background, the panels are black
    // and the life bar shows an empty glass.
    TRun run = RunSim({"--bg-file", "", "--bg-color", "0x112233", "--grid", "0", "--render", render, "--panels",
                          (folder / "panels").string()},
        "");
    ASSERT_EQ(run.Status, 0) << run.Errors;
    TBitmap glass;
    ASSERT_TRUE(LoadImageFile(render, glass));
    EXPECT_EQ(glass.Width, 240);
    EXPECT_EQ(glass.Height, 360);
    EXPECT_EQ(glass.Pixel(0, 0), ColorToPixel(0x112233));
    EXPECT_EQ(glass.Pixel(239, 359), ColorToPixel(0x112233));
    TBitmap score, level, life, next;
    ASSERT_TRUE(LoadImageFile(folder / "panels" / "score.bmp", score));
    ASSERT_TRUE(LoadImageFile(folder / "panels" / "level.bmp", level));
    ASSERT_TRUE(LoadImageFile(folder / "panels" / "life.bmp", life));
    ASSERT_TRUE(LoadImageFile(folder / "panels" / "next.bmp", next));
    EXPECT_EQ(std::make_pair(score.Width, score.Height), std::make_pair(120, 23));
    EXPECT_EQ(std::make_pair(level.Width, level.Height), std::make_pair(70, 29));
    EXPECT_EQ(std::make_pair(life.Width, life.Height), std::make_pair(10, 360));
    EXPECT_EQ(std::make_pair(next.Width, next.Height), std::make_pair(120, 120));
    EXPECT_EQ(score.Pixel(110, 10), TPixel{});
    EXPECT_EQ(life.Pixel(5, 359), ColorToPixel(0xE0B866));

    // A game in the big glass with the grid: the grid colour on the lines,
    // the falling figure drawn, the score and level shown.
    run = RunSim({"--glass", "3", "--seed", "8", "--bg-file", "", "--grid-color", "0x0000ff", "--render", render,
                     "--panels", (folder / "big").string()},
        "start tick tick tick tick tick tick");
    ASSERT_EQ(run.Status, 0) << run.Errors;
    ASSERT_TRUE(LoadImageFile(render, glass));
    EXPECT_EQ(glass.Width, 360);
    EXPECT_EQ(glass.Pixel(19, 400), ColorToPixel(0x0000ff));
    ASSERT_TRUE(LoadImageFile(folder / "big" / "level.bmp", level));
    EXPECT_EQ(level.Pixel(3, 3), (TPixel{0, 153, 0}));
    ASSERT_TRUE(LoadImageFile(folder / "big" / "life.bmp", life));
    EXPECT_EQ(life.Height, 500);

    // Unwritable targets fail after the run, with status 1.
    run = RunSim({"--render", (folder / "no" / "such" / "folder" / "g.bmp").string()}, "");
    EXPECT_EQ(run.Status, 1);
    std::filesystem::remove_all(folder);
}

TEST(SimPictures, SkinWidthAloneRepeatsTheShippedTiles)
{
    TBitmap base(60, 20); // two ordinary tiles and the special one
    for (int t = 0; t < 3; ++t)
        base.FillRect(20 * t, 0, 20 * t + 19, 19, {static_cast<uint8_t>(t + 1), 0, 0});
    const TBitmap skin = SkinOfWidth(base, 130);
    ASSERT_EQ(skin.Width, 130);
    for (int t = 0; t < 5; ++t)
        EXPECT_EQ(skin.Pixel(20 * t + 7, 7).B, t % 2 + 1);
    EXPECT_EQ(skin.Pixel(20 * 5 + 7, 7).B, 3); // the last whole tile is the special one
    EXPECT_EQ(SkinOfWidth(TBitmap(), 40).Pixel(5, 5).B, 128);
}

} // namespace
} // namespace stakor::sim
