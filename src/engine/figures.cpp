#include "engine/figures.h"

#include <string_view>
#include <utility>

#include "audio/sound.h"
#include "engine/game_view.h"
#include "base/random.h"
#include "glass/glass.h"
#include "settings/ini.h"

namespace stakor {

namespace {

// The 56 figures in four rotations, each a 5 x 5 box written as five rows,
// top row first, separated by "/". "#" is a whole cell, "." an empty one and a
// hex digit a partial mask (1 bottom, 2 left, 4 top, 8 right; 3, 6, c, 9 are
// the half cells). Each rotation is the one before turned a quarter clockwise.
// clang-format off
constexpr std::string_view FigureTable[FigureCount][4] = {
    {"3..../...../...../...../.....", "6..../...../...../...../.....", "c..../...../...../...../.....", "9..../...../...../...../....."}, // 1
    {"1..../...../...../...../.....", "2..../...../...../...../.....", "4..../...../...../...../.....", "8..../...../...../...../....."}, // 2
    {"...../...../..#../...../.....", "...../...../..#../...../.....", "...../...../..#../...../.....", "...../...../..#../...../....."}, // 3
    {"...../...../..#../..#../.....", "...../...../.##../...../.....", "...../...../..#../..#../.....", "...../...../.##../...../....."}, // 4
    {"...../..#../..#../..#../.....", "...../...../.###./...../.....", "...../..#../..#../..#../.....", "...../...../.###./...../....."}, // 5
    {"...../...../.#.../.##../.....", "...../...../.##../.#.../.....", "...../...../.##../..#../.....", "...../...../..#../.##../....."}, // 6
    {"...../...../.##../.##../.....", "...../...../.##../.##../.....", "...../...../.##../.##../.....", "...../...../.##../.##../....."}, // 7
    {"...../..#../..#../..#../..#..", "...../...../####./...../.....", "...../..#../..#../..#../..#..", "...../...../####./...../....."}, // 8
    {"...../..#../..#../.##../.....", "...../.#.../.###./...../.....", "...../..##./..#../..#../.....", "...../...../.###./...#./....."}, // 9
    {"...../..#../..#../..##./.....", "...../...../.###./.#.../.....", "...../.##../..#../..#../.....", "...../...#./.###./...../....."}, // 10
    {"...../..#../..##./..#../.....", "...../...../.###./..#../.....", "...../..#../.##../..#../.....", "...../..#../.###./...../....."}, // 11
    {"...../..#../.##../.#.../.....", "...../.##../..##./...../.....", "...../..#../.##../.#.../.....", "...../.##../..##./...../....."}, // 12
    {"...../.#.../.##../..#../.....", "...../..##./.##../...../.....", "...../.#.../.##../..#../.....", "...../..##./.##../...../....."}, // 13
    {"..#../..#../..#../..#../..#..", "...../...../#####/...../.....", "..#../..#../..#../..#../..#..", "...../...../#####/...../....."}, // 14
    {"..#../..#../..#../..##./.....", "...../...../.####/.#.../.....", "...../.##../..#../..#../..#..", "...../...#./####./...../....."}, // 15
    {"..#../..#../..#../.##../.....", "...../.#.../.####/...../.....", "...../..##./..#../..#../..#..", "...../...../####./...#./....."}, // 16
    {"..#../..#../..##./..#../.....", "...../...../.####/..#../.....", "...../..#../.##../..#../..#..", "...../..#../####./...../....."}, // 17
    {"..#../..#../.##../..#../.....", "...../..#../.####/...../.....", "...../..#../..##./..#../..#..", "...../...../####./..#../....."}, // 18
    {"...../.###./.#.../.#.../.....", "...../.###./...#./...#./.....", "...../...#./...#./.###./.....", "...../.#.../.#.../.###./....."}, // 19
    {"...../...../.###./..##./.....", "...../...#./..##./..##./.....", "...../...../..##./..###/.....", "...../...../..##./..##./..#.."}, // 20
    {"...../...../.###./.##../.....", "...../...../.##../.##../..#..", "...../...../.##../###../.....", "...../.#.../.##../.##../....."}, // 21
    {"...../...../.###./.#.#./.....", "...../.##../..#../.##../.....", "...../.#.#./.###./...../.....", "...../..##./..#../..##./....."}, // 22
    {"...../..##./..#../.##../.....", "...../.#.../.###./...#./.....", "...../..##./..#../.##../.....", "...../.#.../.###./...#./....."}, // 23
    {"...../.##../..#../..##./.....", "...../...#./.###./.#.../.....", "...../.##../..#../..##./.....", "...../...#./.###./.#.../....."}, // 24
    {"...../.###./..#../..#../.....", "...../...#./.###./...#./.....", "...../..#../..#../.###./.....", "...../.#.../.###./.#.../....."}, // 25
    {"...../..#../.###./..#../.....", "...../..#../.###./..#../.....", "...../..#../.###./..#../.....", "...../..#../.###./..#../....."}, // 26
    {"...../.##../..##./..#../.....", "...../...#./.###./..#../.....", "...../..#../.##../..##./.....", "...../..#../.###./.#.../....."}, // 27
    {"...../..#../..##./.##../.....", "...../.#.../.###./..#../.....", "...../..##./.##../..#../.....", "...../..#../.###./...#./....."}, // 28
    {"...../.##../..###/...../.....", "...../...#./..##./..#../..#..", "...../...../###../..##./.....", "..#../..#../.##../.#.../....."}, // 29
    {"...../...../..###/.##../.....", "...../.#.../.##../..#../..#..", "...../..##./###../...../.....", "..#../..#../..##./...#./....."}, // 30
    {"...../.##../..##./...#./.....", "...../...#./..##./.##../.....", "...../.#.../.##../..##./.....", "...../..##./.##../.#.../....."}, // 31
    {"...../...../.9#3./...../.....", "...../..3../..#../..6../.....", "...../...../.c#6./...../.....", "...../..9../..#../..c../....."}, // 32
    {"...../...../.9#3./...../.....", "...../..3../..#../..6../.....", "...../...../.c#6./...../.....", "...../..9../..#../..c../....."}, // 33
    {"...../...../.9#6./...../.....", "...../..3../..#../..c../.....", "...../...../.9#6./...../.....", "...../..3../..#../..c../....."}, // 34
    {"...../...../.9#6./...../.....", "...../..3../..#../..c../.....", "...../...../.9#6./...../.....", "...../..3../..#../..c../....."}, // 35
    {"...../...../.9##./...../.....", "...../..3../..#../..#../.....", "...../...../.##6./...../.....", "...../..#../..#../..c../....."}, // 36
    {"...../...../.9##./...../.....", "...../..3../..#../..#../.....", "...../...../.##6./...../.....", "...../..#../..#../..c../....."}, // 37
    {"...../...../.c#3./...../.....", "...../..9../..#../..6../.....", "...../...../.c#3./...../.....", "...../..9../..#../..6../....."}, // 38
    {"...../...../.c#3./...../.....", "...../..9../..#../..6../.....", "...../...../.c#3./...../.....", "...../..9../..#../..6../....."}, // 39
    {"...../...../.##3./...../.....", "...../..#../..#../..6../.....", "...../...../.c##./...../.....", "...../..9../..#../..#../....."}, // 40
    {"...../...../.##3./...../.....", "...../..#../..#../..6../.....", "...../...../.c##./...../.....", "...../..9../..#../..#../....."}, // 41
    {"...../..9../.96../...../.....", "...../.3.../.c3../...../.....", "...../.96../.6.../...../.....", "...../.c3../..c../...../....."}, // 42
    {"...../..3../.9#../...../.....", "...../..3../..#6./...../.....", "...../...../..#6./..c../.....", "...../...../.9#../..c../....."}, // 43
    {"...../..9../.9#../...../.....", "...../..3../..#3./...../.....", "...../...../..#6./..6../.....", "...../...../.c#../..c../....."}, // 44
    {"...../..9../.c#../...../.....", "...../..9../..#3./...../.....", "...../...../..#3./..6../.....", "...../...../.c#../..6../....."}, // 45
    {"...../..#../.9#../...../.....", "...../.3.../.##../...../.....", "...../.#6../.#.../...../.....", "...../.##../..c../...../....."}, // 46
    {"...../.9#../..#../...../.....", "...../..3../.##../...../.....", "...../.#.../.#6../...../.....", "...../.##../.c.../...../....."}, // 47
    {"...../..9../.##../...../.....", "...../.#.../.#3../...../.....", "...../.##../.6.../...../.....", "...../.c#../..#../...../....."}, // 48
    {"...../.9.../.##../...../.....", "...../.#3../.#.../...../.....", "...../.##../..6../...../.....", "...../..#../.c#../...../....."}, // 49
    {"...../.93../.6.../...../.....", "...../.c3../..6../...../.....", "...../..9../.c6../...../.....", "...../.9.../.c3../...../....."}, // 50
    {"...../.93../..c../...../.....", "...../..3../.96../...../.....", "...../.3.../.c6../...../.....", "...../.96../.c.../...../....."}, // 51
    {"...../.96../.#.../...../.....", "...../.#3../..c../...../.....", "...../..#../.96../...../.....", "...../.3.../.c#../...../....."}, // 52
    {"...../.c3../..#../...../.....", "...../..9../.#6../...../.....", "...../.#.../.c3../...../.....", "...../.9#../.6.../...../....."}, // 53
    {"...../.9#../.#.../...../.....", "...../.#3../..#../...../.....", "...../..#../.#6../...../.....", "...../.#.../.c#../...../....."}, // 54
    {"...../.93../.#.../...../.....", "...../.#3../..6../...../.....", "...../..#../.c6../...../.....", "...../.9.../.c#../...../....."}, // 55
    {"...../.93../..#../...../.....", "...../..3../.#6../...../.....", "...../.#.../.c6../...../.....", "...../.9#../.c.../...../....."}, // 56
};
// clang-format on

constexpr uint8_t MaskOf(char c)
{
    if (c == '#')
        return MaskWhole;
    if (c >= '1' && c <= '9')
        return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<uint8_t>(c - 'a' + 10);
    return 0;
}

constexpr TShape ParseShape(std::string_view text)
{
    TShape shape;
    shape.MinX = shape.MinY = 6;
    for (int y = 1; y <= 5; ++y) {
        for (int x = 1; x <= 5; ++x) {
            const uint8_t mask = MaskOf(text[static_cast<size_t>((y - 1) * 6 + (x - 1))]);
            shape.Box[static_cast<size_t>(y - 1)][static_cast<size_t>(x - 1)] = mask;
            if (mask == 0)
                continue;
            shape.Cells[static_cast<size_t>(shape.Count++)] =
                TShapeCell{static_cast<int8_t>(x), static_cast<int8_t>(y), mask};
            shape.MinX = x < shape.MinX ? x : shape.MinX;
            shape.MaxX = x > shape.MaxX ? x : shape.MaxX;
            shape.MinY = y < shape.MinY ? y : shape.MinY;
            shape.MaxY = y > shape.MaxY ? y : shape.MaxY;
        }
    }
    return shape;
}

constexpr std::array<std::array<TShape, 4>, FigureCount> ParseTable()
{
    std::array<std::array<TShape, 4>, FigureCount> shapes{};
    for (size_t n = 0; n < FigureCount; ++n)
        for (size_t r = 0; r < 4; ++r)
            shapes[n][r] = ParseShape(FigureTable[n][r]);
    return shapes;
}

constexpr auto FigureShapes = ParseTable();

// The bits of a mask, in the order of the colour bytes.
constexpr std::array<uint8_t, 4> TriangleBits = {MaskBottom, MaskLeft, MaskTop, MaskRight};

} // namespace

const TShape& FigureShape(int number, int rotation)
{
    return FigureShapes[static_cast<size_t>(number - 1)][static_cast<size_t>(rotation - 1)];
}

TFigures::TFigures(TGlass& glass, TRandom& random, const TIni& ini, IGameView& view, ISound& sound)
    : Glass(glass), Rng(random), Ini(ini), View(view), Sound(sound)
{
}

void TFigures::ChooseFigure()
{
    const int skinWidth = Glass.SkinWidth();
    const int32_t style = StyleOf(Ini.GameStyle());
    const TStyleFigures figures = StyleFigures[static_cast<size_t>(style - 1)];

    Next.Color = Rng.Random((skinWidth - 1) / 20);
    Next.Number = figures.First + Rng.Random(figures.Count);
    Next.FallsThrough = false;
    if (style == 5 && Rng.Random(100) < 25) {
        Next.Number = 1;
        Next.Color = skinWidth / 20 - 1; // the last tile, reserved for this triangle
        Next.FallsThrough = true;
    }
    Next.Rotation = Rng.Random(4) + 1;

    // Centred, with its lowest cells in hidden row 0.
    const TShape& shape = FigureShape(Next.Number, Next.Rotation);
    Next.X = (Glass.Width() - shape.MinX - shape.MaxX + 3) / 2;
    Next.Y = 1 - shape.MaxY;
}

void TFigures::PaintFigure(bool show)
{
    if (Ini.ShowShadow()) {
        PaintWithShadow(show);
        return;
    }
    ShadowShown = false;
    const TShape& shape = FigureShape(Current.Number, Current.Rotation);
    for (int i = 0; i < shape.Count; ++i) {
        const TShapeCell& c = shape.Cells[static_cast<size_t>(i)];
        const int x = Current.X + c.X - 1;
        const int y = Current.Y + c.Y - 1;
        if (y < 1)
            continue; // hidden rows are never drawn
        if (!show) {
            View.DrawCell(x, y, Glass.Cell(x, y));
            continue;
        }
        TGlassCell cell = Glass.Cell(x, y);
        cell.Mask |= c.Mask;
        for (size_t j = 0; j < 4; ++j)
            if (c.Mask & TriangleBits[j])
                cell.Colors[j] = static_cast<uint8_t>(Current.Color);
        View.DrawCell(x, y, cell);
    }
}

bool TFigures::CanMoveDown() const
{
    return CanFall(Current);
}

bool TFigures::CanFall(const TFigure& figure) const
{
    const TShape& shape = FigureShape(figure.Number, figure.Rotation);
    if (figure.FallsThrough)
        return Glass.FirstFreeRow(figure.X, figure.Y + 1, shape.Box[0][0]) != 0;

    // Each triangle sweeps its own area on the way one cell down.
    for (int i = 0; i < shape.Count; ++i) {
        const TShapeCell& c = shape.Cells[static_cast<size_t>(i)];
        const int x = figure.X + c.X - 1;
        const int y = figure.Y + c.Y - 1;
        const uint8_t own = Glass.Cell(x, y).Mask;
        const uint8_t below = Glass.Cell(x, y + 1).Mask;
        if ((c.Mask & MaskBottom) && below != 0)
            return false;
        if ((c.Mask & MaskLeft) && ((own & MaskBottom) || (below & (MaskLeft | MaskTop))))
            return false;
        if ((c.Mask & MaskTop) && (own != 0 || (below & MaskTop)))
            return false;
        if ((c.Mask & MaskRight) && ((own & MaskBottom) || (below & (MaskTop | MaskRight))))
            return false;
    }
    return true;
}

int TFigures::RowAfterFall(const TFigure& figure) const
{
    if (!figure.FallsThrough)
        return figure.Y + 1;
    // Passes through the cells it does not fit and stops in the next gap.
    const uint8_t mask = FigureShape(figure.Number, figure.Rotation).Box[0][0];
    return Glass.FirstFreeRow(figure.X, figure.Y + 1, mask);
}

void TFigures::MoveDown()
{
    PaintFigure(false);
    Current.Y = RowAfterFall(Current);
    PaintFigure(true);
    View.Present();
}

TFigure TFigures::LandingPlace() const
{
    TFigure figure = Current;
    // Every step goes at least one row down and the floor stops every
    // triangle; the bound only guards against a glass without a floor.
    for (int steps = 0; steps <= Glass.Height() + TGlass::HiddenRows && CanFall(figure); ++steps)
        figure.Y = RowAfterFall(figure);
    return figure;
}

namespace {

// The mask a figure has on glass cell (x, y); 0 outside its box.
uint8_t MaskAt(const TFigure& figure, int x, int y)
{
    const int bx = x - figure.X, by = y - figure.Y;
    if (bx < 0 || bx > 4 || by < 0 || by > 4)
        return 0;
    return FigureShape(figure.Number, figure.Rotation).Box[static_cast<size_t>(by)][static_cast<size_t>(bx)];
}

// The cells of a drawing, each once; no more than three figures' worth.
struct TCellList {
    std::array<std::pair<int, int>, 75> Cells{};
    size_t Count = 0;

    void Add(const TFigure& figure)
    {
        const TShape& shape = FigureShape(figure.Number, figure.Rotation);
        for (int i = 0; i < shape.Count; ++i) {
            const TShapeCell& c = shape.Cells[static_cast<size_t>(i)];
            const std::pair<int, int> cell{figure.X + c.X - 1, figure.Y + c.Y - 1};
            if (cell.second < 1)
                continue; // hidden rows are never drawn
            bool known = false;
            for (size_t k = 0; k < Count && !known; ++k)
                known = Cells[k] == cell;
            if (!known && Count < Cells.size())
                Cells[Count++] = cell;
        }
    }
};

} // namespace

void TFigures::PaintWithShadow(bool show)
{
    TCellList cells;
    if (show) {
        // The shadow is redrawn only when it moved: a fall keeps its place.
        const TFigure landing = LandingPlace();
        if (!ShadowShown || !(landing == Shadow)) {
            if (ShadowShown)
                cells.Add(Shadow);
            Shadow = landing;
            ShadowShown = true;
            cells.Add(Shadow);
        }
    }
    cells.Add(Current);
    for (size_t k = 0; k < cells.Count; ++k)
        DrawComposedCell(cells.Cells[k].first, cells.Cells[k].second, show);
}

void TFigures::DrawComposedCell(int x, int y, bool withFigure)
{
    TGlassCell cell = Glass.Cell(x, y);
    if (withFigure) {
        const uint8_t mask = MaskAt(Current, x, y);
        cell.Mask |= mask;
        for (size_t j = 0; j < 4; ++j)
            if (mask & TriangleBits[j])
                cell.Colors[j] = static_cast<uint8_t>(Current.Color);
    }
    // The shadow lies under the figure and never over what the glass holds.
    const uint8_t shadow = ShadowShown ? static_cast<uint8_t>(MaskAt(Shadow, x, y) & ~cell.Mask & MaskWhole) : 0;
    if (shadow != 0)
        View.DrawShadowCell(x, y, cell, shadow, static_cast<uint8_t>(Shadow.Color));
    else
        View.DrawCell(x, y, cell);
}

bool TFigures::CanMoveSideways(int dx) const
{
    const TShape& shape = FigureShape(Current.Number, Current.Rotation);
    for (int i = 0; i < shape.Count; ++i) {
        const TShapeCell& c = shape.Cells[static_cast<size_t>(i)];
        if (Glass.Cell(Current.X + c.X - 1 + dx, Current.Y + c.Y - 1).Mask & c.Mask)
            return false;
    }
    return true;
}

bool TFigures::CanMoveLeft() const
{
    return CanMoveSideways(-1);
}
bool TFigures::CanMoveRight() const
{
    return CanMoveSideways(1);
}

void TFigures::MoveSideways(int dx)
{
    PaintFigure(false);
    Current.X += dx;
    PaintFigure(true);
    View.Present();
}

void TFigures::MoveLeft()
{
    MoveSideways(-1);
}
void TFigures::MoveRight()
{
    MoveSideways(1);
}

int TFigures::NextRotation(bool clockwise) const
{
    // The glass is drawn mirrored in upside-down mode, so the index runs the
    // other way for the turn to look the same on the screen.
    if (clockwise != Ini.UpSideDownMode())
        return Current.Rotation == 4 ? 1 : Current.Rotation + 1;
    return Current.Rotation == 1 ? 4 : Current.Rotation - 1;
}

bool TFigures::CanRotate(bool clockwise) const
{
    const TShape& shape = FigureShape(Current.Number, NextRotation(clockwise));
    for (int i = 0; i < shape.Count; ++i) {
        const TShapeCell& c = shape.Cells[static_cast<size_t>(i)];
        const int x = Current.X + c.X - 1;
        const int y = Current.Y + c.Y - 1;
        // No bound above: a figure may turn while partly hidden.
        if (y > Glass.Height() || x < 1 || x > Glass.Width())
            return false;
        if (Glass.Cell(x, y).Mask & c.Mask)
            return false;
    }
    return true;
}

void TFigures::Rotate(bool clockwise)
{
    Sound.PlaySoundEffect(TSoundEffect::Rotate);
    PaintFigure(false);
    Current.Rotation = NextRotation(clockwise);
    PaintFigure(true);
    View.Present();
}

void TFigures::FixFigure()
{
    ShadowShown = false; // the shadow's place is the figure's own now
    const TShape& shape = FigureShape(Current.Number, Current.Rotation);
    for (int i = 0; i < shape.Count; ++i) {
        const TShapeCell& c = shape.Cells[static_cast<size_t>(i)];
        const int x = Current.X + c.X - 1;
        const int y = Current.Y + c.Y - 1;
        if (y <= 0) {
            Glass.Overflow = true; // the game is over; the other cells still land
            continue;
        }
        TGlassCell& cell = Glass.Cell(x, y);
        cell.Mask |= c.Mask;
        for (size_t j = 0; j < 4; ++j)
            if (c.Mask & TriangleBits[j])
                cell.Colors[j] = static_cast<uint8_t>(Current.Color);
    }
}

} // namespace stakor
