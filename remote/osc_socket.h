#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "remote/osc_endpoint.h"

// The remote control's UDP socket. It never blocks: the owner's loop waits on Descriptor()
// and then takes what is waiting.
class COscSocket
{
public:
    COscSocket() = default;
    COscSocket(const COscSocket&) = delete;
    COscSocket& operator=(const COscSocket&) = delete;
    ~COscSocket();

    bool Open(const OscEndpoint& local, std::string& error);
    void Close();
    bool IsOpen() const { return descriptor >= 0; }
    int Descriptor() const { return descriptor; }
    // The address bound, with the port the system chose for port 0.
    OscEndpoint LocalEndpoint() const;

    // One waiting datagram; false when none is waiting.
    bool Receive(std::vector<std::uint8_t>& datagram, OscEndpoint& from);
    // A datagram that cannot go (a full buffer, a peer that went away) is dropped: OSC over
    // UDP promises no delivery, and the panel must not wait for a client.
    void Send(const std::vector<std::uint8_t>& datagram, const OscEndpoint& to);

private:
    int descriptor = -1;
};
