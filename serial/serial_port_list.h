#pragma once

#include <string>
#include <vector>

#include "serial/serial_port.h"

// A serial port found on this machine and what a probe of it said.
struct SerialPortEntry
{
    std::string path;
    PortProbe probe = PortProbe::Failed;
    std::string reason;
    // The port exists but this user may not open it; the group that may, when one may.
    bool permissionDenied = false;
    std::string group;

    bool IsFree() const { return probe == PortProbe::Free; }
};

// The serial ports that exist: USB and ACM adapters, ttyS ports that have a UART behind
// them, and the stable /dev/serial/by-id names, in natural order.
std::vector<std::string> FindSerialPorts(const std::string& devFolder = "/dev",
                                         const std::string& sysTtyFolder = "/sys/class/tty");

// Tries to open the port, and when that is refused, tells a lack of permission from a port
// that another program holds.
SerialPortEntry ProbeSerialPort(const std::string& path);

// FindSerialPorts with a probe of each port.
std::vector<SerialPortEntry> ProbeSerialPorts(const std::string& devFolder = "/dev",
                                              const std::string& sysTtyFolder = "/sys/class/tty");
