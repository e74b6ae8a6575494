#include "bot.h"

#include <algorithm>
#include <climits>

#include "engine/control.h"
#include "engine/figures.h"
#include "glass/glass.h"

namespace stakor {

int TBot::Evaluate(const TPlacement& placement) const
{
    const TFigure saved = Figures.Current;
    Figures.Current.Rotation = placement.Rotation;
    Figures.Current.X = placement.X;
    const TShape& shape = FigureShape(Figures.Current.Number, Figures.Current.Rotation);
    // Only the tests of the figure are used: nothing is drawn or written.
    bool fits = true;
    for (int i = 0; i < shape.Count && fits; ++i) {
        const TShapeCell& c = shape.Cells[static_cast<size_t>(i)];
        const int x = placement.X + c.X - 1;
        fits = x >= 1 && x <= Glass.Width() && (Glass.Cell(x, Figures.Current.Y + c.Y - 1).Mask & c.Mask) == 0;
    }
    if (!fits) {
        Figures.Current = saved;
        return INT_MIN;
    }
    while (Figures.CanMoveDown()) {
        if (Figures.Current.FallsThrough)
            Figures.Current.Y = Glass.FirstFreeRow(Figures.Current.X, Figures.Current.Y + 1, shape.Box[0][0]);
        else
            ++Figures.Current.Y;
    }

    int score = 0;
    for (int i = 0; i < shape.Count; ++i) {
        const TShapeCell& c = shape.Cells[static_cast<size_t>(i)];
        const int x = Figures.Current.X + c.X - 1;
        const int y = Figures.Current.Y + c.Y - 1;
        if (y <= 0)
            score -= 1000; // the game would end
        score -= 2 * (Glass.Height() - y);
        // Rows this landing would fill.
        if (y >= 1 && (Glass.Cell(x, y).Mask | c.Mask) == MaskWhole) {
            int filled = 0;
            for (int col = 1; col <= Glass.Width(); ++col) {
                uint8_t mask = Glass.Cell(col, y).Mask;
                for (int j = 0; j < shape.Count; ++j) {
                    const TShapeCell& d = shape.Cells[static_cast<size_t>(j)];
                    if (Figures.Current.X + d.X - 1 == col && Figures.Current.Y + d.Y - 1 == y)
                        mask |= d.Mask;
                }
                filled += mask == MaskWhole;
            }
            if (filled == Glass.Width())
                score += 40;
        }
        // Empty cells left right under the figure.
        if (y + 1 <= Glass.Height() && Glass.Cell(x, y + 1).Mask != MaskWhole) {
            bool figureBelow = false;
            for (int j = 0; j < shape.Count; ++j) {
                const TShapeCell& d = shape.Cells[static_cast<size_t>(j)];
                figureBelow = figureBelow || (Figures.Current.X + d.X - 1 == x && Figures.Current.Y + d.Y - 1 == y + 1);
            }
            if (!figureBelow)
                score -= 12;
        }
    }
    Figures.Current = saved;
    return score;
}

TPlacement TBot::Choose() const
{
    TPlacement best{Figures.Current.Rotation, Figures.Current.X};
    int bestScore = INT_MIN;
    for (int32_t rotation = 1; rotation <= 4; ++rotation)
        for (int32_t x = -3; x <= Glass.Width(); ++x) {
            const TPlacement candidate{rotation, x};
            const int score = Evaluate(candidate);
            if (score > bestScore) {
                bestScore = score;
                best = candidate;
            }
        }
    return best;
}

bool TBot::Steer(TGameControl& control, const TPlacement& placement) const
{
    for (int turns = 0; turns < 4 && Figures.Current.Rotation != placement.Rotation; ++turns) {
        const int32_t before = Figures.Current.Rotation;
        control.UpKey(true, false); // Shift+Up turns clockwise by default
        if (Figures.Current.Rotation == before)
            return false;
    }
    while (Figures.Current.X != placement.X) {
        const int32_t before = Figures.Current.X;
        if (Figures.Current.X > placement.X)
            control.LeftKey();
        else
            control.RightKey();
        if (Figures.Current.X == before)
            return false;
    }
    return true;
}

} // namespace stakor
