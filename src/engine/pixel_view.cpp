#include "engine/pixel_view.h"

#include "engine/figures.h"
#include "engine/game.h"
#include "engine/panels.h"
#include "glass/glass.h"
#include "glass/glass_painter.h"
#include "glass/image_file.h"
#include "glass/image_set.h"
#include "glass/resample.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/message_texts.h"

namespace stakor {

TPixelView::TPixelView(TContext context)
    : C(std::move(context)),
      Score(ScoreWidth, ScoreHeight),
      Level(LevelWidth, LevelHeight),
      Life(LifeWidth, C.Glass.Bitmap.Height),
      Next(NextSize, NextSize)
{
}

void TPixelView::DrawCell(int x, int y, const TGlassCell& cell)
{
    if (y < 1)
        return;
    stakor::DrawCell(C.Glass, x, y, cell, C.Ini.UpSideDownMode());
    const int row = C.Ini.UpSideDownMode() ? C.Glass.Height() - y + 1 : y;
    Changed.Add({20 * (x - 1), 20 * (row - 1), 20 * x, 20 * row});
}

void TPixelView::DrawShadowCell(int x, int y, const TGlassCell& cell, uint8_t shadowMask, uint8_t shadowColor)
{
    if (y < 1)
        return;
    stakor::DrawShadowCell(C.Glass, x, y, cell, shadowMask, shadowColor, C.Ini.UpSideDownMode());
    const int row = C.Ini.UpSideDownMode() ? C.Glass.Height() - y + 1 : y;
    Changed.Add({20 * (x - 1), 20 * (row - 1), 20 * x, 20 * row});
}

void TPixelView::DimGlass()
{
    stakor::DimGlass(C.Glass);
    Changed.Add({0, 0, C.Glass.Bitmap.Width, C.Glass.Bitmap.Height});
}

void TPixelView::DrawNotice(TNotice notice)
{
    stakor::DrawNotice(C.Glass.Bitmap, notice == TNotice::Paused ? C.Images.PausedImage : C.Images.GameOverImage,
        ColorToPixel(C.Images.NoticeColor));
    Changed.Add({0, 0, C.Glass.Bitmap.Width, C.Glass.Bitmap.Height});
}

void TPixelView::Present()
{
    if (C.Ini.GlassShowTime()) {
        DrawTime(C.Glass.Bitmap, C.Game.TimeMs);
        Changed.Add({C.Glass.Bitmap.Width - 47, 0, C.Glass.Bitmap.Width, 14});
    }
    C.Display.ShowGlass(C.Glass.Bitmap, Changed);
    Changed = {};
}

void TPixelView::Wait(int ms)
{
    C.Display.Wait(ms);
}

void TPixelView::DrawScore(int32_t score)
{
    // Every change fades in over five frames, the digits glowing green.
    const TBitmap before = Score;
    const TBitmap after = ScoreBitmap(score, C.Images.DigitsImage);
    for (int frame = 0; frame <= 4; ++frame) {
        ScoreFadeFrame(before, after, frame, Score);
        C.Display.ShowPanel(TPanel::Score, Score);
        if (frame < 4)
            C.Display.Wait(45);
    }
}

void TPixelView::DrawLevel(int32_t level, int32_t levelLines)
{
    DrawLevelBitmap(Level, level, levelLines, C.Images.DigitsImage);
    C.Display.ShowPanel(TPanel::Level, Level);
}

void TPixelView::ShowLineCounts(const TGame& game)
{
    C.Display.ShowLineCounts(game);
}

void TPixelView::RepaintLifeBar()
{
    PaintLifeBar(Life, C.Glass, C.Ini.UpSideDownMode(),
        {ColorToPixel(C.Images.LifeFillColor), ColorToPixel(C.Images.LifeGapColor),
            ColorToPixel(C.Images.LifeFreeColor)});
    C.Display.ShowPanel(TPanel::Life, Life);
}

void TPixelView::DrawNextFigure(const TFigure& next)
{
    DrawNextFigureBitmap(Next, next, C.Glass, C.Ini.UpSideDownMode());
    C.Display.ShowPanel(TPanel::Next, Next);
}

void TPixelView::ClearNextFigure()
{
    Next.FillBlack();
    C.Display.ShowPanel(TPanel::Next, Next);
}

void TPixelView::ClearScoreAndLevel()
{
    Score.FillBlack();
    Level.FillBlack();
    C.Display.ShowPanel(TPanel::Score, Score);
    C.Display.ShowPanel(TPanel::Level, Level);
}

void TPixelView::GlassResized()
{
    BuildBackground();
    LoadSkin();
    Changed.Add({0, 0, C.Glass.Bitmap.Width, C.Glass.Bitmap.Height});
}

void TPixelView::InitLifeBar()
{
    Life.Resize(LifeWidth, C.Glass.Bitmap.Height);
    RepaintLifeBar();
}

void TPixelView::BuildBackground()
{
    FillBackground(C.Glass, ColorToPixel(C.Ini.GlassBgColor()));
    const std::string& name = C.Ini.GlassBgFileName();
    bool forget = false;
    if (!name.empty()) {
        std::filesystem::path file(name);
        if (file.is_relative())
            file = C.ProgramDir / file;
        TBitmap picture;
        if (LoadImageFile(file, picture)) {
            std::vector<const uint8_t*> rows(static_cast<size_t>(picture.Height));
            for (int y = 0; y < picture.Height; ++y)
                rows[static_cast<size_t>(y)] = picture.Row(y);
            ResampleImage(rows.data(), picture.Width, picture.Height, C.Ini.GlassBgStretch(), C.Glass.Background.Row(0),
                C.Glass.Background.Stride, C.Glass.Bitmap.Height, C.Glass.Bitmap.Width);
        } else {
            forget = true;
        }
    }
    if (C.Ini.GlassShowGrid())
        DrawGrid(C.Glass, ColorToPixel(C.Ini.GlassGridColor()));
    // Not tried again: the setting is cleared, and saved. A refused write
    // reaches the caller only after the background is complete.
    if (forget)
        C.Ini.SetGlassBgFileName("");
}

void TPixelView::LoadSkin()
{
    TBitmap skin;
    // A skin needs whole tiles: 20 pixels high, and at least one ordinary
    // colour beside the special one. Anything less is refused like a bad file.
    const std::string& name = C.Ini.GlassFontFileName();
    if (LoadImageFile(C.ProgramDir / "Skin" / name, skin) && skin.Height >= 20 && skin.Width >= 40) {
        C.Glass.SetSkin(std::move(skin));
        FailedSkin.reset();
        return;
    }
    // The skin is loaded again with every change of glass size; the player
    // hears of a bad one once, not at each of those loads.
    if (FailedSkin == name)
        return;
    FailedSkin = name;
    C.Messages.ShowMessage(MessageText(C.Lang, "MB1"), MessageText(C.Lang, "MB2"), false);
}

} // namespace stakor
