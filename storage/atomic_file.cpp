#include "storage/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

std::string NameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Fail(std::string& error, int code)
{
    error = std::strerror(code);
    return false;
}

int CreateTemporaryBeside(const std::string& target, std::string& temporaryPath)
{
    const std::string stem = FolderOf(target) + "/." + NameOf(target) + ".tmp-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = stem + std::to_string(getpid()) + '-' + std::to_string(attempt);
        const int fd = open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
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
    if (replacing && S_ISDIR(old.st_mode))
        return Fail(error, EISDIR);
    if (replacing && access(target.c_str(), W_OK) != 0)
        return Fail(error, errno);

    std::string temporary;
    const int fd = CreateTemporaryBeside(target, temporary);
    if (fd < 0)
        return Fail(error, errno);

    // Keep the old file's permissions, so replacing a private file does not publish it.
    bool ok = (!replacing || fchmod(fd, old.st_mode & 07777) == 0) && WriteAll(fd, contents) &&
              fsync(fd) == 0;
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
        return Fail(error, code);
    }
    SyncFolder(FolderOf(target));
    return true;
}
