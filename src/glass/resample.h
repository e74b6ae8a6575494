#pragma once

#include <cstddef>
#include <cstdint>

namespace stakor {

// Fills a destination of destinationWidth x destinationHeight 24-bit pixels
// (rows destinationStride bytes apart) from a source picture given by its rows.
// Stretch: bilinear resampling in fixed point with 28 fraction bits, exact to
// the bit. Otherwise the picture is tiled from the top-left corner, cut at the
// right and bottom edges.
void ResampleImage(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight, bool stretch,
    uint8_t* destination, size_t destinationStride, int destinationHeight, int destinationWidth);

} // namespace stakor
