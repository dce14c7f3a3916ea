#include "tests/cli/cli_fixture.h"

#include <QSettings>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>
#include <regex>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "emulator/emulated_device.h"
#include "firmware/fileio.h"
#include "storage/port_preference.h"
#include "storage/settings_file.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class CliTest : public CliFixture
{
protected:
    std::string WriteHex(const std::vector<unsigned char>& image)
    {
        const std::string path = folder / "image.hex";
        auto bytes = image;
        fileio(FileOperation::Write, path.c_str(), FileFormat::IntelHex, bytes.data(),
               static_cast<int>(bytes.size()));
        return path;
    }
};

std::vector<unsigned char> CountingImage(int length)
{
    std::vector<unsigned char> image(length);
    std::iota(image.begin(), image.end(), 7);
    return image;
}

struct UsageCase
{
    const char* arguments;
    int status;
    const char* error;
};

class CliUsageTest : public CliTest, public testing::WithParamInterface<UsageCase>
{};

TEST_P(CliUsageTest, RejectsBadUsageBeforeTouchingTheDevice)
{
    const Outcome outcome = Run(GetParam().arguments);
    EXPECT_EQ(outcome.status, GetParam().status) << outcome.err;
    EXPECT_NE(outcome.err.find(GetParam().error), std::string::npos) << outcome.err;
    EXPECT_TRUE(device->ReceivedLines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliUsageTest,
    testing::Values(UsageCase{"", 2, "no command"}, UsageCase{"fly", 2, "unknown command fly"},
                    UsageCase{"--verbose info", 2, "unknown option"},
                    UsageCase{"set 17 gain 1", 2, "channel number from 1 to 16"},
                    UsageCase{"set 0 gain 1", 2, "channel number from 1 to 16"},
                    UsageCase{"set 1 gain loud", 2, "must be a number"},
                    UsageCase{"set 1 filter XX", 2, "a filter is one of"},
                    UsageCase{"set 1 pan 3", 2, "freq, q, gain or filter"},
                    UsageCase{"download show.txt", 2, "not a valid Sonavire file"},
                    UsageCase{"download missing.snv", 2, "does not exist"},
                    UsageCase{"flash image.bin", 2, "not a valid hex file"},
                    UsageCase{"flash /nonexistent.hex", 2, "holds no firmware image"},
                    UsageCase{"retrieve -o show.txt", 2, "not a valid Sonavire file name"},
                    UsageCase{"retrieve -o ''", 2, "-o needs a file name"},
                    UsageCase{"image in.hex -o ''", 2, "usage: image"},
                    UsageCase{"--port= info", 2, "--port needs a port name"},
                    UsageCase{"--port '' info", 2, "--port needs a port name"},
                    UsageCase{"set 1 freq nan", 2, "freq must be a number from 40 to 8000"},
                    UsageCase{"set 1 freq 39.99", 2, "freq must be a number from 40 to 8000"},
                    UsageCase{"set 1 q inf", 2, "q must be a number from 0.15 to 5"},
                    UsageCase{"set 1 gain 1e308", 2, "gain must be a number from 0 to 9.9"},
                    UsageCase{"set 1 gain -0.1", 2, "gain must be a number from 0 to 9.9"},
                    UsageCase{"set 1 gain ''", 2, "gain must be a number from 0 to 9.9"},
                    UsageCase{"store now", 2, "takes no arguments"}));

// Names that stand for no port end in a refused connection, never in an abort.
TEST_F(CliTest, UnusablePortNamesAreDeviceFailures)
{
    for (const char* name : {"COM99999999999", "COM4294967296", "COM0", "/dev/no-such-port"}) {
        const Outcome outcome =
            RunCommand(std::string(SONAVIRE_CLI_PATH) + " --port " + name + " info");
        EXPECT_EQ(outcome.status, 1) << name;
        EXPECT_NE(outcome.err.find("unable to connect to Sonavire: cannot open"), std::string::npos)
            << outcome.err;
    }
}

// The tool finds the port exactly where and as the panel wrote it, escaping included.
TEST_F(CliTest, UsesThePortThePanelRemembers)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(folder));
    const fs::path oddName = folder / "port, \"A\"=1;#\\x";
    fs::create_symlink(device->PortPath(), oddName);
    const std::string withoutPort =
        "XDG_CONFIG_HOME=" + Quoted(folder) + " " + SONAVIRE_CLI_PATH + " info";

    WriteRememberedPort(oddName);
    const Outcome remembered = RunCommand(withoutPort);
    EXPECT_EQ(remembered.status, 0) << remembered.err;
    EXPECT_NE(remembered.out.find("port            " + oddName.string() + "\n"), std::string::npos)
        << remembered.out;

    WriteRememberedPort("COM4294967296");
    const Outcome unusable = RunCommand(withoutPort);
    EXPECT_EQ(unusable.status, 1);
    EXPECT_NE(unusable.err.find("unable to connect"), std::string::npos) << unusable.err;
}

TEST_F(CliTest, HelpForEveryCommand)
{
    for (const char* command : {"ports", "info", "retrieve", "download", "store", "set", "flash",
                                "image", "monitor", "diff", "response"}) {
        const Outcome outcome = Run(std::string(command) + " --help");
        EXPECT_EQ(outcome.status, 0) << command;
        EXPECT_NE(outcome.out.find(std::string("usage: sonavire-cli [--port PORT] ") + command),
                  std::string::npos)
            << outcome.out;
    }
    EXPECT_EQ(Run("--help").status, 0);
}

// Whatever ports this machine has, each line names the adapter and its device, then its
// state, then the by-id name when it has one.
TEST_F(CliTest, PortsNameEachPortAndItsState)
{
    const Outcome outcome = Run("ports");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    const std::regex line("(.+ on )?/dev/\\S+\t(free|in use by another program|"
                          "no permission \\(.+\\)|unavailable \\(.+\\))"
                          "(\t/dev/serial/by-id/\\S+)?");
    std::istringstream lines(outcome.out);
    for (std::string text; std::getline(lines, text);)
        EXPECT_TRUE(std::regex_match(text, line)) << text;
}

TEST_F(CliTest, InfoShowsIdentificationModeVersionAndFrontPanel)
{
    const Outcome outcome = Run("info");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("identification  Sonavire v1.02\n"), std::string::npos);
    EXPECT_NE(outcome.out.find("mode            live\n"), std::string::npos);
    EXPECT_NE(outcome.out.find("version         Sonavire v1.02\n"), std::string::npos);
    EXPECT_NE(outcome.out.find("front panel     locked"), std::string::npos);
    EXPECT_EQ(device->ReceivedLines(), (std::vector<std::string>{"?V", "?M", "?V", "FP"}));
}

TEST_F(CliTest, AbsentDeviceIsADeviceFailure)
{
    const Outcome outcome =
        Run("info", std::string(SONAVIRE_CLI_PATH) + " --port /dev/no-such-port info; exit $? #");
    EXPECT_EQ(outcome.status, 1);
    device->InjectFault(Fault::Silence);
    const Outcome silent = Run("store");
    EXPECT_EQ(silent.status, 1);
    EXPECT_NE(silent.err.find("unable to connect to Sonavire: no answer"), std::string::npos);
}

TEST_F(CliTest, RetrievePrintsAndSavesTheChannels)
{
    for (int index = 0; index < 16; ++index)
        device->SetChannelSettings(
            index, {250.0 * (index + 1), 1.25, index * 0.5, static_cast<FilterType>(index % 6)});
    const Outcome outcome = Run("retrieve -o " + Quoted(folder / "show"));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("03  HP       750.000    1.250  1.000\n"), std::string::npos)
        << outcome.out;

    PanelSettings expected{};
    for (int index = 0; index < 16; ++index)
        expected[index] = device->Settings()[index];
    EXPECT_EQ(ReadFile(folder / "show.snv"), SettingsFileText(expected));
    EXPECT_EQ(device->ReceivedLines().size(), 1u + 1 + 50);
}

// The bootloader is told nothing it would misread: each command stops after the mode query.
TEST_F(CliTest, CommandsAgainstTheBootloaderStopAfterTheModeQuery)
{
    std::string error;
    ASSERT_TRUE(WriteSettingsFile(folder / "show.snv", PanelSettings{}, error));
    device->SetUpdateMode(true);
    struct Case
    {
        std::string arguments;
        int status;
        const char* said;
    };
    const Case cases[] = {
        {"retrieve", 1, "OS Update mode"},
        {"download " + Quoted(folder / "show.snv"), 1, "OS Update mode"},
        {"info", 0, "mode            firmware update\n"},
    };
    for (const Case& c : cases) {
        const std::size_t before = device->ReceivedLineCount();
        const Outcome outcome = Run(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments;
        EXPECT_NE((outcome.out + outcome.err).find(c.said), std::string::npos) << c.arguments;
        const auto lines = device->ReceivedLines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(before), lines.end()),
                  (std::vector<std::string>{"?V", "?M"}))
            << c.arguments;
    }
}

struct BadAnswerCase
{
    const char* command;
    Fault fault;
    const char* at;
    const char* said;
};

class CliBadAnswerTest : public CliTest, public testing::WithParamInterface<BadAnswerCase>
{};

// A read that is refused, garbled or unanswered fails the command, names the exchange, and
// leaves the file a retrieve would have written as it was.
TEST_P(CliBadAnswerTest, FailsNamingTheExchangeAndKeepsTheOutputFile)
{
    const BadAnswerCase& c = GetParam();
    const fs::path output = folder / "kept.snv";
    std::ofstream(output) << "old contents";
    device->InjectFault(c.fault, FaultTrigger::AtCommand(c.at));
    const std::string arguments =
        std::string(c.command) +
        (c.command == std::string("retrieve") ? " -o " + Quoted(output) : "");
    const Outcome outcome = Run(arguments);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find(c.said), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.out.find("CH  FILTER"), std::string::npos);
    EXPECT_EQ(outcome.out.find("front panel"), std::string::npos);
    EXPECT_EQ(ReadFile(output), "old contents");
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliBadAnswerTest,
    testing::Values(
        BadAnswerCase{"retrieve", Fault::Refusal, "05FR",
                      "channel 5, command 05FR: the device answered \"E\""},
        BadAnswerCase{"retrieve", Fault::Garbage, "QS", "command QS: the device answered \""},
        BadAnswerCase{"retrieve", Fault::Silence, "03FQ", "channel 3, command 03FQ: no answer"},
        BadAnswerCase{"retrieve", Fault::Garbage, "16FI", "channel 16, command 16FI"},
        BadAnswerCase{"info", Fault::Garbage, "FP", "command FP: the device answered"},
        BadAnswerCase{"info", Fault::Refusal, "?M", "command ?M: the device answered \"E\""}));

TEST_F(CliTest, DownloadSendsEveryChannelAndStores)
{
    PanelSettings settings{};
    settings[4] = {63.88, 2.5, 9.9, FilterType::Notch};
    std::string error;
    ASSERT_TRUE(WriteSettingsFile(folder / "show.snv", settings, error));
    const Outcome outcome = Run("download " + Quoted(folder / "show.snv"));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const auto lines = device->ReceivedLines();
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[1], "?M");
    EXPECT_EQ(lines[6], "NO-63.880-2.500-9.90005CC");
    EXPECT_EQ(lines[18], "ST");
    EXPECT_EQ(device->StoredSettings()[4].gain, 9.9);

    device->InjectFault(Fault::Refusal, FaultTrigger::AtCommand("ST"));
    const Outcome refused = Run("download " + Quoted(folder / "show.snv"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("the store was not acknowledged"), std::string::npos);
}

TEST_F(CliTest, SetAndStoreChangeTheDevice)
{
    EXPECT_EQ(Run("set 3 gain 2.5").status, 0);
    EXPECT_EQ(Run("set 16 filter lp").status, 0);
    EXPECT_EQ(Run("set 1 freq 4000").status, 0);
    EXPECT_EQ(Run("set 1 q 0.15").status, 0);
    EXPECT_EQ(Run("store").status, 0);
    const PanelSettings stored = device->StoredSettings();
    EXPECT_EQ(stored[2].gain, 2.5);
    EXPECT_EQ(stored[15].filter, FilterType::Low);
    EXPECT_EQ(stored[0].freq, 4000.0);
    EXPECT_EQ(stored[0].q, 0.15);

    device->InjectFault(Fault::Refusal, FaultTrigger::AtCommandPrefix("2.000"));
    EXPECT_EQ(Run("set 3 gain 2").status, 1);
}

TEST_F(CliTest, ImageWritesTheBytesThePanelWouldSend)
{
    const auto image = CountingImage(0x1F01);
    const std::string hex = WriteHex(image);
    const Outcome outcome = Run("image " + Quoted(hex) + " -o " + Quoted(folder / "out.bin"));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "length 7937\npages 32\n");
    const std::string bytes = ReadFile(folder / "out.bin");
    EXPECT_EQ(bytes, std::string(image.begin(), image.end()));
}

// A failed write names its reason and leaves every file it touched as it was.
TEST_F(CliTest, ImageOutputIsWrittenWholeOrNotAtAll)
{
    const std::string hex = WriteHex(CountingImage(0x300));
    const std::string hexBefore = ReadFile(hex);
    fs::create_symlink("/dev/null", folder / "null.bin");
    struct Case
    {
        std::string output;
        const char* reason;
    };
    const Case cases[] = {
        {hex, "it is the input file"},
        {(folder / "no-such-folder" / "out.bin").string(), "cannot write"},
        {(folder / "null.bin").string(), "not a regular file"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Run("image " + Quoted(hex) + " -o " + Quoted(c.output));
        EXPECT_EQ(outcome.status, 2) << c.output;
        EXPECT_NE(outcome.err.find(c.reason), std::string::npos) << outcome.err;
    }
    EXPECT_EQ(ReadFile(hex), hexBefore);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_symlink(folder / "null.bin"));
}

// Ctrl-C ends the tool at once even while the device trickles an answer, and the line is
// not left marked exclusive for the next program.
TEST_F(CliTest, AnInterruptEndsATricklingExchangeAndReleasesThePort)
{
    device->SetTrickleDelay(900ms);
    device->InjectFault(Fault::Trickle, FaultTrigger::AtCommand("QS"));
    const auto start = std::chrono::steady_clock::now();
    const Outcome outcome = Run("retrieve", "timeout --preserve-status -s INT 1 ");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("interrupted"), std::string::npos) << outcome.err;
    // The answer alone would hold the line for over a second more.
    EXPECT_LT(elapsed, 1800ms);

    const int line = open(device->PortPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(line, 0);
    int exclusive = -1;
    EXPECT_EQ(ioctl(line, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    close(line);
}

TEST_F(CliTest, FlashSendsTheImageToTheBootloader)
{
    const auto image = CountingImage(0x1000);
    const std::string hex = WriteHex(image);
    EXPECT_EQ(Run("flash " + Quoted(hex)).status, 1); // not in firmware-update mode

    device->SetUpdateMode(true);
    const Outcome outcome = Run("flash " + Quoted(hex));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("Programming Sonavire Firmware;   6%\n"), std::string::npos);
    EXPECT_TRUE(outcome.err.ends_with("Programming Sonavire Firmware; Complete!\n"));
    const auto received = device->ReceivedImage();
    ASSERT_GE(received.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), received.begin()));

    device->AbortTransferAfterPages(3);
    const Outcome aborted = Run("flash " + Quoted(hex));
    EXPECT_EQ(aborted.status, 1);
    EXPECT_NE(aborted.err.find("ERROR! Update Aborted"), std::string::npos) << aborted.err;
}

TEST_F(CliTest, MonitorPrintsChangesUntilInterrupted)
{
    std::thread knob([this] {
        std::this_thread::sleep_for(1500ms);
        device->SetFrontPanelActive(true);
        device->SetFrontPanelVolume(1, 4.5);
    });
    const Outcome outcome = Run("monitor", "timeout --preserve-status -s INT 4 ");
    knob.join();
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("mode live\n"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("version Sonavire v1.02\n"), std::string::npos);
    EXPECT_NE(outcome.out.find("front panel active"), std::string::npos);
    EXPECT_NE(outcome.out.find("gain 2 4.500\n"), std::string::npos);
}

TEST_F(CliTest, MonitorReportsALostConnection)
{
    device->InjectFault(Fault::HangUp, FaultTrigger::AfterCommands(6));
    const Outcome outcome = Run("monitor", "timeout 20 ");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("Lost Connection with Sonavire"), std::string::npos);
}

} // namespace
