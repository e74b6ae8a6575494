#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <QImage>

namespace stakor::field_art {

// Glass background pictures. They are shown stretched or tiled under the
// cells, so they stay dark and calm enough for bright cells to read on top.
struct Background {
    std::string fileName; // ".jpg" or ".bmp" decides the format written
    QImage image;
};

std::vector<Background> MakeBackgrounds();

// Writes every background into `folder`; returns the paths written.
std::vector<std::filesystem::path> WriteBackgrounds(const std::filesystem::path& folder);

} // namespace stakor::field_art
