#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <QImage>

namespace stakor::field_art {

// Cell skins: a row of 20 x 20 tiles, the ordinary figure colours first and
// the colour of the special single triangle last. Exact black is see-through.
inline constexpr int TileSize = 20;

struct Skin {
    std::string fileName;
    QImage image;
};

std::vector<Skin> MakeSkins();

// Writes every skin as a 24-bit BMP into `folder`; returns the paths written.
std::vector<std::filesystem::path> WriteSkins(const std::filesystem::path& folder);

} // namespace stakor::field_art
