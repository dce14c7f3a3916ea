#pragma once

#include <string>
#include <vector>

#include "serial/serial_port.h"

// A serial port found on this machine and what a probe of it said.
struct SerialPortEntry
{
    std::string path;
    // What the hardware says of itself, with the path: "FT232R USB UART (FTDI, A12345) on
    // /dev/ttyUSB0"; the path alone when sysfs tells nothing.
    std::string description;
    // The /dev/serial/by-id name of the device, which survives renumbering; empty when it has
    // none.
    std::string stableName;
    PortProbe probe = PortProbe::Failed;
    std::string reason;
    // The port exists but this user may not open it; the group that may, when one may.
    bool permissionDenied = false;
    std::string group;

    bool IsFree() const { return probe == PortProbe::Free; }
    // The name to remember the port by.
    const std::string& LastingName() const { return stableName.empty() ? path : stableName; }
};

// The serial ports that exist: USB and ACM adapters, ttyS ports that have a UART behind
// them, and the stable /dev/serial/by-id names, in natural order.
std::vector<std::string> FindSerialPorts(const std::string& devFolder = "/dev",
                                         const std::string& sysFolder = "/sys");

// Tries to open the port, and when that is refused, tells a lack of permission from a port
// that another program holds.
SerialPortEntry ProbeSerialPort(const std::string& path);

// FindSerialPorts with a probe and a description of each port. A by-id name of a device that
// is listed becomes that entry's stable name rather than an entry of its own.
std::vector<SerialPortEntry> ProbeSerialPorts(const std::string& devFolder = "/dev",
                                              const std::string& sysFolder = "/sys");
