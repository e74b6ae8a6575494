#pragma once

#include <cstdint>

#include "glass/bitmap.h"

namespace stakor {

class TGlass;
struct TFigure;

// Sizes of the panel pictures beside the glass.
inline constexpr int ScoreWidth = 120, ScoreHeight = 23;
inline constexpr int LevelWidth = 70, LevelHeight = 29;
inline constexpr int LifeWidth = 10;
inline constexpr int NextSize = 120;

// The score in digits ending two pixels from the right edge, on black.
// Scores above 199999998 show as 199999999.
TBitmap ScoreBitmap(int32_t score, const TBitmap& digits);

// Frame f (0..4) of the cross-fade from the old score picture to the new one,
// with the green glow that fades as the frames go on; frame 4 stays.
void ScoreFadeFrame(const TBitmap& before, const TBitmap& after, int frame, TBitmap& out);

// The level number centred under a bar of the rows still needed for the next
// level (no bar part at the last level).
void DrawLevelBitmap(TBitmap& image, int32_t level, int32_t levelLines, const TBitmap& digits);

struct TLifeColors {
    TPixel Fill, Gap, Free;
};

// How full the glass is (from the bottom) and how high it reaches (free space
// at the top); the gap between them stands for the holes. Mirrored upside down.
void PaintLifeBar(TBitmap& life, const TGlass& glass, bool upsideDown, const TLifeColors& colors);
void DrawRegionOnLifeBar(TBitmap& life, int firstRow, int lastRow, TPixel color);

// The next figure centred in the preview, its cells from its skin tile;
// upside down it is mirrored top to bottom (the tile's pixels are not).
void DrawNextFigureBitmap(TBitmap& image, const TFigure& next, const TGlass& glass, bool upsideDown);

} // namespace stakor
