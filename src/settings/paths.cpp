#include "settings/paths.h"

#include <cstdlib>
#include <system_error>

#ifndef STAKOR_DATA_FROM_PROGRAM
#define STAKOR_DATA_FROM_PROGRAM "../share/vexamo-stakor"
#endif

namespace stakor {

std::filesystem::path FindProgramDir()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path program = fs::read_symlink("/proc/self/exe", ec);
    const fs::path folder = ec ? fs::current_path(ec) : program.parent_path();
    if (fs::is_directory(folder / "Language", ec) || fs::is_directory(folder / "Skin", ec))
        return folder;
    // The build sets where the data is installed, seen from the programs' folder
    // (share/vexamo-stakor, or share/games/vexamo-stakor beside /usr/games).
    const fs::path installed = (folder / STAKOR_DATA_FROM_PROGRAM).lexically_normal();
    if (fs::is_directory(installed, ec))
        return installed;
    return folder;
}

namespace {

std::optional<std::filesystem::path> AbsoluteFolder(const char* variable)
{
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    std::filesystem::path folder(value);
    if (!folder.is_absolute())
        return std::nullopt;
    return folder;
}

} // namespace

std::optional<std::filesystem::path> UserFolder(const char* xdgVariable, const char* belowHome)
{
    if (auto folder = AbsoluteFolder(xdgVariable))
        return folder;
    if (auto home = AbsoluteFolder("HOME"))
        return *home / belowHome;
    return std::nullopt;
}

std::optional<std::filesystem::path> UserFile(const char* xdgVariable, const char* belowHome, const char* name)
{
    const auto folder = UserFolder(xdgVariable, belowHome);
    if (!folder)
        return std::nullopt;
    return *folder / "Orvelan Games" / "Vexamo Stakor" / name;
}

} // namespace stakor
