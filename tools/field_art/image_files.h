#pragma once

#include <filesystem>

#include <QImage>

namespace stakor::field_art {

// Uncompressed 24-bit BMP, bottom-up rows padded to four bytes: the plainest
// form every reader takes. Throws std::runtime_error when it cannot write.
void WriteBmp24(const std::filesystem::path& file, const QImage& image);

// Baseline JFIF (YCbCr, Huffman-optimised) straight through libjpeg's
// compressor, so the files decode the same way the game decodes them.
void WriteJpeg(const std::filesystem::path& file, const QImage& image, int quality);

} // namespace stakor::field_art
