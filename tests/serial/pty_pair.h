#pragma once

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>

// The far end of a real pseudo-terminal: the test plays the device on the master side while
// the code under test opens the slave path as its serial port.
class PtyPair
{
public:
    PtyPair()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        path = ptsname(master);
        // Holding the slave open keeps the master from seeing a hang-up whenever the port
        // under test closes.
        keeper = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        tcgetattr(keeper, &raw);
        cfmakeraw(&raw);
        tcsetattr(keeper, TCSANOW, &raw);
    }
    ~PtyPair() { HangUp(); }

    const std::string& SlavePath() const { return path; }

    void Send(const std::string& bytes) const
    {
        if (write(master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("pty write failed");
    }

    // Everything the port wrote, gathered until nothing more comes for quietMs.
    std::string Receive(int quietMs = 100) const
    {
        std::string bytes;
        char buffer[4096];
        pollfd entry{master, POLLIN, 0};
        while (poll(&entry, 1, quietMs) > 0 && (entry.revents & POLLIN)) {
            const ssize_t got = read(master, buffer, sizeof buffer);
            if (got <= 0)
                break;
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
        return bytes;
    }

    // Closes the device side, as a cable pulled or an adapter unplugged.
    void HangUp()
    {
        if (keeper >= 0)
            close(keeper);
        if (master >= 0)
            close(master);
        keeper = master = -1;
    }

private:
    int master = -1;
    int keeper = -1;
    std::string path;
};
