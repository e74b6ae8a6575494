#pragma once

#include <filesystem>
#include <optional>

namespace stakor {

// The folder that holds the shipped data folders (Language, Skin, Background,
// ...): beside the running program in the build tree, or the share folder of
// an installed program.
std::filesystem::path FindProgramDir();

// A per-user base folder: the XDG variable when it names an absolute folder,
// else the folder below $HOME (".config", ".local/share"); nothing when
// neither does. A relative value is invalid by the XDG rules and ignored.
std::optional<std::filesystem::path> UserFolder(const char* xdgVariable, const char* belowHome);

// Where the game keeps a file of its own in such a folder:
// "<folder>/Orvelan Games/Vexamo Stakor/<name>".
std::optional<std::filesystem::path> UserFile(const char* xdgVariable, const char* belowHome, const char* name);

} // namespace stakor
