#include "serial/serial_port_list.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "serial/serial_port.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* AdapterPrefixes[] = {"ttyUSB", "ttyACM"};
constexpr const char* UartPrefix = "ttyS";
constexpr int UnknownUartType = 0;
constexpr int ProbeRefused = 2;
constexpr std::size_t GroupBufferSize = 16384;
constexpr gid_t RootGroup = 0;

bool HasNumberedPrefix(const std::string& name, const std::string& prefix)
{
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           std::all_of(name.begin() + prefix.size(), name.end(),
                       [](unsigned char c) { return std::isdigit(c); });
}

// The 8250 driver creates ttyS devices whether or not a UART answers; the kernel records the
// type it found.
bool HasUart(const std::string& sysTtyFolder, const std::string& name)
{
    std::ifstream type(sysTtyFolder + "/" + name + "/type");
    int value = UnknownUartType;
    return (type >> value) && value != UnknownUartType;
}

bool IsSerialDeviceName(const std::string& sysTtyFolder, const std::string& name)
{
    for (const char* prefix : AdapterPrefixes) {
        if (HasNumberedPrefix(name, prefix))
            return true;
    }
    return HasNumberedPrefix(name, UartPrefix) && HasUart(sysTtyFolder, name);
}

// "ttyUSB2" before "ttyUSB10".
bool NaturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            std::size_t endA = i, endB = j;
            while (endA < a.size() && std::isdigit(static_cast<unsigned char>(a[endA])))
                ++endA;
            while (endB < b.size() && std::isdigit(static_cast<unsigned char>(b[endB])))
                ++endB;
            const auto numberA = std::stoull(a.substr(i, std::min<std::size_t>(endA - i, 18)));
            const auto numberB = std::stoull(b.substr(j, std::min<std::size_t>(endB - j, 18)));
            if (numberA != numberB)
                return numberA < numberB;
            i = endA;
            j = endB;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

// Judged with the effective ids, as the open was.
bool MayNotReadAndWrite(const std::string& path)
{
    return faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

// Joining the device's group helps only when that group may read and write it.
std::string GroupThatMayOpen(const std::string& path)
{
    struct stat info
    {};
    if (stat(path.c_str(), &info) != 0 ||
        (info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    std::vector<char> buffer(GroupBufferSize);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        found->gr_gid == RootGroup)
        return {};
    return found->gr_name;
}

std::vector<std::string> SortedNaturally(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

} // namespace

std::vector<std::string> FindSerialPorts(const std::string& devFolder,
                                         const std::string& sysTtyFolder)
{
    std::vector<std::string> devices, links;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(devFolder, error)) {
        const std::string name = entry.path().filename();
        if (IsSerialDeviceName(sysTtyFolder, name))
            devices.push_back(entry.path());
    }
    for (const auto& entry : fs::directory_iterator(devFolder + "/serial/by-id", error))
        links.push_back(entry.path());

    std::vector<std::string> ports = SortedNaturally(std::move(devices));
    for (std::string& link : SortedNaturally(std::move(links)))
        ports.push_back(std::move(link));
    return ports;
}

SerialPortEntry ProbeSerialPort(const std::string& path)
{
    SerialPortEntry entry;
    entry.path = path;
    entry.probe = CSerialPort::ProbePort(path, &entry.reason);
    if (entry.probe == ProbeRefused && MayNotReadAndWrite(path)) {
        entry.permissionDenied = true;
        entry.group = GroupThatMayOpen(path);
    }
    return entry;
}

std::vector<SerialPortEntry> ProbeSerialPorts(const std::string& devFolder,
                                              const std::string& sysTtyFolder)
{
    std::vector<SerialPortEntry> entries;
    for (const std::string& path : FindSerialPorts(devFolder, sysTtyFolder))
        entries.push_back(ProbeSerialPort(path));
    return entries;
}
