#pragma once

#include <cstddef>
#include <filesystem>
#include <limits>
#include <string>

namespace stakor {

// Files the user may have replaced by anything: a named pipe would block an
// ordinary open() until someone writes to it, a device may never end, a
// folder cannot be read. These open without waiting and refuse all of them
// at once, so such a file counts as one that cannot be read.

// A descriptor (close-on-exec) of the regular file `file`, opened for reading;
// -1 when it is missing (errno ENOENT), not a regular file, or cannot be opened.
int OpenRegularFile(const std::filesystem::path& file);

enum class TReadResult { Read, Missing, Failed };

// The first `maxBytes` bytes of the regular file `file` (all of it by default)
// into `bytes`; on anything but Read, `bytes` is empty.
TReadResult ReadRegularFile(
    const std::filesystem::path& file, std::string& bytes, size_t maxBytes = std::numeric_limits<size_t>::max());

} // namespace stakor
