#pragma once

#include <QImage>

#include "glass/bitmap.h"

namespace stakor::help_art {

// The program icon, size x size pixels: a V of cells of the default skin,
// cut into triangles, with a falling triangle above it, on a rounded
// dark blue square.
QImage ProgramIcon(const TBitmap& skin, int size);

} // namespace stakor::help_art
