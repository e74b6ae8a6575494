#pragma once

#include <cstdint>
#include <string>

#include "glass/bitmap.h"
#include "glass/glass.h"

namespace stakor {

// Drawn where a cell has no tile to take (no skin could be loaded), so that
// figures never vanish. A colour beyond the skin's tiles wraps round them.
inline constexpr TPixel MissingTilePixel{128, 128, 128};

// Draws one visible cell (x 1..Width, y 1..Height) into the glass picture from
// the skin and the prepared background. Upside down, the cell goes to the
// mirrored row with its top and bottom triangles exchanged; the value is a
// copy, the glass itself is never flipped. Rows above the glass are not drawn.
void DrawCell(TGlass& glass, int x, int y, TGlassCell cell, bool upsideDown);

// A cell with the landing shadow's triangles (shadowMask, those the cell
// holds itself left out) in skin tile shadowColor, faded most of the way
// back to the background, so the shadow shows but never reads as a figure.
void DrawShadowCell(
    TGlass& glass, int x, int y, TGlassCell cell, uint8_t shadowMask, uint8_t shadowColor, bool upsideDown);

// Every pixel half way towards the background: the paused look.
void DimGlass(TGlass& glass);

// A notice picture in the middle of the glass picture, on a box blended
// towards the notice colour and framed in it; pixels of the picture's
// bottom-left colour are not drawn.
void DrawNotice(TBitmap& bitmap, const TBitmap& picture, TPixel noticeColor);

// The playing time in a box at the top-right corner. The text needs the
// application's fonts; without a running Qt application only the box is drawn.
void DrawTime(TBitmap& bitmap, uint32_t timeMs);

// The time as the box shows it: "h:mm:ss", or "CRAZY" from ten hours on.
std::string TimeText(uint32_t timeMs);
// A number with a "0" in front when it has one digit.
std::string TwoDigits(uint32_t number);

// The background's used area in one colour.
void FillBackground(TGlass& glass, TPixel color);
// Grid lines into the background: the last pixel row and column of each cell,
// none at the outer edges.
void DrawGrid(TGlass& glass, TPixel color);

} // namespace stakor
