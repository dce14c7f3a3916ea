#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>
#include <thread>

#include "device/command_set.h"
#include "device/device_link.h"
#include "firmware/fileio.h"
#include "tests/device/device_link_fixture.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The device works on its own thread; what it received shows a moment after it was sent.
template <typename Condition>
bool WaitUntil(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::vector<std::string> FullReadLines()
{
    std::vector<std::string> lines = {"FP", "QS"};
    for (const char* token : {"FI", "FR", "FQ"}) {
        for (int index = 0; index < ChannelCount; ++index)
            lines.push_back(MakeChannelQuery(index, token));
    }
    return lines;
}

// The modes state messages named, each with how it changed.
using PostedStates = std::vector<std::pair<ControlMode, CDeviceLink::ModeChange>>;

class DeviceLinkTest : public DeviceLinkFixture
{
protected:
    void ExpectDropped()
    {
        EXPECT_FALSE(link.IsPortOpen());
        EXPECT_EQ(link.mode, ControlMode::Offline);
        EXPECT_TRUE(link.frontPanelLocked);
    }

    // The state messages posted since the last call.
    PostedStates StateMessages()
    {
        PostedStates posted;
        while (const auto message = queue.Take(0ms)) {
            if (message->message == CDeviceLink::StateMessage())
                posted.emplace_back(static_cast<ControlMode>(message->wParam),
                                    static_cast<CDeviceLink::ModeChange>(message->lParam));
        }
        return posted;
    }
};

TEST_F(DeviceLinkTest, ConnectIdentifiesButStaysOffline)
{
    EXPECT_FALSE(link.frontPanelLocked);
    ASSERT_TRUE(link.Connect(device->PortPath()));
    EXPECT_EQ(link.mode, ControlMode::Offline);
    EXPECT_EQ(link.Identification(), "Sonavire v1.02");
    EXPECT_EQ(NewLines(), std::vector<std::string>{"?V"});

    EXPECT_TRUE(link.QueryMode());
    EXPECT_EQ(link.mode, ControlMode::Live);
    EXPECT_TRUE(link.Connect(device->PortPath()));
    EXPECT_EQ(NewLines(), std::vector<std::string>{"?M"});
}

TEST_F(DeviceLinkTest, ConnectRefusesADeviceThatIsNoSonavire)
{
    device->InjectFault(Fault::Garbage);
    EXPECT_FALSE(link.Connect(device->PortPath()));
    EXPECT_FALSE(link.IsPortOpen());
    EXPECT_FALSE(link.ConnectFailure().empty());
}

TEST_F(DeviceLinkTest, ConnectToAMissingPortFails)
{
    EXPECT_FALSE(link.Connect("/dev/no-such-port"));
    EXPECT_EQ(link.ConnectFailure(), "cannot open /dev/no-such-port: No such file or directory");
    EXPECT_FALSE(link.IsPortOpen());
}

TEST_F(DeviceLinkTest, BootloaderConnectsInFirmwareUpdateMode)
{
    device->SetUpdateMode(true);
    ASSERT_TRUE(link.Connect(device->PortPath()));
    EXPECT_EQ(link.Identification(), "Sonavire Bootloader v1.01");
    EXPECT_TRUE(link.QueryMode());
    EXPECT_EQ(link.mode, ControlMode::FirmwareUpdate);
}

TEST_F(DeviceLinkTest, QueriesOfAnOfflineLinkSendNothing)
{
    EXPECT_FALSE(link.QueryFrontPanel());
    EXPECT_FALSE(link.QueryVersion());
    PanelSettings settings{};
    EXPECT_FALSE(link.ReadGains(settings));
    EXPECT_FALSE(link.SetGain(0, 1.0));
    EXPECT_FALSE(link.QueryMode());

    ConnectLive();
    link.Disconnect();
    EXPECT_TRUE(link.frontPanelLocked);
    link.mode = ControlMode::Live;
    EXPECT_TRUE(link.QueryMode());
    EXPECT_EQ(link.mode, ControlMode::Offline);
    EXPECT_EQ(NewLines(), (std::vector<std::string>{"?V", "?M"}));
}

TEST_F(DeviceLinkTest, FullReadAsksInOrderAndFillsTheChannels)
{
    for (int index = 0; index < ChannelCount; ++index) {
        device->SetChannelSettings(index, {100.0 + index, 0.5 + index * 0.25, index * 0.5,
                                           static_cast<FilterType>(index % FilterTypeCount)});
    }
    ConnectLive();
    NewLines();

    PanelSettings settings{};
    EXPECT_TRUE(link.QueryFrontPanel());
    EXPECT_TRUE(link.frontPanelLocked);
    EXPECT_TRUE(link.ReadGains(settings));
    EXPECT_TRUE(link.ReadFilterTypes(settings));
    EXPECT_TRUE(link.ReadFrequencies(settings));
    EXPECT_TRUE(link.ReadQs(settings));
    EXPECT_EQ(NewLines(), FullReadLines());
    for (int index = 0; index < ChannelCount; ++index) {
        EXPECT_EQ(settings[index].freq, 100.0 + index);
        EXPECT_EQ(settings[index].q, 0.5 + index * 0.25);
        EXPECT_EQ(settings[index].gain, index * 0.5);
        EXPECT_EQ(settings[index].filter, static_cast<FilterType>(index % FilterTypeCount));
    }
    EXPECT_EQ(settings[MasterStrip], StripSettings{});

    // A second read finds nothing new.
    EXPECT_FALSE(link.ReadGains(settings));
    EXPECT_FALSE(link.ReadQs(settings));
}

TEST_F(DeviceLinkTest, VersionPollKeepsTheWholeAnswer)
{
    ConnectLive();
    EXPECT_TRUE(link.QueryVersion());
    EXPECT_EQ(link.versionText, "Sonavire v1.02");
    device->InjectFault(Fault::Garbage);
    EXPECT_FALSE(link.QueryVersion());
    EXPECT_EQ(link.versionText, "");
    EXPECT_TRUE(link.IsPortOpen());
}

TEST_F(DeviceLinkTest, SilenceMidReadKeepsEarlierChannelsAndDrops)
{
    for (int index = 0; index < ChannelCount; ++index)
        device->SetChannelSettings(index, {500.0, 0.707, 0.0, FilterType::Flat});
    ConnectLive();
    device->InjectFault(Fault::Silence, FaultTrigger::AtCommand("05FR"));
    PanelSettings settings{};
    EXPECT_FALSE(link.ReadFrequencies(settings));
    for (int index = 0; index < 4; ++index)
        EXPECT_EQ(settings[index].freq, 500.0);
    EXPECT_EQ(settings[4].freq, 1000.0);
    ExpectDropped();
}

TEST_F(DeviceLinkTest, UnknownFilterTokenEndsTheReadButKeepsTheLink)
{
    device->SetChannelSettings(0, {1000.0, 0.707, 0.0, FilterType::Low});
    device->SetChannelSettings(1, {1000.0, 0.707, 0.0, FilterType::High});
    ConnectLive();
    device->InjectFault(Fault::Garbage, FaultTrigger::AtCommand("03FI"));
    PanelSettings settings{};
    EXPECT_FALSE(link.ReadFilterTypes(settings));
    EXPECT_EQ(settings[0].filter, FilterType::Low);
    EXPECT_EQ(settings[1].filter, FilterType::High);
    EXPECT_TRUE(link.IsPortOpen());
    EXPECT_EQ(link.mode, ControlMode::Live);
}

struct BadReadCase
{
    const char* name;
    Fault fault;
    const char* at; // the fault lasts from this command on
    std::vector<std::string> sentNext;
    const char* failure;
    std::array<int, 4> answered; // channels whose gain, filter, frequency and Q came through
};

class DeviceLinkBadReadTest : public DeviceLinkTest, public testing::WithParamInterface<BadReadCase>
{};

// A refused or garbled read keeps every value the panel held and names the first exchange
// that went wrong; the number reads go on to the remaining channels, a filter read ends.
TEST_P(DeviceLinkBadReadTest, KeepsHeldValuesAndNamesTheExchange)
{
    const BadReadCase& c = GetParam();
    const StripSettings sent{500.0, 2.0, 3.5, FilterType::Low};
    const StripSettings held{800.0, 1.5, 7.25, FilterType::Notch};
    for (int index = 0; index < ChannelCount; ++index)
        device->SetChannelSettings(index, sent);
    ConnectLive();
    PanelSettings settings{};
    settings.fill(held);
    device->InjectFault(c.fault, FaultTrigger::AtCommand(c.at));
    NewLines();
    link.ReadGains(settings);
    link.ReadFilterTypes(settings);
    link.ReadFrequencies(settings);
    link.ReadQs(settings);

    const auto lines = NewLines();
    const auto wrong = std::find(lines.begin(), lines.end(), c.at);
    ASSERT_LT(wrong + static_cast<long>(c.sentNext.size()), lines.end());
    EXPECT_EQ(std::vector<std::string>(wrong + 1, wrong + 1 + static_cast<long>(c.sentNext.size())),
              c.sentNext);
    EXPECT_EQ(link.TakeFailure(), c.failure);
    EXPECT_EQ(link.TakeFailure(), "");
    EXPECT_TRUE(link.IsPortOpen());
    for (int index = 0; index < ChannelCount; ++index) {
        const auto expect = [&](int field, const auto& member) {
            return index < c.answered[field] ? sent.*member : held.*member;
        };
        EXPECT_EQ(settings[index].gain, expect(0, &StripSettings::gain)) << index;
        EXPECT_EQ(settings[index].filter, expect(1, &StripSettings::filter)) << index;
        EXPECT_EQ(settings[index].freq, expect(2, &StripSettings::freq)) << index;
        EXPECT_EQ(settings[index].q, expect(3, &StripSettings::q)) << index;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DeviceLinkBadReadTest,
    testing::Values(BadReadCase{"refusedGains",
                                Fault::Refusal,
                                "QS",
                                {"01FI"},
                                "command QS: the device answered \"E\"",
                                {0, 0, 0, 0}},
                    BadReadCase{"garbledGains",
                                Fault::Garbage,
                                "QS",
                                {"01FI"},
                                "command QS: the device answered \"#?x7\"",
                                {0, 0, 0, 0}},
                    BadReadCase{"refusedFrequency",
                                Fault::Refusal,
                                "05FR",
                                {"06FR", "07FR"},
                                "channel 5, command 05FR: the device answered \"E\"",
                                {16, 16, 4, 0}},
                    BadReadCase{"garbledFilter",
                                Fault::Garbage,
                                "09FI",
                                {"01FR"},
                                "channel 9, command 09FI: the device answered \"#?x7\"",
                                {16, 8, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeviceLinkTest, SetsSendTheirCommandsAndNeedTheAcknowledgement)
{
    ASSERT_TRUE(link.Connect(device->PortPath()));
    NewLines();
    EXPECT_FALSE(link.SetFilterType(0, static_cast<FilterType>(7)));
    EXPECT_FALSE(link.SetChannel(0, static_cast<FilterType>(-1), 1000.0, 0.7, 0.0));
    EXPECT_TRUE(NewLines().empty());

    EXPECT_TRUE(link.SetGain(0, 1.5));
    EXPECT_TRUE(link.SetFrequency(15, 40.0));
    EXPECT_TRUE(link.SetQ(9, 0.15));
    EXPECT_TRUE(link.SetFilterType(4, FilterType::Low));
    EXPECT_TRUE(link.SetChannel(0, FilterType::Flat, 1000.0, 0.707, 0.0));
    EXPECT_TRUE(link.StoreSettings());
    EXPECT_EQ(NewLines(),
              (std::vector<std::string>{"1.50001GA", "40.00016FR", "0.15010FQ", "LP05FI",
                                        "FL-1000.000-0.707-0.00001CC", "ST"}));
    EXPECT_EQ(device->Settings()[4].filter, FilterType::Low);
    EXPECT_EQ(device->StoredSettings()[15].freq, 40.0);

    device->InjectFault(Fault::Refusal);
    EXPECT_FALSE(link.SetGain(0, 2.0));
    EXPECT_FALSE(link.StoreSettings());
    EXPECT_TRUE(link.IsPortOpen());
}

TEST_F(DeviceLinkTest, TrickledAnswersStillArrive)
{
    ASSERT_TRUE(link.Connect(device->PortPath()));
    device->SetTrickleDelay(300ms);
    device->InjectFault(Fault::Trickle);
    EXPECT_TRUE(link.SetGain(2, 3.0));
    EXPECT_TRUE(link.IsPortOpen());
}

struct DropCase
{
    const char* name;
    Fault fault;
};

class DeviceLinkDropTest : public DeviceLinkTest, public testing::WithParamInterface<DropCase>
{};

// Every way of not answering ends the exchange and the connection, and none of them holds
// the link longer than the per-byte wait.
TEST_P(DeviceLinkDropTest, DropsTheLinkOnAMissingAnswer)
{
    ConnectLive();
    device->InjectFault(GetParam().fault);
    EXPECT_TRUE(link.QueryMode());
    ExpectDropped();
    EXPECT_FALSE(link.SetGain(0, 1.0));
}

INSTANTIATE_TEST_SUITE_P(Faults, DeviceLinkDropTest,
                         testing::Values(DropCase{"silence", Fault::Silence},
                                         DropCase{"flood", Fault::Flood},
                                         DropCase{"hangUp", Fault::HangUp}),
                         [](const auto& info) { return std::string(info.param.name); });

// The owner hears of every change of mode once, with what the mode became and whether the
// line was lost; an exchange that leaves the mode as it was posts nothing.
TEST_F(DeviceLinkTest, EveryChangeOfModeIsPostedOnce)
{
    using enum CDeviceLink::ModeChange;
    ConnectLive();
    link.QueryMode();
    device->SetUpdateMode(true);
    link.QueryMode();
    device->InjectFault(Fault::Silence);
    link.QueryMode();
    link.Disconnect();
    EXPECT_EQ(StateMessages(), (PostedStates{{ControlMode::Live, Ordinary},
                                             {ControlMode::FirmwareUpdate, Ordinary},
                                             {ControlMode::Offline, Dropped}}));

    device->ClearFaults();
    ASSERT_TRUE(link.Connect(device->PortPath()));
    link.QueryMode();
    link.Disconnect();
    EXPECT_EQ(StateMessages(), (PostedStates{{ControlMode::FirmwareUpdate, Ordinary},
                                             {ControlMode::Offline, Ordinary}}));
}

class FirmwareTransferTest : public DeviceLinkTest
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("link-firmware-" + std::to_string(getpid()));
        fs::create_directories(folder);
        EmulatorOptions options;
        options.updateMode = true;
        StartDevice(options);
        ASSERT_TRUE(link.Connect(device->PortPath()));
        ASSERT_TRUE(link.QueryMode());
        ASSERT_EQ(link.mode, ControlMode::FirmwareUpdate);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::vector<std::uint8_t> WriteImage(int length)
    {
        std::vector<std::uint8_t> image(length);
        std::iota(image.begin(), image.end(), std::uint8_t{1});
        const std::string path = folder / "image.hex";
        EXPECT_EQ(
            fileio(FileOperation::Write, path.c_str(), FileFormat::IntelHex, image.data(), length),
            length);
        return image;
    }

    // Runs the transfer as the panel does, collecting every progress text.
    std::vector<std::string> Transfer()
    {
        link.StartFirmwareUpdate(folder / "image.hex");
        std::vector<std::string> texts;
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (link.programming && std::chrono::steady_clock::now() < deadline) {
            const auto message = queue.Take(200ms);
            if (message && message->message == CSerialWnd::DefaultMessage())
                link.OnSerialEvent(message->wParam);
            if (!link.progressText.empty())
                texts.push_back(std::exchange(link.progressText, {}));
        }
        return texts;
    }

    fs::path folder;
};

std::string Progress(const char* percent)
{
    return std::string("Programming Sonavire Firmware; ") + percent + "%" + std::string(22, ' ');
}

TEST_F(FirmwareTransferTest, SendsEveryPageThenTheEndFrame)
{
    const auto image = WriteImage(0x1F01);
    const auto texts = Transfer();
    EXPECT_FALSE(link.programming);
    ASSERT_EQ(texts.size(), 32u);
    EXPECT_EQ(texts[0], Progress("  3"));
    EXPECT_EQ(texts[1], Progress("  6"));
    EXPECT_EQ(texts[30], Progress("100"));
    EXPECT_EQ(texts[31], "Programming Sonavire Firmware; Complete!");

    ASSERT_TRUE(WaitUntil([&] { return device->TransferComplete(); }));
    const auto received = device->ReceivedImage();
    ASSERT_EQ(received.size(), 32u * 256);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), received.begin()));
    EXPECT_TRUE(std::all_of(received.begin() + 0x1F01, received.end(),
                            [](auto b) { return b == ImageFillByte; }));
    EXPECT_EQ(link.mode, ControlMode::FirmwareUpdate);
}

TEST_F(FirmwareTransferTest, AFullImageSendsItsSparePageOfErasedFlash)
{
    const auto image = WriteImage(FirmwareImageCapacity);
    const auto texts = Transfer();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "Programming Sonavire Firmware; Complete!");
    ASSERT_TRUE(WaitUntil([&] { return device->TransferComplete(); }));
    const auto received = device->ReceivedImage();
    ASSERT_EQ(received.size(), 513u * 256);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), received.begin()));
    EXPECT_TRUE(std::all_of(received.begin() + FirmwareImageCapacity, received.end(),
                            [](auto b) { return b == ImageFillByte; }));
}

TEST_F(FirmwareTransferTest, TheDeviceCanAbort)
{
    WriteImage(0x1000);
    device->AbortTransferAfterPages(2);
    const auto texts = Transfer();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[2], "Programming Sonavire Firmware; ERROR! Update Aborted");
    EXPECT_FALSE(link.programming);
    EXPECT_EQ(device->PagesReceived(), 2);
}

TEST_F(FirmwareTransferTest, ADeviceThatStopsAskingEndsTheTransfer)
{
    WriteImage(0x1000);
    device->InjectFault(Fault::Silence, FaultTrigger::AtCommand("UF"));
    link.StartFirmwareUpdate(folder / "image.hex");
    ASSERT_TRUE(link.programming);
    const auto now = std::chrono::steady_clock::now();
    link.CheckFirmwareResponse(now + 9s);
    EXPECT_TRUE(link.programming);
    link.CheckFirmwareResponse(now + 11s);
    EXPECT_FALSE(link.programming);
    EXPECT_EQ(link.progressText, "Programming Sonavire Firmware; ERROR! No response from Sonavire");
}

TEST_F(FirmwareTransferTest, AnImagelessFileSendsNothing)
{
    const std::string path = folder / "empty.hex";
    std::ofstream(path) << ":00000001FF\n";
    NewLines();
    link.StartFirmwareUpdate(path);
    link.StartFirmwareUpdate("");
    EXPECT_FALSE(link.programming);
    EXPECT_TRUE(NewLines().empty());
}

} // namespace
