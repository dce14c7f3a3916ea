#include "serial/serial_port_list.h"

#include "serial/port_description.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* AdapterPrefixes[] = {"ttyUSB", "ttyACM"};
constexpr const char* UartPrefix = "ttyS";
constexpr int UnknownUartType = 0;
constexpr std::size_t UartTypeReadLimit = 16;
constexpr std::size_t GroupBufferSize = 16384;
constexpr gid_t RootGroup = 0;

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c));
}

bool HasNumberedPrefix(const std::string& name, const std::string& prefix)
{
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           std::all_of(name.begin() + prefix.size(), name.end(), IsDigit);
}

// The 8250 driver creates ttyS devices whether or not a UART answers; the kernel records the
// type it found as a small number. The read is short and never waits, so that nothing standing
// in the folder can hold the scan.
bool HasUart(const std::string& sysFolder, const std::string& name)
{
    const std::string path = sysFolder + "/class/tty/" + name + "/type";
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        return false;
    char text[UartTypeReadLimit];
    const ssize_t got = ::read(file, text, sizeof text);
    ::close(file);
    int value = UnknownUartType;
    return got > 0 && std::from_chars(text, text + got, value).ec == std::errc{} &&
           value != UnknownUartType;
}

bool IsSerialDeviceName(const std::string& sysFolder, const std::string& name)
{
    for (const char* prefix : AdapterPrefixes) {
        if (HasNumberedPrefix(name, prefix))
            return true;
    }
    return HasNumberedPrefix(name, UartPrefix) && HasUart(sysFolder, name);
}

std::size_t DigitRunEnd(const std::string& text, std::size_t from)
{
    while (from < text.size() && IsDigit(text[from]))
        ++from;
    return from;
}

std::string_view WithoutLeadingZeros(std::string_view digits)
{
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
    return digits;
}

// Negative, zero or positive as the first number is smaller, equal or larger. The digits are
// compared as text: a device name may carry more of them than any integer holds.
int CompareNumbers(std::string_view a, std::string_view b)
{
    a = WithoutLeadingZeros(a);
    b = WithoutLeadingZeros(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

// "ttyUSB2" before "ttyUSB10".
bool NaturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::size_t endA = DigitRunEnd(a, i), endB = DigitRunEnd(b, j);
            const int order = CompareNumbers(std::string_view(a).substr(i, endA - i),
                                             std::string_view(b).substr(j, endB - j));
            if (order != 0)
                return order < 0;
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

// A folder that is missing, or fails while it is listed, gives what could be read.
std::vector<fs::path> FolderEntries(const std::string& folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        entries.push_back(entry->path());
    return entries;
}

std::vector<std::string> SortedNaturally(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

bool IsStableName(const std::string& devFolder, const std::string& path)
{
    return path.starts_with(devFolder + "/serial/by-id/");
}

// The listed entry of the device that a link leads to, or none.
SerialPortEntry* EntryOfDevice(std::vector<SerialPortEntry>& entries, const std::string& link)
{
    std::error_code error;
    const fs::path device = fs::canonical(link, error);
    if (error)
        return nullptr;
    for (SerialPortEntry& entry : entries) {
        if (fs::canonical(entry.path, error) == device && !error)
            return &entry;
    }
    return nullptr;
}

SerialPortEntry DescribedEntry(const std::string& path, const std::string& sysFolder)
{
    SerialPortEntry entry = ProbeSerialPort(path);
    entry.description =
        DescribePort(path, ReadPortHardware(fs::path(path).filename().string(), sysFolder));
    return entry;
}

} // namespace

std::vector<std::string> FindSerialPorts(const std::string& devFolder, const std::string& sysFolder)
{
    std::vector<std::string> devices, links;
    for (const fs::path& path : FolderEntries(devFolder)) {
        if (IsSerialDeviceName(sysFolder, path.filename()))
            devices.push_back(path);
    }
    for (const fs::path& path : FolderEntries(devFolder + "/serial/by-id"))
        links.push_back(path);

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
    if (entry.probe == PortProbe::Refused && MayNotReadAndWrite(path)) {
        entry.permissionDenied = true;
        entry.group = GroupThatMayOpen(path);
    }
    return entry;
}

// The by-id names come after the devices, so the device a name leads to is listed by then.
std::vector<SerialPortEntry> ProbeSerialPorts(const std::string& devFolder,
                                              const std::string& sysFolder)
{
    std::vector<SerialPortEntry> entries;
    for (const std::string& path : FindSerialPorts(devFolder, sysFolder)) {
        SerialPortEntry* device =
            IsStableName(devFolder, path) ? EntryOfDevice(entries, path) : nullptr;
        if (device)
            device->stableName = path;
        else
            entries.push_back(DescribedEntry(path, sysFolder));
    }
    return entries;
}
