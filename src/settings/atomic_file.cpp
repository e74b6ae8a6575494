#include "settings/atomic_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stakor {

namespace {

constexpr char TemporarySuffix[] = ".XXXXXX";
constexpr size_t RandomPartSize = 6;

std::string Reason(const std::string& what, const std::filesystem::path& file, int error)
{
    return what + " " + file.string() + ": " + std::strerror(error);
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// ".<name>." followed by six letters or digits, as mkstemp makes them.
bool IsOurTemporary(const std::string& entry, const std::string& prefix)
{
    if (entry.size() != prefix.size() + RandomPartSize || entry.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (size_t i = prefix.size(); i < entry.size(); ++i) {
        const char c = entry[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// Temporary files of `file` that nobody holds locked are left over from a
// write that was killed: a running write locks its own until it is renamed.
void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& prefix)
{
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!IsOurTemporary(name, prefix))
            continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(it->path().c_str());
        ::close(fd);
    }
}

mode_t ModeOfNewFile(const std::filesystem::path& file, TNewFileMode newFileMode)
{
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 0777;
    if (newFileMode == TNewFileMode::Private)
        return 0600;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// An unnamed file in `folder`, or -1 where the file system has none.
int OpenUnnamed(const std::filesystem::path& folder)
{
#ifdef O_TMPFILE
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#else
    (void)folder;
    return -1;
#endif
}

// Gives the unnamed file behind `fd` the name `temporary` (made unique
// like mkstemp's); false when the system cannot.
bool NameUnnamed(int fd, std::string& temporary)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::minstd_rand pick(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (size_t i = temporary.size() - RandomPartSize; i < temporary.size(); ++i)
            temporary[i] = Letters[pick() % (sizeof Letters - 1)];
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// Writes `bytes` to a new file in `folder` and renames it to `file`; 0 or
// the error. With `unnamed`, the file has no name until it is complete;
// -1 when the file system cannot do that, and nothing was changed.
int WriteAndRename(const std::filesystem::path& file, const std::filesystem::path& folder, const std::string& prefix,
    std::string_view bytes, mode_t mode, bool unnamed)
{
    std::string temporary = (folder / (prefix + (TemporarySuffix + 1))).string();
    bool named = !unnamed;
    const int fd = unnamed ? OpenUnnamed(folder) : ::mkstemp(temporary.data());
    if (fd < 0)
        return unnamed ? -1 : errno;
    // Held until the file is renamed, so that no other write takes it for
    // the leftover of a killed one.
    ::flock(fd, LOCK_EX);

    int error = 0;
    if (::fchmod(fd, mode) != 0 || !WriteAll(fd, bytes) || ::fsync(fd) != 0)
        error = errno;
    if (error == 0 && !named) {
        if (!NameUnnamed(fd, temporary)) {
            ::close(fd);
            return -1;
        }
        named = true;
    }
    if (error == 0 && ::rename(temporary.c_str(), file.c_str()) != 0)
        error = errno;
    if (error != 0 && named)
        ::unlink(temporary.c_str());
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

} // namespace

void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes, TNewFileMode newFileMode)
{
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        throw TFileWriteError("Cannot create folder " + folder.string() + ": " + ec.message());

    const std::string prefix = "." + file.filename().string() + ".";
    RemoveStaleTemporaries(folder, prefix);

    const mode_t mode = ModeOfNewFile(file, newFileMode);
    int error = WriteAndRename(file, folder, prefix, bytes, mode, true);
    if (error < 0)
        error = WriteAndRename(file, folder, prefix, bytes, mode, false);
    if (error != 0)
        throw TFileWriteError(Reason("Cannot write", file, error));

    // The rename itself must reach the disk too, or a power cut can undo it.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace stakor
