// Skins the loader takes but that hold no whole tile, given a width of their own.
#include "simulator.h"

#include "glass/glass_painter.h"

#include <gtest/gtest.h>

namespace stakor {
namespace {

using sim::SkinOfWidth;

TEST(SimSkin, ShortOrNarrowSkinsGiveMissingTilesOfTheAskedWidth)
{
    for (const auto& [width, height] : {std::pair{60, 10}, {60, 19}, {400, 1}, {19, 40}, {1, 1}}) {
        TBitmap base(width, height);
        base.FillRect(0, 0, width - 1, height - 1, {9, 9, 9});
        const TBitmap skin = SkinOfWidth(base, 140);
        ASSERT_EQ(skin.Width, 140);
        ASSERT_EQ(skin.Height, 20);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 140; ++x)
                ASSERT_EQ(skin.Pixel(x, y), MissingTilePixel) << width << "x" << height << " at " << x << "," << y;
    }
    // One whole tile is enough to repeat.
    TBitmap one(20, 20);
    one.FillRect(0, 0, 19, 19, {7, 7, 7});
    EXPECT_EQ(SkinOfWidth(one, 60).Pixel(45, 19), (TPixel{7, 7, 7}));
}

} // namespace
} // namespace stakor
