#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/display.h"
#include "engine/pixel_view.h"
#include "glass/glass_painter.h"
#include "glass/image_file.h"
#include "glass/image_set.h"
#include "glass/resample.h"
#include "pictures.h"
#include "world.h"

namespace stakor::test {
namespace {

namespace fs = std::filesystem;

class TRecordingDisplay : public IDisplay, public IMessages {
public:
    std::vector<std::string> Log;
    TBitmap LastGlass;
    void ShowGlass(const TBitmap& glass, const TPixelRect& changed) override
    {
        Log.push_back("glass " + std::to_string(changed.Left) + "," + std::to_string(changed.Top) + "-" +
            std::to_string(changed.Right) + "," + std::to_string(changed.Bottom));
        LastGlass = glass;
    }
    void ShowPanel(TPanel panel, const TBitmap&) override
    {
        Log.push_back(panel == TPanel::Score ? "score"
                : panel == TPanel::Level     ? "level"
                : panel == TPanel::Life      ? "life"
                                             : "next");
    }
    void ShowLineCounts(const TGame&) override { Log.push_back("lines"); }
    void Wait(int ms) override { Log.push_back("wait " + std::to_string(ms)); }
    void ShowMessage(const std::string& text, const std::string& caption, bool) override
    {
        Log.push_back("message " + caption + "/" + text);
    }
};

// The rules drawing through the pixel view, with the shipped data folder in a
// temporary copy of its own.
class PixelView : public ::testing::Test {
protected:
    static fs::path NewFolder()
    {
        const fs::path folder = fs::temp_directory_path() /
            ("stakor-view-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        return folder;
    }

    PixelView()
    {
        fs::create_directories(Folder / "Skin");
        fs::create_directories(Folder / "Background");
        WriteBmpFile(Folder / "Skin" / "squares.bmp", NumberedSkin(8));
        Ini.SetGlassBgFileName("");
        Images.DigitsImage.Resize(120, 19);
        Images.DigitsImage.FillRect(0, 0, 119, 18, {0, 200, 0});
        Images.PausedImage.Resize(140, 34);
        Images.GameOverImage.Resize(214, 34);
        Rules.ApplyMode(2);
    }
    ~PixelView() override { fs::remove_all(Folder); }

    fs::path Folder = NewFolder();
    TIni Ini{std::nullopt};
    TLanguage Lang{Ini, {}};
    TRandom Random{7};
    TGlass Glass{Random};
    TGame Game;
    TImageSet Images;
    TRecordingDisplay Display;
    TPixelView View{{Glass, Game, Ini, Lang, Images, Display, Display, Folder}};
    TRecorder Others;
    TGameClock Clock{Others};
    TFigures Figures{Glass, Random, Ini, View, Others};
    TRecords Records{Random, std::nullopt};
    TGameRules Rules{{Game, Figures, Glass, Clock, Ini, View, Others, Records, Others, Lang}};
};

TEST_F(PixelView, ScoreFadesInFiveFramesWithFourWaits)
{
    Display.Log.clear();
    View.DrawScore(7);
    EXPECT_EQ(Display.Log,
        (std::vector<std::string>{
            "score", "wait 45", "score", "wait 45", "score", "wait 45", "score", "wait 45", "score"}));
    // The digits stay with their green raised by 16.
    EXPECT_EQ(View.ScoreImage().Pixel(117, 2), (TPixel{0, 216, 0}));
    EXPECT_EQ(View.ScoreImage().Pixel(118, 2), TPixel{});
    // The next fade starts from what is shown.
    View.DrawScore(7);
    EXPECT_EQ(View.ScoreImage().Pixel(117, 2), (TPixel{0, 216, 0}));
}

TEST_F(PixelView, ThePausedGlassIsDimmedAndNoticed)
{
    Rules.StartGame();
    for (int i = 0; i < 6; ++i)
        Rules.Tick();
    Rules.DrawGlass();
    TBitmap expected = Glass.Bitmap;
    Rules.PauseGame();
    std::swap(expected, Glass.Bitmap);
    DimGlass(Glass);
    DrawNotice(Glass.Bitmap, Images.PausedImage, ColorToPixel(Images.NoticeColor));
    std::swap(expected, Glass.Bitmap);
    EXPECT_EQ(Glass.Bitmap.Pixels, expected.Pixels);
    EXPECT_EQ(Display.LastGlass.Pixels, expected.Pixels);

    // Resuming redraws the glass undimmed.
    Rules.ResumeGame();
    Rules.PauseGame();
    Rules.ResumeGame();
    TBitmap undimmed = Glass.Bitmap;
    Rules.DrawGlass();
    EXPECT_EQ(undimmed.Pixels, Glass.Bitmap.Pixels);
}

TEST_F(PixelView, EmptyCellsShowTheBackgroundGridIncluded)
{
    Ini.SetGlassBgColor(0x102030);
    Ini.SetGlassGridColor(0x0000FF);
    View.BuildBackground();
    Rules.DrawGlass();
    EXPECT_EQ(Glass.Bitmap.Pixel(5, 5), ColorToPixel(0x102030));
    EXPECT_EQ(Glass.Bitmap.Pixel(5, 19), ColorToPixel(0x0000FF));
    EXPECT_EQ(Display.LastGlass.Pixel(19, 100), ColorToPixel(0x0000FF));
}

TEST_F(PixelView, BackgroundPictureIsStretchedOrTiledAndAMissingOneForgotten)
{
    TBitmap picture(100, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            picture.SetPixel(x, y, {static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7});
    ASSERT_TRUE(WriteBmpFile(Folder / "Background" / "square.bmp", picture));
    Ini.SetGlassShowGrid(false);
    Ini.SetGlassBgFileName("Background/square.bmp"); // relative to the program folder
    Ini.SetGlassBgStretch(false);
    View.BuildBackground();
    EXPECT_EQ(Glass.Background.Pixel(0, 0), picture.Pixel(0, 0));
    EXPECT_EQ(Glass.Background.Pixel(105, 230), picture.Pixel(5, 30)); // tiled from the top-left
    EXPECT_EQ(Glass.Background.Pixel(239, 359), picture.Pixel(39, 59));

    Ini.SetGlassBgStretch(true);
    View.BuildBackground();
    TBitmap expected(240, 360);
    std::vector<const uint8_t*> rows;
    for (int y = 0; y < 100; ++y)
        rows.push_back(picture.Row(y));
    ResampleImage(rows.data(), 100, 100, true, expected.Row(0), expected.Stride, 360, 240);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {120, 200}, {239, 359}})
        EXPECT_EQ(Glass.Background.Pixel(x, y), expected.Pixel(x, y));

    fs::remove(Folder / "Background" / "square.bmp");
    View.BuildBackground();
    EXPECT_EQ(Ini.GlassBgFileName(), "");
    EXPECT_EQ(Glass.Background.Pixel(120, 200), ColorToPixel(Ini.GlassBgColor()));
}

TEST_F(PixelView, AMissingSkinIsReportedAndTheOldOneStays)
{
    ASSERT_EQ(Glass.SkinWidth(), 160);
    Ini.SetGlassFontFileName("nothere.bmp");
    Display.Log.clear();
    View.LoadSkin();
    // No pack loaded: the built-in texts.
    EXPECT_EQ(
        Display.Log, std::vector<std::string>{"message Skin error/The skin for the figures could not be loaded."});
    EXPECT_EQ(Glass.SkinWidth(), 160);
}

TEST_F(PixelView, ABadSkinIsReportedOncePerStartWhateverTheGlassSize)
{
    // One tile and a half: too small to use. Start-up loads the skin with the
    // normal glass, then again as the window switches to the big one.
    WriteBmpFile(Folder / "Skin" / "tiny.bmp", NumberedSkin(1));
    Ini.SetGlassFontFileName("tiny.bmp");
    const std::string message = "message Skin error/The skin for the figures could not be loaded.";
    const auto messages = [&] { return std::count(Display.Log.begin(), Display.Log.end(), message); };
    Display.Log.clear();
    Rules.ApplyMode(2);
    Rules.ApplyMode(3);
    Rules.ApplyMode(2);
    View.LoadSkin();
    EXPECT_EQ(messages(), 1);

    // Another bad skin is news; so is the first one again after a good one.
    Ini.SetGlassFontFileName("nothere.bmp");
    View.LoadSkin();
    EXPECT_EQ(messages(), 2);
    Ini.SetGlassFontFileName("squares.bmp");
    View.LoadSkin();
    Ini.SetGlassFontFileName("tiny.bmp");
    Rules.ApplyMode(3);
    Rules.ApplyMode(2);
    EXPECT_EQ(messages(), 3);
    EXPECT_EQ(Glass.SkinWidth(), 160); // the good skin stays in use
}

TEST_F(PixelView, OnlyTheCellsThatChangedAreShown)
{
    Rules.StartGame();
    Rules.Tick(); // the figure shows from its first step
    while (Figures.Current.Y < 3)
        Rules.Tick();
    Display.Log.clear();
    const TFigure before = Figures.Current;
    Rules.Tick();
    ASSERT_EQ(Display.Log.size(), 1u);
    // The figure's old and new cells, and nothing else.
    const TShape& shape = FigureShape(before.Number, before.Rotation);
    const int left = 20 * (before.X + shape.MinX - 2), right = 20 * (before.X + shape.MaxX - 1);
    const int top = 20 * (before.Y + shape.MinY - 2), bottom = 20 * (before.Y + shape.MaxY);
    EXPECT_EQ(Display.Log[0],
        "glass " + std::to_string(left) + "," + std::to_string(top) + "-" + std::to_string(right) + "," +
            std::to_string(bottom));

    // Upside down the rows count from the bottom.
    Ini.SetUpSideDownMode(true);
    Display.Log.clear();
    View.DrawCell(3, 18, {15, {0, 0, 0, 0}});
    View.Present();
    EXPECT_EQ(Display.Log, std::vector<std::string>{"glass 40,0-60,20"});
    // Nothing drawn, nothing to show.
    Display.Log.clear();
    View.Present();
    EXPECT_EQ(Display.Log, std::vector<std::string>{"glass 0,0-0,0"});
}

TEST_F(PixelView, LifeBarFollowsTheGlassHeight)
{
    Rules.ApplyMode(3);
    View.InitLifeBar();
    EXPECT_EQ(View.LifeImage().Height, 500);
    EXPECT_EQ(View.LifeImage().Pixel(0, 499), ColorToPixel(Images.LifeFreeColor));
}

} // namespace
} // namespace stakor::test
