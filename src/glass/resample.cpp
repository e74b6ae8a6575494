#include "glass/resample.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace stakor {
namespace {

constexpr int FractionBits = 28;
constexpr uint64_t One = uint64_t{1} << FractionBits;
constexpr uint64_t FractionMask = One - 1;

// Step between destination pixels in source pixels, 28 fraction bits. The
// last destination pixel lands just short of the last source pixel, so the
// right (lower) neighbour exists. Two cases have no such step:
// - a source one pixel across has no neighbour at all: step 0, and the pixel
//   serves as its own neighbour (its weight is 0 anyway);
// - a destination one pixel across would divide by zero: step 0, it takes
//   the first source pixel.
// (S - 1) * One stays below 2^59 for any int size, so 64 bits never overflow.
uint64_t Step(int sourceSize, int destinationSize)
{
    if (sourceSize < 2 || destinationSize < 2)
        return 0;
    return (static_cast<uint64_t>(sourceSize - 1) * One - 1) / static_cast<uint64_t>(destinationSize - 1);
}

// What every pixel of a destination column needs, worked out once.
struct TColumn {
    size_t Left; // byte offset of the left source pixel in its row
    size_t Right; // byte offset of its right neighbour
    uint32_t Fraction; // fx
    uint32_t Rest; // gx = (One - 1) - fx
};

void Stretch(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight, uint8_t* destination,
    size_t destinationStride, int destinationHeight, int destinationWidth)
{
    const uint64_t stepX = Step(sourceWidth, destinationWidth);
    const uint64_t stepY = Step(sourceHeight, destinationHeight);
    const size_t rightOffset = sourceWidth > 1 ? 3 : 0;

    std::vector<TColumn> columns(static_cast<size_t>(destinationWidth));
    for (size_t x = 0; x < columns.size(); ++x) {
        const uint64_t px = x * stepX;
        const size_t left = static_cast<size_t>(px >> FractionBits) * 3;
        const auto fraction = static_cast<uint32_t>(px & FractionMask);
        columns[x] = {left, left + rightOffset, fraction, static_cast<uint32_t>(FractionMask - fraction)};
    }

    for (int y = 0; y < destinationHeight; ++y) {
        const uint64_t py = static_cast<uint64_t>(y) * stepY;
        const auto sy = static_cast<size_t>(py >> FractionBits);
        const uint64_t fy = py & FractionMask;
        const uint64_t gy = FractionMask - fy;
        const uint8_t* a = sourceRows[sy];
        const uint8_t* b = sourceRows[sourceHeight > 1 ? sy + 1 : sy];
        uint8_t* out = destination + static_cast<size_t>(y) * destinationStride;

        for (const TColumn& column : columns) {
            // Each weight is below 2^24 and the four add up to less than
            // 2^24, so 255 times their sum still fits in 32 bits.
            const auto wA0 = static_cast<uint32_t>((column.Rest * gy) >> 32);
            const auto wA1 = static_cast<uint32_t>((column.Fraction * gy) >> 32);
            const auto wB0 = static_cast<uint32_t>((column.Rest * fy) >> 32);
            const auto wB1 = static_cast<uint32_t>((column.Fraction * fy) >> 32);
            const uint8_t* a0 = a + column.Left;
            const uint8_t* a1 = a + column.Right;
            const uint8_t* b0 = b + column.Left;
            const uint8_t* b1 = b + column.Right;
            // All sums before any store: a byte store may alias anything,
            // and would make the compiler load the sources again.
            const uint32_t blue = a0[0] * wA0 + a1[0] * wA1 + b0[0] * wB0 + b1[0] * wB1;
            const uint32_t green = a0[1] * wA0 + a1[1] * wA1 + b0[1] * wB0 + b1[1] * wB1;
            const uint32_t red = a0[2] * wA0 + a1[2] * wA1 + b0[2] * wB0 + b1[2] * wB1;
            out[0] = static_cast<uint8_t>(blue >> 24);
            out[1] = static_cast<uint8_t>(green >> 24);
            out[2] = static_cast<uint8_t>(red >> 24);
            out += 3;
        }
    }
}

void Tile(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight, uint8_t* destination,
    size_t destinationStride, int destinationHeight, int destinationWidth)
{
    const size_t sourceBytes = static_cast<size_t>(sourceWidth) * 3;
    const size_t destinationBytes = static_cast<size_t>(destinationWidth) * 3;
    for (int y = 0; y < destinationHeight; ++y) {
        const uint8_t* source = sourceRows[y % sourceHeight];
        uint8_t* out = destination + static_cast<size_t>(y) * destinationStride;
        for (size_t x = 0; x < destinationBytes; x += sourceBytes)
            std::memcpy(out + x, source, std::min(sourceBytes, destinationBytes - x));
    }
}

} // namespace

void ResampleImage(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight, bool stretch,
    uint8_t* destination, size_t destinationStride, int destinationHeight, int destinationWidth)
{
    // An empty picture has nothing to draw from: the destination keeps what it had.
    if (sourceWidth <= 0 || sourceHeight <= 0 || destinationWidth <= 0 || destinationHeight <= 0)
        return;
    if (stretch)
        Stretch(
            sourceRows, sourceWidth, sourceHeight, destination, destinationStride, destinationHeight, destinationWidth);
    else
        Tile(
            sourceRows, sourceWidth, sourceHeight, destination, destinationStride, destinationHeight, destinationWidth);
}

} // namespace stakor
