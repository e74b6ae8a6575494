#pragma once

#include <cstdint>
#include <filesystem>

#include "glass/bitmap.h"

namespace stakor {

// Pictures larger than this many pixels are refused: decoding them would take
// more memory than any skin or background deserves.
inline constexpr int64_t MaxImagePixels = 64LL * 1024 * 1024;

// Loads a ".bmp" (any depth and compression Qt's reader takes) or ".jpg" /
// ".jpeg" (libjpeg, full size, floating-point IDCT, block smoothing) picture
// into `destination` as 24 bits a pixel. The extension decides, in any case;
// other extensions fail. On failure `destination` is untouched.
bool LoadImageFile(const std::filesystem::path& file, TBitmap& destination);

// Writes a 24-bit uncompressed BMP file; false when it cannot be written.
bool WriteBmpFile(const std::filesystem::path& file, const TBitmap& bitmap);

} // namespace stakor
