#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

#include <sys/types.h>

namespace stakor {

class TFileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Permissions of a file made by WriteFileAtomically where none was before.
enum class TNewFileMode {
    Shared, // 0666 less the umask, as any program would make it
    Private, // 0600: the file holds something only its owner should read
};

// Replaces `file` with `bytes` so that a crash or power cut at any moment
// leaves either the old or the new file, never a torn one: the bytes go to a
// temporary file beside it, are flushed to the disk, and the temporary file is
// renamed over the old one. The new file keeps the old one's permissions;
// a file made afresh gets `newFileMode`. Creates the folder when it is
// missing. Throws TFileWriteError (with the reason) when any step fails; the
// old file is then untouched and no temporary file is left behind.
//
// Where the file system allows, the temporary file has no name until it is
// complete, so a process killed meanwhile leaves nothing. Otherwise it is
// ".<name>.XXXXXX" and is locked while written; one left by a killed write
// is removed by the next write of the same file.
void WriteFileAtomically(
    const std::filesystem::path& file, std::string_view bytes, TNewFileMode newFileMode = TNewFileMode::Shared);

} // namespace stakor
