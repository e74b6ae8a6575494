#include "glass/glass.h"

#include <algorithm>

#include "base/random.h"

namespace stakor {

TGlass::TGlass(TRandom& random) : Rng(random)
{
    Background.Resize(20 * 18, 20 * 25);
    SetSize(2);
    Clear();
}

void TGlass::SetSkin(TBitmap skin)
{
    Skin_ = std::move(skin);
    TileOpaque_.clear();
    if (Skin_.Height < 20)
        return; // no tile is whole
    for (int tile = 0; 20 * tile + 19 < Skin_.Width; ++tile) {
        bool opaque = true;
        for (int j = 0; j < 20 && opaque; ++j)
            for (int i = 0; i < 20 && opaque; ++i)
                opaque = Skin_.Pixel(20 * tile + i, j) != TPixel{};
        TileOpaque_.push_back(opaque);
    }
}

void TGlass::SetSize(int mode)
{
    if (ModeOf(mode) == 2) {
        Width_ = 12;
        Height_ = 18;
    } else {
        Width_ = 18;
        Height_ = 25;
    }
    Bitmap.Resize(20 * Width_, 20 * Height_);
}

void TGlass::Clear()
{
    const TGlassCell wall{MaskWhole, {0, 0, 0, 0}};
    for (int x = 0; x <= Width_ + 1; ++x)
        for (int y = 1 - HiddenRows; y <= Height_ + 1; ++y)
            Cell(x, y) = wall;
    for (int x = 1; x <= Width_; ++x)
        for (int y = 1 - HiddenRows; y <= Height_; ++y)
            Cell(x, y).Mask = 0;
    Overflow = false;
}

void TGlass::AddTrash(int32_t rows, int32_t gameStyle)
{
    if (rows <= 0)
        return;
    // A count from a hand-edited setting may exceed the rows there are; the
    // hidden rows may take trash, nothing above them exists.
    const int count = std::min<int32_t>(rows, Height_ + HiddenRows);
    const int colors = OrdinaryColors();
    for (int y = Height_ - count + 1; y <= Height_; ++y) {
        for (int x = 1; x <= Width_; ++x) {
            if (Rng.Random(13) >= 10)
                continue;
            const auto tile = static_cast<uint8_t>(Rng.Random(colors));
            uint8_t mask = MaskWhole;
            if (gameStyle == 5 && Rng.Random(5) < 2)
                mask = static_cast<uint8_t>((0x4C >> Rng.Random(4)) & MaskWhole);
            Cell(x, y) = TGlassCell{mask, {tile, tile, tile, tile}};
        }
        Cell(1 + Rng.Random(Width_), y).Mask = 0;
    }
}

int TGlass::FirstFreeRow(int x, int startRow, uint8_t mask) const
{
    for (int row = std::max(startRow, 1 - HiddenRows); row <= Height_; ++row)
        if ((Cell(x, row).Mask & mask) == 0)
            return row;
    return 0;
}

bool TGlass::IsRowFull(int y) const
{
    for (int x = 1; x <= Width_; ++x)
        if ((Cell(x, y).Mask & MaskWhole) != MaskWhole)
            return false;
    return true;
}

int TGlass::RemoveFullLines(ILineRemovalHooks& hooks)
{
    int total = 0;
    int run = 0;
    int runBottom = 1;
    int y = Height_;
    while (y >= 1) {
        if (IsRowFull(y)) {
            if (run == 0)
                runBottom = y;
            ++run;
            --y;
        } else if (run > 0) {
            RemoveLines(runBottom, run, hooks);
            total += run;
            run = 0;
            // The row that ended the run now lies at runBottom and is not full.
            y = runBottom - 1;
        } else {
            --y;
        }
    }
    if (run > 0) {
        RemoveLines(runBottom, run, hooks);
        total += run;
    }
    return total;
}

void TGlass::RemoveLines(int bottom, int count, ILineRemovalHooks& hooks)
{
    bool leftToRight = Rng.Random(2) == 1;
    // Topmost first: each shift moves only the rows above, so the rest of the
    // run stays in place until its turn.
    for (int row = bottom - count + 1; row <= bottom; ++row) {
        hooks.LineSound();
        for (int i = 1; i <= Width_; ++i)
            hooks.SweepCell(leftToRight ? i : Width_ + 1 - i, row);
        for (int x = 1; x <= Width_; ++x) {
            for (int y = row; y >= 2; --y)
                Cell(x, y) = Cell(x, y - 1);
            Cell(x, 1) = TGlassCell{};
        }
        leftToRight = !leftToRight;
        hooks.RowRemoved();
    }
}

} // namespace stakor
