#include "remote/osc_socket.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <unistd.h>

namespace {

// Room for the largest datagram UDP carries.
constexpr std::size_t DatagramLimit = 65536;
// A fader streamed while the line is busy piles up here until the next read; the system caps
// the request at its own limit.
constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;

} // namespace

COscSocket::~COscSocket()
{
    Close();
}

bool COscSocket::Open(const OscEndpoint& local, std::string& error)
{
    Close();
    const int fd = ::socket(local.address.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &ReceiveBufferBytes, sizeof ReceiveBufferBytes);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local.address), local.length) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return false;
    }
    descriptor = fd;
    return true;
}

void COscSocket::Close()
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

OscEndpoint COscSocket::LocalEndpoint() const
{
    OscEndpoint local;
    local.length = sizeof local.address;
    if (::getsockname(descriptor, reinterpret_cast<sockaddr*>(&local.address), &local.length) != 0)
        local.length = 0;
    return local;
}

bool COscSocket::Receive(std::vector<std::uint8_t>& datagram, OscEndpoint& from)
{
    if (descriptor < 0)
        return false;
    datagram.resize(DatagramLimit);
    from.length = sizeof from.address;
    ssize_t received = -1;
    do {
        received = ::recvfrom(descriptor, datagram.data(), datagram.size(), 0,
                              reinterpret_cast<sockaddr*>(&from.address), &from.length);
    } while (received < 0 && errno == EINTR);
    if (received < 0)
        return false;
    datagram.resize(static_cast<std::size_t>(received));
    return true;
}

void COscSocket::Send(const std::vector<std::uint8_t>& datagram, const OscEndpoint& to)
{
    if (descriptor < 0 || datagram.empty())
        return;
    ::sendto(descriptor, datagram.data(), datagram.size(), MSG_DONTWAIT,
             reinterpret_cast<const sockaddr*>(&to.address), to.length);
}
