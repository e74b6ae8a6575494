#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace stakor {

// One pixel's bytes, in the order they lie in a row.
struct TPixel {
    uint8_t B = 0;
    uint8_t G = 0;
    uint8_t R = 0;

    friend bool operator==(const TPixel&, const TPixel&) = default;
};

// A colour value 0x00BBGGRR (red in the low byte) as pixel bytes.
constexpr TPixel ColorToPixel(int32_t color)
{
    const auto c = static_cast<uint32_t>(color);
    return {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)};
}

// A 24-bit picture: rows top to bottom, three bytes a pixel in the order blue,
// green, red. Rows are padded to whole 32-bit words, as the window system's
// device-independent bitmaps are, so a row can be shown without conversion.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height) { Resize(width, height); }

    // New size, every pixel black.
    void Resize(int width, int height)
    {
        Width = width > 0 ? width : 0;
        Height = height > 0 ? height : 0;
        Stride = (static_cast<std::size_t>(Width) * 3 + 3) & ~std::size_t{3};
        Pixels.assign(Stride * static_cast<std::size_t>(Height), 0);
    }

    void FillBlack() { Pixels.assign(Pixels.size(), 0); }

    uint8_t* Row(int y) { return Pixels.data() + Stride * static_cast<std::size_t>(y); }
    const uint8_t* Row(int y) const { return Pixels.data() + Stride * static_cast<std::size_t>(y); }

    bool Empty() const { return Width == 0 || Height == 0; }

    TPixel Pixel(int x, int y) const
    {
        const uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x);
        return {p[0], p[1], p[2]};
    }

    void SetPixel(int x, int y, TPixel pixel)
    {
        uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x);
        p[0] = pixel.B;
        p[1] = pixel.G;
        p[2] = pixel.R;
    }

    // Fills the rectangle from (left, top) to (right, bottom), both corners
    // included, cut to the picture.
    void FillRect(int left, int top, int right, int bottom, TPixel pixel)
    {
        left = left < 0 ? 0 : left;
        top = top < 0 ? 0 : top;
        right = right >= Width ? Width - 1 : right;
        bottom = bottom >= Height ? Height - 1 : bottom;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x)
                SetPixel(x, y, pixel);
    }

    int Width = 0;
    int Height = 0;
    std::size_t Stride = 0; // bytes a row
    std::vector<uint8_t> Pixels;
};

} // namespace stakor
