#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <thread>

#include "serial/serial_port.h"
#include "tests/serial/pty_pair.h"

namespace {

class SerialPortTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(port.Open(pty.SlavePath()), StatusSuccess); }

    PtyPair pty;
    CSerialPort port;
};

TEST_F(SerialPortTest, OpensRawWithTheDefaultMaskAndNonBlockingReads)
{
    EXPECT_EQ(port.GetEventMask(), DefaultEventMask);
    char buffer[1024];
    std::size_t count = 99;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, 5000), StatusSuccess);
    EXPECT_EQ(count, 0u);

    // Raw mode: a carriage return and a line feed pass through untouched both ways.
    EXPECT_EQ(port.WriteText("A\r\nB"), StatusSuccess);
    EXPECT_EQ(pty.Receive(), "A\r\nB");
}

TEST_F(SerialPortTest, SecondOpenOfTheObjectKeepsTheFirstPort)
{
    EXPECT_EQ(port.Open(pty.SlavePath()), StatusAlreadyOpen);
    EXPECT_EQ(port.LastError(), StatusAlreadyOpen);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.WriteText("still"), StatusSuccess);
    EXPECT_EQ(pty.Receive(), "still");
}

TEST_F(SerialPortTest, PortIsExclusiveUntilClosed)
{
    CSerialPort second;
    EXPECT_EQ(second.Open(pty.SlavePath()), StatusAccessDenied);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.LastErrorText(), "The port is in use by another program");
    std::string reason;
    EXPECT_EQ(CSerialPort::ProbePort(pty.SlavePath(), &reason), PortProbe::Refused);
    EXPECT_EQ(reason, "The port is in use by another program");

    port.Close();
    EXPECT_EQ(CSerialPort::ProbePort(pty.SlavePath()), PortProbe::Free);
    EXPECT_EQ(second.Open(pty.SlavePath()), StatusSuccess);
}

// A pseudo-terminal's driver has no low-latency flag, as the drivers of some adapters do not.
TEST(SerialPort, DriverRefusingLowLatencyStillOpensAndCloses)
{
    PtyPair pty;
    const int probe = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    serial_struct serial{};
    ASSERT_NE(ioctl(probe, TIOCGSERIAL, &serial), 0);
    close(probe);

    CSerialPort port;
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(port.Open(pty.SlavePath()), StatusSuccess);
        EXPECT_EQ(port.LastErrorText(), "Success");
        EXPECT_EQ(port.WriteText("up"), StatusSuccess);
        EXPECT_EQ(pty.Receive(), "up");
        EXPECT_EQ(port.Close(), StatusSuccess);
    }
}

TEST(SerialPort, MissingPortsAndNonTerminals)
{
    CSerialPort port;
    EXPECT_EQ(port.Open("/dev/no-such-port"), StatusFileNotFound);
    EXPECT_FALSE(port.IsOpen());
    std::string reason;
    EXPECT_EQ(CSerialPort::ProbePort("/dev/no-such-port", &reason), PortProbe::Missing);
    EXPECT_EQ(reason, "No such file or directory");

    EXPECT_NE(port.Open("/dev/null"), StatusSuccess);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(CSerialPort::ProbePort("/dev/null"), PortProbe::Failed);
}

TEST(SerialPort, ClosedPortReportsNotOpen)
{
    CSerialPort port;
    EXPECT_EQ(port.GetBaudRate(), -1);
    EXPECT_EQ(port.LastError(), StatusNotOpen);
    EXPECT_EQ(port.GetEventMask(), 0u);
    EXPECT_EQ(port.LastError(), StatusNotOpen);
    std::size_t count = 7;
    char byte;
    EXPECT_EQ(port.Read(&byte, 1, &count, 0), StatusNotOpen);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(port.WriteText("x"), StatusNotOpen);
    EXPECT_EQ(port.Close(), StatusSuccess);
}

struct PortNameCase
{
    const char* name;
    const char* path;
};

class DevicePathTest : public testing::TestWithParam<PortNameCase>
{};

TEST_P(DevicePathTest, WindowsNamesMapOntoSerialDevices)
{
    EXPECT_EQ(CSerialPort::DevicePath(GetParam().name), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Names, DevicePathTest,
                         testing::Values(PortNameCase{"COM1", "/dev/ttyS0"},
                                         PortNameCase{"COM10", "/dev/ttyS9"},
                                         PortNameCase{"COM100", "/dev/ttyS99"},
                                         PortNameCase{"COM01", "/dev/ttyS0"},
                                         PortNameCase{"COM00", "COM00"},
                                         PortNameCase{"COM4294967296", "/dev/ttyS4294967295"},
                                         PortNameCase{"COM99999999999", "/dev/ttyS99999999998"},
                                         PortNameCase{"COM0", "COM0"}, PortNameCase{"COM", "COM"},
                                         PortNameCase{"COMX", "COMX"}, PortNameCase{"com1", "com1"},
                                         PortNameCase{"/dev/ttyUSB0", "/dev/ttyUSB0"}));

struct UnusableNameCase
{
    const char* label;
    std::string name;
    const char* text;
};

class UnusablePortNameTest : public testing::TestWithParam<UnusableNameCase>
{};

// Names come from the command line and from remembered settings; one that names no device is a
// port that does not open, never the end of the program.
TEST_P(UnusablePortNameTest, OpensNothingAndProbesAsMissing)
{
    CSerialPort port;
    EXPECT_EQ(port.Open(GetParam().name), StatusFileNotFound);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LastErrorText(), GetParam().text);
    std::string reason;
    EXPECT_EQ(CSerialPort::ProbePort(GetParam().name, &reason), PortProbe::Missing);
    EXPECT_EQ(reason, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Names, UnusablePortNameTest,
    testing::Values(UnusableNameCase{"comPast32Bits", "COM4294967296", "No such file or directory"},
                    UnusableNameCase{"comPastInt", "COM99999999999", "No such file or directory"},
                    UnusableNameCase{"comTooLong", "COM" + std::string(5000, '9'),
                                     "File name too long"},
                    UnusableNameCase{"underAFile", "/dev/null/port", "Not a directory"},
                    // Only the head before the NUL would reach the system.
                    UnusableNameCase{"embeddedNul", std::string("/dev/null\0port", 14),
                                     "No such file or directory"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SerialPortTest, ConfigureSetsLineAndParityChecking)
{
    EXPECT_EQ(port.Configure(38400, 8, 0, 0), StatusSuccess);
    EXPECT_EQ(port.GetBaudRate(), 38400);
    EXPECT_EQ(port.GetDataBits(), 8);
    EXPECT_EQ(port.GetParity(), 0);
    EXPECT_EQ(port.GetStopBits(), 0);

    // A pseudo-terminal keeps speed and stop bits but always frames eight bits without
    // parity, so those two cannot be read back here.
    EXPECT_EQ(port.Configure(9600, 7, 2, 2), StatusSuccess);
    EXPECT_EQ(port.GetBaudRate(), 9600);
    EXPECT_EQ(port.GetStopBits(), 2);

    EXPECT_EQ(port.Configure(12345, 8, 0, 0), StatusInvalidParameter);
    EXPECT_EQ(port.Configure(9600, 9, 0, 0), StatusInvalidParameter);
    EXPECT_EQ(port.GetBaudRate(), 9600);
}

TEST_F(SerialPortTest, HandshakingAndReadModeRejectUnknownModes)
{
    EXPECT_EQ(port.SetHandshaking(static_cast<Handshaking>(3)), StatusInvalidArgument);
    EXPECT_EQ(port.GetHandshaking(), Handshaking::Off);
    EXPECT_EQ(port.SetHandshaking(Handshaking::Software), StatusSuccess);
    EXPECT_EQ(port.GetHandshaking(), Handshaking::Software);
    EXPECT_EQ(port.SetHandshaking(Handshaking::Off), StatusSuccess);
    EXPECT_EQ(port.GetHandshaking(), Handshaking::Off);
    EXPECT_EQ(port.SetReadMode(static_cast<ReadMode>(2)), StatusInvalidArgument);
    EXPECT_EQ(port.SetEventCharacter('\n', true), StatusSuccess);
    EXPECT_EQ(port.GetEventCharacter(), '\n');
    EXPECT_EQ(port.GetEventMask(), DefaultEventMask | EventFlagCharacter);
}

TEST_F(SerialPortTest, ReadLineTakesBytesUpToTheCarriageReturn)
{
    std::string text;
    pty.Send("R\r\nM01\r");
    EXPECT_EQ(port.ReadLine(text, 1000), StatusSuccess);
    EXPECT_EQ(text, "R");
    // The line feed after a carriage return belongs to whatever is read next.
    EXPECT_EQ(port.ReadLine(text, 1000), StatusSuccess);
    EXPECT_EQ(text, "\nM01");

    // Back in non-blocking mode: an empty read returns at once.
    char byte;
    std::size_t count = 1;
    EXPECT_EQ(port.Read(&byte, 1, &count, Infinite), StatusSuccess);
    EXPECT_EQ(count, 0u);
}

TEST_F(SerialPortTest, ReadLineTimesOutPerByteKeepingWhatCame)
{
    std::string text;
    pty.Send("R");
    EXPECT_EQ(port.ReadLine(text, 200), StatusTimeout);
    EXPECT_EQ(text, "R");
    EXPECT_EQ(port.LastError(), StatusTimeout);
}

TEST_F(SerialPortTest, ReadLineGivesUpOnAnOverlongLine)
{
    std::string text;
    pty.Send(std::string(CSerialPort::MaxLineLength + 10, 'x') + "\r");
    EXPECT_EQ(port.ReadLine(text, 1000), StatusMoreData);
    EXPECT_EQ(text.size(), CSerialPort::MaxLineLength);
}

struct TrickleCase
{
    int baudRate;
    std::string bytes;
    SerialStatus status;
    const char* text;
};

class ReadLineTrickleTest : public testing::TestWithParam<TrickleCase>
{
protected:
    PtyPair pty;
    CSerialPort port;
};

// A device sending one byte a little inside the per-byte time-out, without a carriage return,
// once held the link for as long as MaxLineLength bytes take at that pace: about an hour. Only
// the time-out plus the wire time of the longest answer at the line's speed is granted.
TEST_P(ReadLineTrickleTest, WholeLineIsBoundedByTheWireTimeOfTheLongestAnswer)
{
    constexpr auto Patience = std::chrono::seconds(10);
    ASSERT_EQ(port.Open(pty.SlavePath()), StatusSuccess);
    ASSERT_EQ(port.Configure(GetParam().baudRate, 8, 0, 0), StatusSuccess);
    std::jthread device([this](std::stop_token stop) {
        for (const char byte : GetParam().bytes) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (stop.stop_requested())
                return;
            pty.Send(std::string(1, byte));
        }
    });

    std::string text;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.ReadLine(text, 1000), GetParam().status);
    EXPECT_LT(std::chrono::steady_clock::now() - start, Patience);
    if (GetParam().status == StatusSuccess) {
        EXPECT_EQ(text, GetParam().text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ReadLineTrickleTest,
    testing::Values(
        // Fifty bytes: today's pace would outlast the patience by far, yet the trickle ends.
        TrickleCase{38400, std::string(50, 'x'), StatusTimeout, ""},
        // Three seconds in all: past the bound at 38400 baud, well inside it at 4800.
        TrickleCase{4800, "ABCDEFGHI\r", StatusSuccess, "ABCDEFGHI"}));

using PortOperation = std::function<SerialStatus(CSerialPort&)>;

class CancelDescriptorTest : public SerialPortTest,
                             public testing::WithParamInterface<PortOperation>
{};

// The command-line tool's signal handler writes once into a pipe; a wait in progress must end,
// not run out its time-out.
TEST_P(CancelDescriptorTest, ReadableDescriptorEndsTheWaitAsInterrupted)
{
    int cancel[2];
    ASSERT_EQ(pipe2(cancel, O_CLOEXEC), 0);
    port.SetCancelDescriptor(cancel[0]);
    std::jthread handler([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(write(cancel[1], "!", 1), 1);
    });

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GetParam()(port), StatusAborted);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(port.LastErrorText(), "Interrupted");
    handler.join();

    port.SetCancelDescriptor(-1);
    std::string text;
    pty.Send("OK\r");
    EXPECT_EQ(port.ReadLine(text, 1000), StatusSuccess);
    EXPECT_EQ(text, "OK");
    close(cancel[0]);
    close(cancel[1]);
}

INSTANTIATE_TEST_SUITE_P(Waits, CancelDescriptorTest,
                         testing::Values(
                             [](CSerialPort& port) {
                                 std::string text;
                                 return port.ReadLine(text, 60000);
                             },
                             [](CSerialPort& port) {
                                 // Nobody reads the device side, so the write has to wait.
                                 const std::string block(1 << 20, 'x');
                                 return port.Write(block.data(), block.size(), nullptr, 60000);
                             }));

TEST_F(SerialPortTest, BlockingReadWaitsForAllBytesOrTimesOut)
{
    port.SetReadMode(ReadMode::Blocking);
    char buffer[4] = {};
    std::size_t count = 0;
    pty.Send("abcd");
    EXPECT_EQ(port.Read(buffer, 4, &count, 1000), StatusSuccess);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    pty.Send("ab");
    EXPECT_EQ(port.Read(buffer, 4, &count, 100), StatusTimeout);
    EXPECT_EQ(count, 2u);
}

TEST_F(SerialPortTest, WriteIntoAFullLineTimesOut)
{
    // Nobody reads the device side, so the terminal's buffer fills.
    const std::string block(1 << 20, 'x');
    std::size_t written = 0;
    EXPECT_EQ(port.Write(block.data(), block.size(), &written, 100), StatusTimeout);
    EXPECT_LT(written, block.size());
}

TEST_F(SerialPortTest, HangUpEndsReadsAtOnce)
{
    pty.HangUp();
    std::string text;
    const SerialStatus status = port.ReadLine(text, Infinite);
    EXPECT_NE(status, StatusSuccess);
    EXPECT_NE(status, StatusTimeout);
    EXPECT_EQ(port.LastErrorText(), "Input/output error");
}

} // namespace
