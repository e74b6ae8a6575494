#pragma once

#include <cstdint>

namespace stakor {

class TFigures;
class TGameControl;
class TGlass;

// Where a bot wants the current figure: its rotation and box column.
struct TPlacement {
    int32_t Rotation = 1;
    int32_t X = 0;
};

// A greedy player for benchmarks and long test games: it tries every
// rotation and column of the current figure, lets it fall where it would, and
// prefers placements that fill rows, leave few holes and stay low.
class TBot {
public:
    TBot(const TGlass& glass, TFigures& figures) : Glass(glass), Figures(figures) {}

    TPlacement Choose() const;
    // Turns and moves the current figure towards the placement through the
    // player's keys; false when a key was refused on the way.
    bool Steer(TGameControl& control, const TPlacement& placement) const;

private:
    int Evaluate(const TPlacement& placement) const;

    const TGlass& Glass;
    TFigures& Figures;
};

} // namespace stakor
