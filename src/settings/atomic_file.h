#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace stakor {

class TFileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces `file` with `bytes` so that a crash or power cut at any moment
// leaves either the old or the new file, never a torn one: the bytes go to a
// temporary file beside it, are flushed to the disk, and the temporary file is
// renamed over the old one. Creates the folder when it is missing. Throws
// TFileWriteError (with the reason) when any step fails; the old file is then
// untouched and no temporary file is left behind.
void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

} // namespace stakor
