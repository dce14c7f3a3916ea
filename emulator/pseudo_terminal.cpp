#include "emulator/pseudo_terminal.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

std::string SystemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

bool Fail(std::string& error, std::string reason)
{
    error = std::move(reason);
    return false;
}

bool SetCloseOnExec(int fd)
{
    return fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

bool MakeRaw(int fd)
{
    termios attributes{};
    if (tcgetattr(fd, &attributes) != 0)
        return false;
    cfmakeraw(&attributes);
    attributes.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&attributes, B38400);
    cfsetospeed(&attributes, B38400);
    return tcsetattr(fd, TCSANOW, &attributes) == 0;
}

std::string LinkTarget(const std::string& path)
{
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    return length < 0 ? std::string() : std::string(target, static_cast<std::size_t>(length));
}

} // namespace

CPseudoTerminal::~CPseudoTerminal()
{
    Close();
}

bool CPseudoTerminal::Open(std::string& error)
{
    master = CUniqueFd(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK));
    if (!master.IsOpen() || !SetCloseOnExec(master.Get()))
        return Fail(error, SystemError("posix_openpt"));
    if (grantpt(master.Get()) != 0 || unlockpt(master.Get()) != 0)
        return Fail(error, SystemError("unlockpt"));
    char path[PATH_MAX];
    if (ptsname_r(master.Get(), path, sizeof path) != 0)
        return Fail(error, SystemError("ptsname"));
    slavePath = path;
    slave = CUniqueFd(open(path, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave.IsOpen())
        return Fail(error, SystemError(slavePath));
    if (!MakeRaw(slave.Get()))
        return Fail(error, SystemError("raw mode on " + slavePath));
    return true;
}

bool CPseudoTerminal::CreateLink(const std::string& linkPath, std::string& error)
{
    struct stat info
    {};
    if (lstat(linkPath.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode))
            return Fail(error, linkPath + ": exists and is not a symbolic link");
        unlink(linkPath.c_str());
    }
    if (symlink(slavePath.c_str(), linkPath.c_str()) != 0)
        return Fail(error, SystemError(linkPath));
    createdLink = linkPath;
    return true;
}

void CPseudoTerminal::HangUp()
{
    slave.Close();
    master.Close();
}

void CPseudoTerminal::Close()
{
    HangUp();
    RemoveLink();
}

void CPseudoTerminal::RemoveLink()
{
    if (!createdLink.empty() && LinkTarget(createdLink) == slavePath)
        unlink(createdLink.c_str());
    createdLink.clear();
}
