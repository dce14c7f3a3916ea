#include "serial/port_description.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A USB device, unlike its interfaces and the hubs' ports in between, carries its ids.
constexpr const char* UsbDeviceMark = "idVendor";
constexpr const char* AnyUsbAdapter = "USB serial adapter";
constexpr const char* TrailingSpace = " \t\r\n";

// Attributes end in a newline; one that is missing or unreadable reads as empty.
std::string ReadAttribute(const fs::path& path)
{
    std::ifstream file(path);
    std::string text;
    std::getline(file, text);
    text.erase(text.find_last_not_of(TrailingSpace) + 1);
    return text;
}

std::string DriverName(const fs::path& device)
{
    std::error_code error;
    const fs::path driver = fs::read_symlink(device / "driver", error);
    return error ? std::string() : driver.filename().string();
}

// The nearest USB device above the tty's device, or an empty path for a UART of the board.
// The walk stays inside sysfs: a fixture tree must not reach the machine's own.
fs::path UsbDeviceAbove(const fs::path& device, const fs::path& sysRoot)
{
    for (fs::path folder = device; folder != sysRoot && folder.has_relative_path();
         folder = folder.parent_path()) {
        std::error_code error;
        if (fs::exists(folder / UsbDeviceMark, error))
            return folder;
    }
    return {};
}

std::string JoinedDetails(const PortHardware& hardware)
{
    if (hardware.manufacturer.empty() || hardware.serial.empty())
        return hardware.manufacturer + hardware.serial;
    return hardware.manufacturer + ", " + hardware.serial;
}

std::string AdapterName(const PortHardware& hardware)
{
    if (!hardware.product.empty())
        return hardware.product;
    return hardware.driver.empty() ? AnyUsbAdapter : hardware.driver;
}

} // namespace

PortHardware ReadPortHardware(const std::string& ttyName, const std::string& sysFolder)
{
    std::error_code error;
    const fs::path sysRoot = fs::canonical(sysFolder, error);
    const fs::path device =
        fs::canonical(fs::path(sysFolder) / "class" / "tty" / ttyName / "device", error);
    PortHardware hardware;
    if (error)
        return hardware;
    hardware.known = true;
    hardware.driver = DriverName(device);
    const fs::path usbDevice = UsbDeviceAbove(device, sysRoot);
    if (usbDevice.empty())
        return hardware;
    hardware.usb = true;
    hardware.manufacturer = ReadAttribute(usbDevice / "manufacturer");
    hardware.product = ReadAttribute(usbDevice / "product");
    hardware.serial = ReadAttribute(usbDevice / "serial");
    return hardware;
}

std::string DescribePort(const std::string& path, const PortHardware& hardware)
{
    if (!hardware.known)
        return path;
    if (!hardware.usb)
        return "Built-in serial port on " + path;
    const std::string details = JoinedDetails(hardware);
    return AdapterName(hardware) + (details.empty() ? "" : " (" + details + ")") + " on " + path;
}
