#pragma once

#include <filesystem>

namespace stakor {

// The folder that holds the shipped data folders (Language, Skin, Background,
// ...): beside the running program in the build tree, or the share folder of
// an installed program.
std::filesystem::path FindProgramDir();

} // namespace stakor
