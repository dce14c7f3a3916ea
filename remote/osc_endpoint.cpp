#include "remote/osc_endpoint.h"

#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>

namespace {

// The address as IPv6, with an IPv4 address in its mapped form, so that either family
// compares with the other.
in6_addr AsIpv6(const sockaddr_storage& address)
{
    if (address.ss_family == AF_INET6)
        return reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
    in6_addr mapped{};
    mapped.s6_addr[10] = 0xff;
    mapped.s6_addr[11] = 0xff;
    std::memcpy(&mapped.s6_addr[12], &reinterpret_cast<const sockaddr_in&>(address).sin_addr, 4);
    return mapped;
}

} // namespace

int OscEndpoint::Port() const
{
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

std::string OscEndpoint::Host() const
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text,
                  sizeof text);
    else
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text,
                  sizeof text);
    return text;
}

std::string OscEndpoint::ToString() const
{
    const std::string host = Host();
    const std::string port = std::to_string(Port());
    return address.ss_family == AF_INET6 ? "[" + host + "]:" + port : host + ":" + port;
}

OscEndpoint OscEndpoint::WithPort(int port) const
{
    OscEndpoint moved = *this;
    if (moved.address.ss_family == AF_INET6)
        reinterpret_cast<sockaddr_in6&>(moved.address).sin6_port = htons(port);
    else
        reinterpret_cast<sockaddr_in&>(moved.address).sin_port = htons(port);
    return moved;
}

bool OscEndpoint::SameHost(const OscEndpoint& other) const
{
    const in6_addr mine = AsIpv6(address);
    const in6_addr theirs = AsIpv6(other.address);
    return std::memcmp(&mine, &theirs, sizeof mine) == 0;
}

bool OscEndpoint::operator==(const OscEndpoint& other) const
{
    return SameHost(other) && Port() == other.Port();
}

std::optional<OscEndpoint> ParseOscEndpoint(const std::string& host, int port, std::string& error)
{
    if (port < 0 || port > 65535) {
        error = "a port is a number from 0 to 65535, not " + std::to_string(port);
        return std::nullopt;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        error = "\"" + host + "\" is not a numeric IPv4 or IPv6 address";
        return std::nullopt;
    }
    OscEndpoint endpoint;
    std::memcpy(&endpoint.address, found->ai_addr, found->ai_addrlen);
    endpoint.length = found->ai_addrlen;
    freeaddrinfo(found);
    return endpoint;
}
