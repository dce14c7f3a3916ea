#include "storage/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "storage/regular_file.h"

namespace {

constexpr int TemporaryNameAttempts = 100;

std::string ResolvedTarget(const std::string& path)
{
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved))
        return resolved;
    return path;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool Fail(std::string& error, std::string reason)
{
    error = std::move(reason);
    return false;
}

// The name is short whatever the target's, so that a target named near the longest name a
// folder allows still saves; the process id tells whose leftover a killed save's temporary is.
// Not mkstemp: it creates the file 0600, and a new file must get the mode the umask gives,
// which open() applies without the race of reading the umask.
int CreateTemporaryIn(const std::string& folder, std::string& temporaryPath)
{
    const std::string stem = folder + "/.sonavire-" + std::to_string(getpid()) + '-';
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        temporaryPath = stem + std::to_string(attempt);
        const int fd = open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The replacement keeps the old file's owner, group and permissions, so that saving neither
// publishes a private file nor takes a shared one from its group. Only root may give a file
// away; anyone else keeps the ownership they could have had anyway. The mode comes after the
// owner, because a change of owner clears the set-id bits.
bool TakeOverOwnerAndMode(int fd, const struct stat& old)
{
    if (fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
        return false;
    return fchmod(fd, old.st_mode & 07777) == 0;
}

bool WriteAll(int fd, std::string_view contents)
{
    while (!contents.empty()) {
        const ssize_t written = write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void SyncFolder(const std::string& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string& error)
{
    const std::string target = ResolvedTarget(path);
    struct stat old
    {};
    const bool replacing = stat(target.c_str(), &old) == 0;
    // A rename would put a regular file in place of a device or a FIFO the path leads to.
    if (replacing && NonRegularFileReason(old.st_mode))
        return Fail(error, NonRegularFileReason(old.st_mode));
    if (replacing && access(target.c_str(), W_OK) != 0)
        return Fail(error, std::strerror(errno));

    const std::string folder = FolderOf(target);
    std::string temporary;
    const int fd = CreateTemporaryIn(folder, temporary);
    if (fd < 0)
        return Fail(error,
                    "cannot create a temporary file in " + folder + ": " + std::strerror(errno));

    bool ok =
        (!replacing || TakeOverOwnerAndMode(fd, old)) && WriteAll(fd, contents) && fsync(fd) == 0;
    int code = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        return Fail(error, std::strerror(code));
    }
    SyncFolder(folder);
    return true;
}
