#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>
#include <sys/wait.h>
#include <thread>

#include "emulator/emulated_device.h"
#include "firmware/fileio.h"
#include "storage/settings_file.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Outcome
{
    int status;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Quoted(const std::string& text)
{
    return "'" + text + "'";
}

class CliTest : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("cli-test-" + std::to_string(getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        StartDevice({});
    }
    void TearDown() override
    {
        device.reset();
        fs::remove_all(folder);
    }

    void StartDevice(EmulatorOptions options)
    {
        device = std::make_unique<CEmulatedDevice>(std::move(options));
        std::string error;
        ASSERT_TRUE(device->Start(error)) << error;
    }

    // Runs the real program on the emulated device's port.
    Outcome Run(const std::string& arguments, const std::string& prefix = "")
    {
        const fs::path out = folder / "stdout", err = folder / "stderr";
        const std::string command = prefix + SONAVIRE_CLI_PATH + std::string(" --port ") +
                                    Quoted(device->PortPath()) + " " + arguments + " >" +
                                    Quoted(out) + " 2>" + Quoted(err) + " </dev/null";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
    }

    std::string WriteHex(const std::vector<unsigned char>& image)
    {
        const std::string path = folder / "image.hex";
        auto bytes = image;
        fileio(FileOperation::Write, path.c_str(), FileFormat::IntelHex, bytes.data(),
               static_cast<int>(bytes.size()));
        return path;
    }

    fs::path folder;
    std::unique_ptr<CEmulatedDevice> device;
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
                    UsageCase{"store now", 2, "takes no arguments"}));

TEST_F(CliTest, HelpForEveryCommand)
{
    for (const char* command :
         {"ports", "info", "retrieve", "download", "store", "set", "flash", "image", "monitor"}) {
        const Outcome outcome = Run(std::string(command) + " --help");
        EXPECT_EQ(outcome.status, 0) << command;
        EXPECT_NE(outcome.out.find(std::string("usage: sonavire-cli [--port PORT] ") + command),
                  std::string::npos)
            << outcome.out;
    }
    EXPECT_EQ(Run("--help").status, 0);
    EXPECT_EQ(Run("ports").status, 0);
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

TEST_F(CliTest, RetrieveFromTheBootloaderFails)
{
    device->SetUpdateMode(true);
    const Outcome outcome = Run("retrieve");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("OS Update mode"), std::string::npos);
}

TEST_F(CliTest, DownloadSendsEveryChannelAndStores)
{
    PanelSettings settings{};
    settings[4] = {63.88, 2.5, 9.9, FilterType::Notch};
    std::string error;
    ASSERT_TRUE(WriteSettingsFile(folder / "show.snv", settings, error));
    const Outcome outcome = Run("download " + Quoted(folder / "show.snv"));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const auto lines = device->ReceivedLines();
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[5], "NO-63.880-2.500-9.90005CC");
    EXPECT_EQ(lines[17], "ST");
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
