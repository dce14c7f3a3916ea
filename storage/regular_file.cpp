#include "storage/regular_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* NonRegularFileReason(mode_t mode)
{
    if (S_ISREG(mode))
        return nullptr;
    // A folder keeps the system's own words, which say more.
    return S_ISDIR(mode) ? std::strerror(EISDIR) : "not a regular file";
}

int OpenRegularFileForReading(const std::string& path, std::string& error)
{
    // O_NOCTTY: a terminal named by mistake must not become the process's controlling one.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    struct stat info
    {};
    const char* refusal =
        fstat(fd, &info) != 0 ? std::strerror(errno) : NonRegularFileReason(info.st_mode);
    if (refusal == nullptr)
        return fd;
    error = refusal;
    close(fd);
    return -1;
}
