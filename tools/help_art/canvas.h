#pragma once

#include <filesystem>

#include <QColor>
#include <QImage>

#include "glass/bitmap.h"

namespace stakor::help_art {

// A copy of a 24-bit game bitmap as a Qt picture.
QImage ToImage(const TBitmap& bitmap);

// A picture of the given size filled with one colour.
QImage Filled(int width, int height, QColor color);

// The picture magnified by a whole factor, every pixel a square block, so
// that the cell diagonals stay sharp.
QImage Magnified(const QImage& image, int factor);

// Writes a PNG file; throws when it cannot be written.
void SavePng(const QImage& image, const std::filesystem::path& file);

// The dark blue the pictures stand on.
inline const QColor PictureBackground(22, 28, 44);

} // namespace stakor::help_art
