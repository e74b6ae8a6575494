#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "engine/display.h"
#include "engine/game_view.h"
#include "glass/bitmap.h"

namespace stakor {

class TGlass;
class TIni;
class TLanguage;
struct TGame;
struct TImageSet;

// The rules' drawing done in pixels: the glass picture from the cells, the
// skin and the prepared background, and the four panel pictures. Finished
// pictures go to the display.
class TPixelView : public IGameView {
public:
    struct TContext {
        TGlass& Glass;
        const TGame& Game;
        TIni& Ini;
        const TLanguage& Lang;
        const TImageSet& Images;
        IDisplay& Display;
        IMessages& Messages;
        std::filesystem::path ProgramDir; // holds Skin/ and Background/
    };

    explicit TPixelView(TContext context);

    void DrawCell(int x, int y, const TGlassCell& cell) override;
    void DrawShadowCell(int x, int y, const TGlassCell& cell, uint8_t shadowMask, uint8_t shadowColor) override;
    void DimGlass() override;
    void DrawNotice(TNotice notice) override;
    // Shows the part of the glass picture drawn since the last time.
    void Present() override;
    void Wait(int ms) override;
    void DrawScore(int32_t score) override;
    void DrawLevel(int32_t level, int32_t levelLines) override;
    void ShowLineCounts(const TGame& game) override;
    void RepaintLifeBar() override;
    void DrawNextFigure(const TFigure& next) override;
    void ClearNextFigure() override;
    void ClearScoreAndLevel() override;
    void GlassResized() override;

    // Colour, picture and grid of the background, from the settings. A
    // picture that cannot be loaded is forgotten (its setting cleared).
    void BuildBackground();
    // The cell skin named by the settings; on failure the skin in use stays,
    // and a message tells of it unless the same skin failed the last time.
    void LoadSkin();
    // The life bar takes the glass picture's height and is drawn anew.
    void InitLifeBar();

    const TBitmap& ScoreImage() const { return Score; }
    const TBitmap& LevelImage() const { return Level; }
    const TBitmap& LifeImage() const { return Life; }
    const TBitmap& NextFigImage() const { return Next; }

private:
    TContext C;
    TBitmap Score;
    TBitmap Level;
    TBitmap Life;
    TBitmap Next;
    TPixelRect Changed; // of the glass picture, since it was last shown
    std::optional<std::string> FailedSkin; // the skin whose failure was told last
};

} // namespace stakor
