#include "fuzz/device_side.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int DrainPollMs = 20;

} // namespace

CDeviceSide::~CDeviceSide()
{
    stopping = true;
    if (drainer.joinable())
        drainer.join();
}

bool CDeviceSide::Open(std::string& error)
{
    if (!terminal.Open(error))
        return false;
    observer = CUniqueFd(open(PortPath().c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    if (!observer.IsOpen()) {
        error = PortPath() + ": " + std::strerror(errno);
        return false;
    }
    drainer = std::thread(&CDeviceSide::Drain, this);
    return true;
}

bool CDeviceSide::Send(std::string_view piece, std::chrono::milliseconds limit)
{
    if (piece.size() > MaxPiece)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const int waiting = Unread() + static_cast<int>(piece.size());
    while (!piece.empty()) {
        const ssize_t written = write(terminal.MasterFd(), piece.data(), piece.size());
        if (written > 0)
            piece.remove_prefix(static_cast<std::size_t>(written));
        else if (written < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        else if (std::chrono::steady_clock::now() > deadline)
            return false;
    }
    // The terminal moves written bytes to the reading side on a kernel worker, a moment later.
    while (Unread() < waiting) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

int CDeviceSide::Unread() const
{
    int count = 0;
    return ioctl(observer.Get(), FIONREAD, &count) == 0 ? count : -1;
}

std::string CDeviceSide::TakeReceived(std::size_t count, std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex);
    arrived.wait_for(lock, limit, [&] { return received.size() >= count; });
    return std::exchange(received, {});
}

void CDeviceSide::Drain()
{
    char buffer[4096];
    pollfd entry{terminal.MasterFd(), POLLIN, 0};
    while (!stopping) {
        if (poll(&entry, 1, DrainPollMs) <= 0)
            continue;
        const ssize_t got = read(terminal.MasterFd(), buffer, sizeof buffer);
        if (got <= 0)
            continue;
        const std::lock_guard lock(mutex);
        received.append(buffer, static_cast<std::size_t>(got));
        arrived.notify_all();
    }
}
