#pragma once

#include <array>
#include <cstdint>

namespace stakor {

class TGlass;
class TIni;
class TRandom;
class IGameView;
class ISound;

// One filled cell of a figure's 5 x 5 box; X and Y run 1..5.
struct TShapeCell {
    int8_t X = 0;
    int8_t Y = 0;
    uint8_t Mask = 0;
};

// One rotation of a figure.
struct TShape {
    std::array<std::array<uint8_t, 5>, 5> Box{}; // [y - 1][x - 1], masks
    std::array<TShapeCell, 25> Cells{}; // the filled ones, row by row
    int Count = 0;
    int MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
};

inline constexpr int FigureCount = 56;

// number 1..56, rotation 1..4.
const TShape& FigureShape(int number, int rotation);

// The figures each game style draws from: numbers First .. First + Count - 1.
struct TStyleFigures {
    int First;
    int Count;
};
inline constexpr std::array<TStyleFigures, 5> StyleFigures = {{{3, 6}, {3, 11}, {7, 7}, {14, 18}, {32, 25}}};

// The game style a stored GameStyle stands for; a hand-edited value outside
// 1..5 takes the nearest style.
constexpr int32_t StyleOf(int32_t gameStyle)
{
    return gameStyle < 1 ? 1 : gameStyle > 5 ? 5 : gameStyle;
}

struct TFigure {
    int32_t Number = 0; // 1..56
    int32_t Rotation = 0; // 1..4
    int32_t X = 0; // glass column of box column 1
    int32_t Y = 0; // glass row of box row 1
    int32_t Color = 0; // skin tile
    bool FallsThrough = false;

    friend bool operator==(const TFigure&, const TFigure&) = default;
};

// The falling figure, the next one, and what is done to a figure: choosing,
// moving, turning, drawing and fixing it into the glass.
class TFigures {
public:
    TFigures(TGlass& glass, TRandom& random, const TIni& ini, IGameView& view, ISound& sound);

    void ChooseFigure();
    void PaintFigure(bool show);
    bool CanMoveDown() const;
    void MoveDown();
    bool CanMoveLeft() const;
    bool CanMoveRight() const;
    void MoveLeft();
    void MoveRight();
    int NextRotation(bool clockwise) const;
    bool CanRotate(bool clockwise) const;
    void Rotate(bool clockwise);
    void FixFigure();

    // Where the current figure would come to rest if dropped now, by the same
    // collision as its fall; the falling triangle where it would stop.
    TFigure LandingPlace() const;
    // The glass was drawn anew without the landing shadow; the next drawing
    // of the figure draws the shadow whole.
    void ForgetShadow() { ShadowShown = false; }

    TFigure Current;
    TFigure Next;
    bool Stepped = false; // the current figure has had a tick
    bool Dropping = false; // a fast drop is under way

private:
    bool CanMoveSideways(int dx) const;
    void MoveSideways(int dx);
    bool CanFall(const TFigure& figure) const;
    int RowAfterFall(const TFigure& figure) const;
    // PaintFigure with the landing shadow: the figure's cells, and the
    // shadow's old and new cells where it moved.
    void PaintWithShadow(bool show);
    // One cell as it shows: the glass, the figure if shown, the shadow's
    // triangles where neither covers them.
    void DrawComposedCell(int x, int y, bool withFigure);

    TFigure Shadow; // where the landing shadow is drawn
    bool ShadowShown = false;

    TGlass& Glass;
    TRandom& Rng;
    const TIni& Ini;
    IGameView& View;
    ISound& Sound;
};

} // namespace stakor
