#include "settings/program_dir.h"

#include <system_error>

namespace stakor {

std::filesystem::path FindProgramDir()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path program = fs::read_symlink("/proc/self/exe", ec);
    const fs::path folder = ec ? fs::current_path(ec) : program.parent_path();
    if (fs::is_directory(folder / "Language", ec) || fs::is_directory(folder / "Skin", ec))
        return folder;
    const fs::path installed = folder.parent_path() / "share" / "vexamo-stakor";
    if (fs::is_directory(installed, ec))
        return installed;
    return folder;
}

} // namespace stakor
