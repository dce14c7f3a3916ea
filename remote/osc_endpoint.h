#pragma once

#include <optional>
#include <string>
#include <sys/socket.h>

// A UDP address and port of either family, as the socket calls take it.
struct OscEndpoint
{
    sockaddr_storage address{};
    socklen_t length = 0;

    int Port() const;
    std::string Host() const;
    // "127.0.0.1:9000", "[::1]:9000".
    std::string ToString() const;
    OscEndpoint WithPort(int port) const;
    // Compares the host only, with an IPv4 address and its IPv6-mapped form taken as one.
    bool SameHost(const OscEndpoint& other) const;
    bool operator==(const OscEndpoint& other) const;
};

// A numeric IPv4 or IPv6 address with a port; nothing, with the reason in error, for anything
// else (host names are not looked up, so that starting never waits on a name server).
std::optional<OscEndpoint> ParseOscEndpoint(const std::string& host, int port, std::string& error);
