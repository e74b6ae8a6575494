#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "glass/bitmap.h"

namespace stakor {

class TRandom;

// Triangle bits of a cell: a cell is cut by its diagonals into four triangles.
enum : uint8_t {
    MaskBottom = 1,
    MaskLeft = 2,
    MaskTop = 4,
    MaskRight = 8,
    MaskWhole = 15,
};

// One cell of the glass: which triangles are filled, and the skin tile of each
// (Colors[0] bottom, [1] left, [2] top, [3] right).
struct TGlassCell {
    uint8_t Mask = 0;
    std::array<uint8_t, 4> Colors{};

    friend bool operator==(const TGlassCell&, const TGlassCell&) = default;
};

// What the removal of full rows shows and plays while it works.
class ILineRemovalHooks {
public:
    virtual ~ILineRemovalHooks() = default;
    virtual void LineSound() = 0; // before each row is swept
    virtual void SweepCell(int x, int y) = 0; // show cell (x, y) empty for a moment
    virtual void RowRemoved() = 0; // the rows above have moved down
};

// The playing field: a grid of triangle-masked cells with walls, a floor and
// five hidden rows above the top, and the pictures it is drawn with.
class TGlass {
public:
    static constexpr int Columns = 20; // walls included, sized for the big glass
    static constexpr int Rows = 31; // hidden rows and floor included
    static constexpr int HiddenRows = 5;

    explicit TGlass(TRandom& random);

    // The glass mode that a stored GlassMode stands for: 2 (normal, 12 x 18)
    // or 3 (big, 18 x 25). A hand-edited value takes the nearest of the two.
    static int ModeOf(int32_t glassMode) { return glassMode <= 2 ? 2 : 3; }

    // Takes the size of the mode (2 or 3, see ModeOf).
    void SetSize(int mode);
    int Width() const { return Width_; }
    int Height() const { return Height_; }

    // x = 0..Width+1 (walls included), y = -4..Height+1 (hidden rows and floor).
    TGlassCell& Cell(int x, int y) { return Cells[x][y + HiddenRows - 1]; }
    const TGlassCell& Cell(int x, int y) const { return Cells[x][y + HiddenRows - 1]; }

    // Walls and floor whole, everything inside empty, no overflow.
    void Clear();
    // Fills the bottom `rows` rows at random, each cell with chance 10 in 13
    // (in game style 5 partly with half cells), then punches one hole a row.
    void AddTrash(int32_t rows, int32_t gameStyle);
    // The first row from startRow down to Height whose cell (x, row) shares no
    // triangle with mask; 0 when there is none.
    int FirstFreeRow(int x, int startRow, uint8_t mask) const;
    bool IsRowFull(int y) const;
    // Removes every run of full rows, bottom run first; gives the count.
    int RemoveFullLines(ILineRemovalHooks& hooks);

    // Ordinary colours are the skin tiles but the last, which belongs to the
    // falling triangle of the fifth style.
    int SkinWidth() const { return Skin_.Width; }
    int OrdinaryColors() const { return (SkinWidth() - 1) / 20; }

    // The cell skin: tiles of 20 x 20 side by side; only its top 20 rows count.
    const TBitmap& Skin() const { return Skin_; }
    void SetSkin(TBitmap skin);
    // Whether tile t lies whole in the skin, so it can be drawn from; and
    // whether it also has no transparent (black) pixel, so a whole cell of it
    // can be copied row by row.
    // The tile a colour index is drawn from: the index wrapped round the
    // skin's whole tiles, so that cells coloured for a skin with more tiles
    // (changed in mid-game) still show a tile; -1 when the skin has none.
    int TileOfColor(int color) const
    {
        const int tiles = static_cast<int>(TileOpaque_.size());
        return tiles == 0 || color < 0 ? -1 : color % tiles;
    }
    bool TileDrawable(int tile) const { return tile >= 0 && static_cast<size_t>(tile) < TileOpaque_.size(); }
    bool TileOpaque(int tile) const { return TileDrawable(tile) && TileOpaque_[static_cast<size_t>(tile)]; }

    bool Overflow = false;

    TBitmap Bitmap; // the drawn glass, 20 pixels a cell
    TBitmap Background; // colour, picture and grid; sized for the big glass

private:
    void RemoveLines(int bottom, int count, ILineRemovalHooks& hooks);

    TRandom& Rng;
    TBitmap Skin_;
    std::vector<bool> TileOpaque_;
    int Width_ = 12;
    int Height_ = 18;
    std::array<std::array<TGlassCell, Rows>, Columns> Cells{};
};

} // namespace stakor
