#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "serial/serial_port_list.h"
#include "tests/serial/pty_pair.h"

namespace fs = std::filesystem;

namespace {

// A scratch /dev and /sys, so that the scan runs over names and files the test picks.
class FakeDevFolder
{
public:
    FakeDevFolder()
    {
        char pattern[] = "/tmp/serial-port-list-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("no scratch folder");
        root = pattern;
        fs::create_directories(Dev() + "/serial/by-id");
        fs::create_directories(Tty());
    }
    ~FakeDevFolder()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    std::string Dev() const { return root + "/dev"; }
    std::string Sys() const { return root + "/sys"; }

    void AddDevice(const std::string& name) const { std::ofstream(Dev() + "/" + name); }

    void AddPty(const std::string& name, const PtyPair& pty) const
    {
        fs::create_symlink(pty.SlavePath(), Dev() + "/" + name);
    }

    void AddUartType(const std::string& name, const std::string& type) const
    {
        fs::create_directories(Tty() + "/" + name);
        std::ofstream(Tty() + "/" + name + "/type") << type;
    }

    void AddFifoType(const std::string& name) const
    {
        fs::create_directories(Tty() + "/" + name);
        if (mkfifo((Tty() + "/" + name + "/type").c_str(), 0600) != 0)
            throw std::runtime_error("no fifo");
    }

    std::string AddLink(const std::string& name, const std::string& target) const
    {
        const std::string link = Dev() + "/serial/by-id/" + name;
        fs::create_symlink(target, link);
        return link;
    }

private:
    std::string Tty() const { return Sys() + "/class/tty"; }

    std::string root;
};

struct HardwareCase
{
    const char* fixture;
    const char* device;
    const char* description;
};

class PortDescription : public testing::TestWithParam<HardwareCase>
{};

// Sysfs trees as the kernel lays them out for each kind of adapter: the scan names the device
// by what the adapter says of itself, and leaves out what it does not say.
TEST_P(PortDescription, NamesTheAdapterBehindTheDevice)
{
    const HardwareCase& c = GetParam();
    FakeDevFolder folder;
    PtyPair pty;
    folder.AddPty(c.device, pty);
    const std::string path = folder.Dev() + "/" + c.device;

    const std::vector<SerialPortEntry> entries =
        ProbeSerialPorts(folder.Dev(), std::string(SERIAL_FIXTURES "/sysfs/") + c.fixture);

    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].description, c.description + path);
}

INSTANTIATE_TEST_SUITE_P(
    Adapters, PortDescription,
    testing::Values(HardwareCase{"ftdi_sio", "ttyUSB0", "FT232R USB UART (FTDI, A12345) on "},
                    HardwareCase{"cp210x", "ttyUSB0",
                                 "CP2102 USB to UART Bridge Controller (Silicon Labs, 0001) on "},
                    HardwareCase{"pl2303", "ttyUSB0", "pl2303 (Prolific Technology Inc.) on "},
                    HardwareCase{"cdc_acm", "ttyACM0",
                                 "CDC Serial Port (Generic, 0123456789AB) on "},
                    HardwareCase{"serial8250", "ttyS0", "Built-in serial port on "},
                    HardwareCase{"no-such-tree", "ttyUSB0", ""}),
    [](const testing::TestParamInfo<HardwareCase>& info) {
        std::string name = info.param.fixture;
        std::erase(name, '_');
        std::erase(name, '-');
        return name;
    });

// A by-id name is the same adapter as the device it leads to, so it is that entry's lasting
// name; one that leads elsewhere stays an entry of its own.
TEST(ProbeSerialPorts, FoldsStableNamesIntoTheirDevices)
{
    FakeDevFolder folder;
    PtyPair first, second, elsewhere;
    folder.AddPty("ttyUSB0", first);
    folder.AddPty("ttyUSB1", second);
    const std::string stable =
        folder.AddLink("usb-FTDI_FT232R_USB_UART_A12345-if00-port0", "../../ttyUSB1");
    const std::string other =
        folder.AddLink("usb-Generic_CDC_Serial_Port-if00", elsewhere.SlavePath());

    const std::vector<SerialPortEntry> entries = ProbeSerialPorts(folder.Dev(), folder.Sys());

    std::vector<std::pair<std::string, std::string>> seen;
    for (const SerialPortEntry& entry : entries)
        seen.emplace_back(entry.path, entry.LastingName());
    const std::vector<std::pair<std::string, std::string>> expected{
        {folder.Dev() + "/ttyUSB0", folder.Dev() + "/ttyUSB0"},
        {folder.Dev() + "/ttyUSB1", stable},
        {other, other}};
    EXPECT_EQ(seen, expected);
}

TEST(FindSerialPorts, ListsAdaptersAndAnsweringUartsInNaturalOrder)
{
    FakeDevFolder folder;
    for (const char* name :
         {"ttyUSB10", "ttyUSB2", "ttyUSB0000000000000000000003", "ttyUSB99999999999999999999",
          "ttyUSB99999999999999999998", "ttyACM1", "ttyS0", "ttyS1", "ttyS2"})
        folder.AddDevice(name);
    folder.AddUartType("ttyS0", "4\n");
    folder.AddUartType("ttyS1", "0\n");
    // A type that never ends nor arrives must not hold the scan.
    folder.AddFifoType("ttyS2");
    const std::string link = folder.AddLink("usb-FTDI_FT232R-if00-port0", "../../ttyUSB2");

    std::vector<std::string> expected;
    for (const char* name :
         {"ttyACM1", "ttyS0", "ttyUSB2", "ttyUSB0000000000000000000003", "ttyUSB10",
          "ttyUSB99999999999999999998", "ttyUSB99999999999999999999"})
        expected.push_back(folder.Dev() + "/" + name);
    expected.push_back(link);
    EXPECT_EQ(FindSerialPorts(folder.Dev(), folder.Sys()), expected);
}

struct HolderCase
{
    bool locks;
    bool exclusive;
};

class ProbeOfAHeldPortTest : public testing::TestWithParam<HolderCase>
{};

// Listing the ports must not disturb a line that another program uses: its mode, the input it
// has not read yet and its exclusive flag stay as that program left them.
TEST_P(ProbeOfAHeldPortTest, LeavesModeQueueAndExclusiveFlagAlone)
{
    PtyPair pty;
    const int holder = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(holder, &before), 0);
    before.c_lflag = (before.c_lflag | ICANON) & ~ECHO;
    ASSERT_EQ(tcsetattr(holder, TCSANOW, &before), 0);
    ASSERT_EQ(tcgetattr(holder, &before), 0);
    if (GetParam().locks) {
        ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    }
    if (GetParam().exclusive) {
        ASSERT_EQ(ioctl(holder, TIOCEXCL), 0);
    }
    const std::string queued = "queued line\n";
    pty.Send(queued);
    pollfd arrived{holder, POLLIN, 0};
    ASSERT_EQ(poll(&arrived, 1, 2000), 1);

    FakeDevFolder folder;
    const std::string link = folder.AddLink("usb-Roravir_Ude_Sonavire-if00", pty.SlavePath());
    const std::vector<SerialPortEntry> entries = ProbeSerialPorts(folder.Dev(), folder.Sys());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].path, link);
    // Root passes the exclusive flag; only the lock keeps it out.
    const bool refused = GetParam().locks || (GetParam().exclusive && geteuid() != 0);
    EXPECT_EQ(entries[0].probe, refused ? PortProbe::Refused : PortProbe::Free);
    if (refused) {
        EXPECT_EQ(entries[0].reason, "The port is in use by another program");
    }

    termios after{};
    ASSERT_EQ(tcgetattr(holder, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    int waiting = -1;
    EXPECT_EQ(ioctl(holder, FIONREAD, &waiting), 0);
    EXPECT_EQ(waiting, static_cast<int>(queued.size()));
    int exclusive = -1;
    EXPECT_EQ(ioctl(holder, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive != 0, GetParam().exclusive);
    char buffer[64];
    const ssize_t got = read(holder, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), queued);
    close(holder);
}

INSTANTIATE_TEST_SUITE_P(Holders, ProbeOfAHeldPortTest,
                         testing::Values(HolderCase{false, false}, HolderCase{true, false},
                                         HolderCase{false, true}));

} // namespace
