#pragma once

#include <cstdint>

#include "glass/glass.h"

namespace stakor {

struct TFigure;
struct TGame;

enum class TNotice { Paused, GameOver };

// Everything the rules draw, at the grain at which they draw it. The pixel
// work behind it fills the glass and panel pictures; the rules only say what
// and when, so they run with any view, a silent one included.
class IGameView {
public:
    virtual ~IGameView() = default;

    // The glass picture.
    virtual void DrawCell(int x, int y, const TGlassCell& cell) = 0; // a visible cell, y >= 1
    // A visible cell with the landing shadow's triangles (shadowMask, none of
    // them in the cell's mask) drawn faint in skin tile shadowColor. A view
    // that shows no shadow draws the cell alone.
    virtual void DrawShadowCell(int x, int y, const TGlassCell& cell, uint8_t shadowMask, uint8_t shadowColor)
    {
        (void)shadowMask;
        (void)shadowColor;
        DrawCell(x, y, cell);
    }
    virtual void DimGlass() = 0;
    virtual void DrawNotice(TNotice notice) = 0;
    virtual void Present() = 0; // show the glass picture in the window
    virtual void Wait(int ms) = 0; // a blocking pause of an animation

    // The panels beside the glass.
    virtual void DrawScore(int32_t score) = 0;
    virtual void DrawLevel(int32_t level, int32_t levelLines) = 0;
    virtual void ShowLineCounts(const TGame& game) = 0;
    virtual void RepaintLifeBar() = 0;
    virtual void DrawNextFigure(const TFigure& next) = 0;
    virtual void ClearNextFigure() = 0;
    virtual void ClearScoreAndLevel() = 0;

    // The glass took another size: its pictures follow.
    virtual void GlassResized() = 0;
};

// A view that draws nothing, for replays and measurements.
class TSilentView : public IGameView {
public:
    void DrawCell(int, int, const TGlassCell&) override {}
    void DimGlass() override {}
    void DrawNotice(TNotice) override {}
    void Present() override {}
    void Wait(int) override {}
    void DrawScore(int32_t) override {}
    void DrawLevel(int32_t, int32_t) override {}
    void ShowLineCounts(const TGame&) override {}
    void RepaintLifeBar() override {}
    void DrawNextFigure(const TFigure&) override {}
    void ClearNextFigure() override {}
    void ClearScoreAndLevel() override {}
    void GlassResized() override {}
};

} // namespace stakor
