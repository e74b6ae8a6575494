#pragma once

// Pictures for drawing tests: every pixel tells where it came from.

#include "glass/bitmap.h"
#include "glass/glass.h"

namespace stakor::test {

// Tile t's pixel (i, j) is (blue 10 t + 1, green 10 i + 5, red 10 j + 5): never
// black, and each pixel of each tile tells its place.
inline TBitmap NumberedSkin(int tiles)
{
    TBitmap skin(20 * tiles, 20);
    for (int t = 0; t < tiles; ++t)
        for (int j = 0; j < 20; ++j)
            for (int i = 0; i < 20; ++i)
                skin.SetPixel(20 * t + i, j,
                    {static_cast<uint8_t>(10 * t + 1), static_cast<uint8_t>(10 * i + 5),
                        static_cast<uint8_t>(10 * j + 5)});
    return skin;
}

inline TPixel SkinPixel(int tile, int i, int j)
{
    return {static_cast<uint8_t>(10 * tile + 1), static_cast<uint8_t>(10 * i + 5), static_cast<uint8_t>(10 * j + 5)};
}

// A background whose pixels differ from every skin pixel (blue 250).
inline TPixel BackgroundPixel(int x, int y)
{
    return {250, static_cast<uint8_t>(x % 256), static_cast<uint8_t>(y % 256)};
}

inline void FillNumberedBackground(TGlass& glass)
{
    for (int y = 0; y < glass.Background.Height; ++y)
        for (int x = 0; x < glass.Background.Width; ++x)
            glass.Background.SetPixel(x, y, BackgroundPixel(x, y));
}

} // namespace stakor::test
