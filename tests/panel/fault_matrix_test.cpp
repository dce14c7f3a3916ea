#include "tests/panel/panel_fixture.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/command_set.h"
#include "firmware/fileio.h"
#include "storage/settings_file.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Mid-way through the channels, so that the exchanges before it succeed and those after it
// show whether the panel waits for each of them again.
constexpr int FaultChannel = 4;
constexpr int ImageLength = 0x1F00;
constexpr int PagesBeforeTrouble = 2;

// How much longer than its time-outs a handler may take on a machine busy with other work.
constexpr milliseconds Margin{2000};
// The transfer's silence is noticed at the timer's next tick.
constexpr milliseconds Tick{1000};

constexpr const char* Unable = "Unable to connect to Sonavire - Check Hardware";
constexpr const char* Retrieved = "Settings Retrieved";
constexpr const char* DownloadFailed = "Download Failed! Check connection and try again.";
constexpr const char* Downloaded = "Settings downloaded and stored Successfully!";
constexpr const char* StoreFailed = "Store Failed! Check connection and try again.";
constexpr const char* Stored = "Settings stored successfully!";
constexpr const char* Lost = "Lost Connection with Sonavire";
constexpr const char* NoResponse =
    "Programming Sonavire Firmware; ERROR! No response from Sonavire";
constexpr const char* Aborted = "Programming Sonavire Firmware; ERROR! Update Aborted";
constexpr const char* Complete = "Programming Sonavire Firmware; Complete!";
// Put on the line before a poll and held there, so that any text the poll shows stands out.
constexpr const char* BeforeThePoll = "Waiting for the poll";

enum class Exchange
{
    Connect,
    Retrieve,
    DownloadAndStore,
    LiveStore,
    Poll,
    FirmwareTransfer,
};

enum class Misbehaviour
{
    Silence,
    Garbage,
    Refusal,
    Trickle,
    Flood,
    HangUp,
    Abort, // the device gives the firmware transfer up after a few pages
};

// What the panel holds after the exchange, from what it held and what the device holds.
enum class SettingsAfter
{
    Held,
    AllRead,
    // The read stopped at the fault: every filter and gain, and the frequencies of the
    // channels before it.
    ReadToFaultChannelFrequency,
};

struct ExchangePlan
{
    const char* name;
    // The longest single wait the exchange can make.
    milliseconds wait;
    // Per byte of the trickled answer: where the panel waits per byte, each byte comes well
    // within the wait and the whole answer takes longer than it.
    milliseconds trickle;
    const char* trickledAnswer;
};

const ExchangePlan& PlanOf(Exchange exchange)
{
    static const ExchangePlan plans[] = {
        {"Connect", milliseconds(ConnectWaitMs), milliseconds(150), "Sonavire v1.02\r"},
        {"Retrieve", milliseconds(QueryWaitMs), milliseconds(150), "700.000\r"},
        {"DownloadAndStore", milliseconds(SetWaitMs), milliseconds(1600), "R\r"},
        {"LiveStore", milliseconds(StoreWaitMs), milliseconds(2100), "R\r"},
        {"Poll", milliseconds(QueryWaitMs), milliseconds(300), "M01\r"},
        {"FirmwareTransfer", CDeviceLink::FirmwareResponseLimit + Tick, milliseconds(400), "<<\r"},
    };
    return plans[static_cast<int>(exchange)];
}

const char* NameOf(Misbehaviour fault)
{
    static const char* const names[] = {"Silence", "Garbage", "Refusal", "Trickle",
                                        "Flood",   "HangUp",  "Abort"};
    return names[static_cast<int>(fault)];
}

struct Cell
{
    Exchange exchange;
    Misbehaviour fault;
    const char* status;
    ControlMode mode;
    SettingsAfter settings;
};

std::string NameOf(const Cell& cell)
{
    return std::string(PlanOf(cell.exchange).name) + "_" + NameOf(cell.fault);
}

void PrintTo(const Cell& cell, std::ostream* out)
{
    *out << NameOf(cell);
}

std::vector<Cell> AllCells()
{
    using enum Exchange;
    using enum Misbehaviour;
    using enum ControlMode;
    using enum SettingsAfter;
    return {
        {Connect, Silence, Unable, Offline, Held},
        {Connect, Garbage, Unable, Offline, Held},
        {Connect, Refusal, Unable, Offline, Held},
        {Connect, Trickle, Retrieved, Live, AllRead},
        {Connect, Flood, Unable, Offline, Held},
        {Connect, HangUp, Unable, Offline, Held},

        // A read that fails still ends with the read's own text.
        {Retrieve, Silence, Retrieved, Offline, ReadToFaultChannelFrequency},
        // An answer without a number is no value: what the panel held stays.
        {Retrieve, Garbage, Retrieved, Offline, ReadToFaultChannelFrequency},
        {Retrieve, Refusal, Retrieved, Offline, ReadToFaultChannelFrequency},
        {Retrieve, Trickle, Retrieved, Offline, AllRead},
        {Retrieve, Flood, Retrieved, Offline, ReadToFaultChannelFrequency},
        {Retrieve, HangUp, Retrieved, Offline, ReadToFaultChannelFrequency},

        {DownloadAndStore, Silence, DownloadFailed, Offline, Held},
        {DownloadAndStore, Garbage, DownloadFailed, Offline, Held},
        {DownloadAndStore, Refusal, DownloadFailed, Offline, Held},
        {DownloadAndStore, Trickle, Downloaded, Offline, Held},
        {DownloadAndStore, Flood, DownloadFailed, Offline, Held},
        {DownloadAndStore, HangUp, DownloadFailed, Offline, Held},

        {LiveStore, Silence, StoreFailed, Offline, Held},
        {LiveStore, Garbage, StoreFailed, Live, Held},
        {LiveStore, Refusal, StoreFailed, Live, Held},
        {LiveStore, Trickle, Stored, Live, Held},
        {LiveStore, Flood, StoreFailed, Offline, Held},
        {LiveStore, HangUp, StoreFailed, Offline, Held},

        // An answer that means nothing keeps the link and shows nothing.
        {Poll, Silence, Lost, Offline, Held},
        {Poll, Garbage, BeforeThePoll, Live, Held},
        {Poll, Refusal, BeforeThePoll, Live, Held},
        {Poll, Trickle, BeforeThePoll, Live, Held},
        {Poll, Flood, Lost, Offline, Held},
        {Poll, HangUp, Lost, Offline, Held},

        // A refused "UF" would take the garbage cell's path: a line that is no page request.
        {FirmwareTransfer, Silence, NoResponse, FirmwareUpdate, Held},
        {FirmwareTransfer, Garbage, NoResponse, FirmwareUpdate, Held},
        {FirmwareTransfer, Trickle, Complete, FirmwareUpdate, Held},
        {FirmwareTransfer, Flood, NoResponse, FirmwareUpdate, Held},
        {FirmwareTransfer, HangUp, NoResponse, FirmwareUpdate, Held},
        {FirmwareTransfer, Abort, Aborted, FirmwareUpdate, Held},
    };
}

// Every channel differs from the panel's defaults and from HeldSettings; values with few
// decimals come back from the device's answers as the very same doubles.
PanelSettings DeviceSettings()
{
    PanelSettings settings;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        settings[channel] = {100.0 + 150.0 * channel, (50 + 20 * channel) / 100.0,
                             (3 + 5 * channel) / 10.0,
                             static_cast<FilterType>((channel + 1) % FilterTypeCount)};
    }
    return settings;
}

PanelSettings HeldSettings()
{
    PanelSettings settings;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        settings[channel] = {
            5000.0 + 100.0 * channel,  (200 + 10 * channel) / 100.0,
            (90 - 5 * channel) / 10.0, static_cast<FilterType>(channel % FilterTypeCount),
            channel % 2 == 0,          channel % 3 == 0,
            channel % 4 == 0};
    }
    settings[MasterStrip] = {3000.0, 1.25, 5.5};
    return settings;
}

PanelSettings Expected(SettingsAfter after, PanelSettings held, const PanelSettings& device)
{
    if (after == SettingsAfter::Held)
        return held;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const bool allRead = after == SettingsAfter::AllRead;
        const bool frequencyRead = allRead || channel < FaultChannel;
        StripSettings& strip = held[channel];
        strip.filter = device[channel].filter;
        strip.gain = device[channel].gain;
        if (frequencyRead)
            strip.freq = device[channel].freq;
        if (allRead)
            strip.q = device[channel].q;
    }
    return held;
}

std::string TriggerCommand(Exchange exchange, const PanelSettings& held)
{
    const StripSettings& strip = held[FaultChannel];
    switch (exchange) {
    case Exchange::Connect:
        return std::string(VersionQuery);
    case Exchange::Retrieve:
        return MakeChannelQuery(FaultChannel, FrequencyToken);
    case Exchange::DownloadAndStore:
        return *MakeChannelCommand(FaultChannel, strip.filter, strip.freq, strip.q, strip.gain);
    case Exchange::LiveStore:
        return std::string(StoreCommand);
    case Exchange::Poll:
        return std::string(ModeQuery);
    case Exchange::FirmwareTransfer:
        return std::string(UpdateFirmwareCommand);
    }
    return {};
}

Fault EmulatorFault(Misbehaviour fault)
{
    static const Fault faults[] = {Fault::Silence, Fault::Garbage, Fault::Refusal, Fault::Trickle,
                                   Fault::Flood,   Fault::HangUp,  Fault::None};
    return faults[static_cast<int>(fault)];
}

milliseconds TrickleTime(const Cell& cell)
{
    if (cell.fault != Misbehaviour::Trickle)
        return {};
    const ExchangePlan& plan = PlanOf(cell.exchange);
    return plan.trickle * static_cast<int>(std::string(plan.trickledAnswer).size());
}

std::string Describe(const StripSettings& strip)
{
    std::ostringstream text;
    text << strip.freq << " Hz, Q " << strip.q << ", gain " << strip.gain << ", "
         << FilterTypeToken(strip.filter) << ", locks " << strip.freqLock << strip.qLock
         << strip.gainLock;
    return text.str();
}

void ExpectSettings(const PanelSettings& actual, const PanelSettings& expected)
{
    for (int strip = 0; strip < StripCount; ++strip) {
        EXPECT_TRUE(actual[strip] == expected[strip])
            << "strip " << strip << " holds " << Describe(actual[strip]) << " instead of "
            << Describe(expected[strip]);
    }
}

// The status display's text for a message, as the fixture reads it.
std::string Shown(const char* text)
{
    std::string shown = std::string(text).substr(0, CStatusLine::Width);
    shown.erase(shown.find_last_not_of(' ') + 1);
    return shown;
}

// Lets only the answer to one command misbehave: the device has settled that answer by the
// time it lists the command as received, so its faults can be cleared from then on.
class OneAnswerOnly
{
public:
    OneAnswerOnly(CEmulatedDevice& device, std::string command)
        : watcher([&device, command = std::move(command),
                   seen = device.ReceivedLineCount()](std::stop_token stop) {
              while (!stop.stop_requested()) {
                  const std::vector<std::string> lines = device.ReceivedLines();
                  if (std::find(lines.begin() + seen, lines.end(), command) != lines.end())
                      return device.ClearFaults();
                  std::this_thread::sleep_for(milliseconds(1));
              }
          })
    {}

private:
    std::jthread watcher;
};

class FaultMatrix : public testing::TestWithParam<Cell>
{
protected:
    void SetUp() override
    {
        const Cell& cell = GetParam();
        EmulatorOptions options;
        options.updateMode = cell.exchange == Exchange::FirmwareTransfer;
        // At the wire's pace the pages take long enough for the line to drop between two.
        options.paced = options.updateMode && cell.fault == Misbehaviour::HangUp;
        device = &fixture.StartDevice(options);
        const PanelSettings deviceSettings = DeviceSettings();
        for (int channel = 0; channel < ChannelCount; ++channel)
            device->SetChannelSettings(channel, deviceSettings[channel]);
        const std::string heldFile = folder.filePath(QStringLiteral("held.snv")).toStdString();
        std::string error;
        ASSERT_TRUE(WriteSettingsFile(heldFile, HeldSettings(), error)) << error;
        ASSERT_TRUE(fixture.Panel().LoadSettingsFile(heldFile));
        Prepare(cell.exchange);
    }

    void Prepare(Exchange exchange)
    {
        CControlPanelDlg& panel = fixture.Panel();
        if (exchange == Exchange::LiveStore || exchange == Exchange::Poll)
            fixture.GoLive();
        if (exchange == Exchange::Poll)
            panel.ShowStatus(BeforeThePoll, CStatusLine::UntilReplaced);
        if (exchange == Exchange::FirmwareTransfer) {
            fixture.Click(ControlRole::ModeButton);
            ASSERT_EQ(panel.Link().mode, ControlMode::FirmwareUpdate);
        }
    }

    void Inject(const Cell& cell, const std::string& trigger)
    {
        switch (cell.fault) {
        case Misbehaviour::Abort:
            return device->AbortTransferAfterPages(PagesBeforeTrouble);
        case Misbehaviour::Trickle:
            device->SetTrickleDelay(PlanOf(cell.exchange).trickle);
            oneAnswer.emplace(*device, trigger);
            break;
        case Misbehaviour::HangUp:
            // The transfer is cut between two pages; every other exchange at its command.
            if (cell.exchange == Exchange::FirmwareTransfer)
                return;
            break;
        default:
            break;
        }
        device->InjectFault(EmulatorFault(cell.fault), FaultTrigger::AtCommand(trigger));
    }

    milliseconds Act(const Cell& cell)
    {
        const Clock::time_point start = Clock::now();
        switch (cell.exchange) {
        case Exchange::Connect:
            fixture.Click(ControlRole::ModeButton);
            break;
        case Exchange::Retrieve:
            fixture.Click(ControlRole::RetrieveButton);
            break;
        case Exchange::DownloadAndStore:
        case Exchange::LiveStore:
            fixture.Click(ControlRole::TransferButton);
            break;
        case Exchange::Poll:
            fixture.Panel().OnTimer();
            break;
        case Exchange::FirmwareTransfer:
            Transfer(cell);
            break;
        }
        return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    }

    // Picks the image, confirms the checklist and waits for the transfer to end.
    void Transfer(const Cell& cell)
    {
        const QString image = WriteImage();
        const ModalAnswer file = ChooseFile(image);
        const ModalAnswer checklist([](QWidget& modal) {
            auto* box = qobject_cast<QMessageBox*>(&modal);
            if (!box || box->windowTitle() != QStringLiteral("Update Sonavire OS"))
                return false;
            box->button(QMessageBox::Ok)->click();
            return true;
        });
        fixture.Click(ControlRole::TransferButton);
        const CDeviceLink& link = fixture.Panel().Link();
        ASSERT_TRUE(link.programming);
        if (cell.fault == Misbehaviour::HangUp) {
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return device->PagesReceived() >= PagesBeforeTrouble; }, 10000));
            device->InjectFault(Fault::HangUp);
        }
        const auto limit = PlanOf(cell.exchange).wait + TrickleTime(cell) + 2 * Margin;
        EXPECT_TRUE(QTest::qWaitFor([&] { return !link.programming; }, limit.count()));
    }

    QString WriteImage()
    {
        std::vector<unsigned char> bytes(ImageLength);
        std::iota(bytes.begin(), bytes.end(), 0);
        const QString path = folder.filePath(QStringLiteral("image.hex"));
        EXPECT_EQ(fileio(FileOperation::Write, path.toStdString().c_str(), FileFormat::IntelHex,
                         bytes.data(), ImageLength),
                  ImageLength);
        return path;
    }

    void ExpectTheFaultHit(const Cell& cell, const std::string& trigger)
    {
        const std::vector<std::string> lines = device->ReceivedLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), trigger), lines.end()) << trigger;
        EXPECT_EQ(device->PendingFault(), Fault::None);
        if (cell.fault == Misbehaviour::HangUp) {
            EXPECT_FALSE(device->LineUp());
        }
        if (cell.fault == Misbehaviour::Abort) {
            EXPECT_EQ(device->PagesReceived(), PagesBeforeTrouble);
        }
    }

    // A lock button still toggles and the exit button closes the window.
    void ExpectResponsiveAndClosable()
    {
        CControlPanelDlg& panel = fixture.Panel();
        const bool locked = panel.Settings()[0].gainLock;
        fixture.Click(ControlRole::GainLock, 0);
        EXPECT_NE(panel.Settings()[0].gainLock, locked);
        const ModalAnswer discard = ModalAnswer::Press(QMessageBox::Discard);
        fixture.Click(ControlRole::ExitButton);
        EXPECT_FALSE(panel.isVisible());
    }

    QTemporaryDir folder;
    PanelFixture fixture;
    CEmulatedDevice* device = nullptr;
    std::optional<OneAnswerOnly> oneAnswer;
};

TEST_P(FaultMatrix, ThePanelRecoversInTimeAndKeepsItsSettings)
{
    const Cell& cell = GetParam();
    CControlPanelDlg& panel = fixture.Panel();
    const PanelSettings held = panel.Settings();
    const std::string trigger = TriggerCommand(cell.exchange, held);
    Inject(cell, trigger);
    const milliseconds elapsed = Act(cell);

    ExpectTheFaultHit(cell, trigger);
    EXPECT_EQ(fixture.Status(), Shown(cell.status));
    EXPECT_STREQ(CStatusLine::ModeText(panel.Link().mode), CStatusLine::ModeText(cell.mode));
    EXPECT_EQ(panel.Link().IsPortOpen(), cell.mode != ControlMode::Offline);
    ExpectSettings(panel.Settings(), Expected(cell.settings, held, DeviceSettings()));
    EXPECT_LE(elapsed, PlanOf(cell.exchange).wait + TrickleTime(cell) + Margin);
    // The trickled answer did take its time, longer than a whole-answer time-out would allow.
    EXPECT_GE(elapsed, TrickleTime(cell));
    ExpectResponsiveAndClosable();
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrix, testing::ValuesIn(AllCells()),
                         [](const testing::TestParamInfo<Cell>& info) {
                             return NameOf(info.param);
                         });

} // namespace
