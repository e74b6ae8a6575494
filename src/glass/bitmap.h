#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace stakor {

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

    int Width = 0;
    int Height = 0;
    std::size_t Stride = 0; // bytes a row
    std::vector<uint8_t> Pixels;
};

} // namespace stakor
