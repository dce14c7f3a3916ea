#pragma once

#include <string>

// What the kernel knows of the hardware behind a serial device: for a USB adapter, what the
// adapter says of itself; for a UART on the machine's own board, only that it is one.
struct PortHardware
{
    bool known = false; // the tty has a device behind it in sysfs
    bool usb = false;
    std::string driver;
    std::string manufacturer;
    std::string product;
    std::string serial;
};

// Reads sysfs under sysFolder for the tty named ttyName ("ttyUSB0", "ttyS0").
PortHardware ReadPortHardware(const std::string& ttyName, const std::string& sysFolder = "/sys");

// "FT232R USB UART (FTDI, A12345) on /dev/ttyUSB0", "Built-in serial port on /dev/ttyS0", or
// the path alone when nothing is known of the hardware.
std::string DescribePort(const std::string& path, const PortHardware& hardware);
