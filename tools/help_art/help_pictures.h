#pragma once

#include <filesystem>
#include <vector>

#include "glass/bitmap.h"

namespace stakor::help_art {

// Draws the pictures of the help pages into outDir with the given cell skin
// (the last tile being the falling triangle's) and glass background picture:
//   style1.png .. style5.png  every figure of a game style, as the preview
//                             of the next figure shows it
//   falling-triangle.png      the falling triangle of the fifth style in its
//                             four turns
//   cell-triangles.png        one cell cut into its four triangles
//   half-cell-3.png, -6, -12, -9   the four half cells
//   glass-example.png         a glass in play
//   falls-through.png         the falling triangle dropping into a gap
// Gives the files written.
std::vector<std::filesystem::path> WriteHelpPictures(
    const TBitmap& skin, const TBitmap& background, const std::filesystem::path& outDir);

} // namespace stakor::help_art
