#include "settings/user_file.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stakor {

int OpenRegularFile(const std::filesystem::path& file)
{
    // Non-blocking: opening a pipe for reading must not wait for a writer,
    // nor a device for its line; O_NOCTTY keeps a terminal from becoming ours.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // Reads of a regular file never wait anyway; plain blocking reads keep
    // the descriptor usable by stdio and Qt.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

TReadResult ReadRegularFile(const std::filesystem::path& file, std::string& bytes, size_t maxBytes)
{
    bytes.clear();
    const int fd = OpenRegularFile(file);
    if (fd < 0)
        return errno == ENOENT ? TReadResult::Missing : TReadResult::Failed;
    TReadResult result = TReadResult::Read;
    char buffer[16384];
    while (bytes.size() < maxBytes) {
        const size_t wanted = std::min(sizeof buffer, maxBytes - bytes.size());
        const ssize_t count = ::read(fd, buffer, wanted);
        if (count > 0) {
            bytes.append(buffer, static_cast<size_t>(count));
        } else if (count == 0) {
            break;
        } else if (errno != EINTR) {
            result = TReadResult::Failed;
            break;
        }
    }
    ::close(fd);
    if (result != TReadResult::Read)
        bytes.clear();
    return result;
}

} // namespace stakor
