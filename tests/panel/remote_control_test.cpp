#include "tests/controls/hand.h"
#include "tests/osc_tools.h"
#include "tests/panel/panel_fixture.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "model/value_scale.h"
#include "storage/port_preference.h"

namespace {

using enum ControlRole;
using Clock = std::chrono::steady_clock;

void Pump()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

int PortOf(const std::string& localAddress)
{
    return std::stoi(localAddress.substr(localAddress.rfind(':') + 1));
}

// A live panel on the emulated device whose remote control listens on a free loopback port.
class RemotePanel : public PanelFixture
{
public:
    explicit RemotePanel(EmulatorOptions options = {})
    {
        StartDevice(std::move(options));
        Tick(0);
        GoLive();
        EXPECT_TRUE(Panel().RemoteControl().Start(0));
        port = PortOf(Panel().RemoteControl().LocalAddress());
    }

    // The device's commands (the poll's queries left out) once count of them have come.
    std::vector<std::string> WaitForCommands(std::size_t count)
    {
        std::vector<std::string> commands;
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (commands.size() < count && Clock::now() < deadline) {
            Pump();
            for (std::string& command : NewCommands())
                commands.push_back(std::move(command));
        }
        return commands;
    }

    int port = 0;
};

TEST(PanelRemoteControl, ASetReachesTheWireAsTheCommandAndMovesTheControl)
{
    struct Case
    {
        const char* path;
        const char* types;
        const char* value;
        std::vector<std::string> wire;
        int strip;
        StripSettings expected;
    };
    const Case cases[] = {
        {"/sonavire/channel/3/gain", "f", "4.5", {"4.50003GA"}, 2, {1000, 0.707, 4.5}},
        {"/sonavire/channel/16/freq", "i", "2000", {"2000.00016FR"}, 15, {2000, 0.707, 0}},
        {"/sonavire/channel/5/q", "d", "1.25", {"1.25005FQ"}, 4, {1000, 1.25, 0}},
        {"/sonavire/channel/5/filter",
         "s",
         "low",
         {"LP05FI"},
         4,
         {1000, 0.707, 0, FilterType::Low}},
    };
    for (const Case& c : cases) {
        RemotePanel fixture;
        ASSERT_EQ(OscSend(fixture.port, {c.path, c.types, c.value}), 0) << c.path;
        EXPECT_EQ(fixture.WaitForCommands(c.wire.size()), c.wire) << c.path;
        EXPECT_EQ(fixture.Panel().Settings()[c.strip], c.expected) << c.path;
        EXPECT_EQ(fixture.ControlAt<CBitmapSlider>(GainFader, c.strip).value(),
                  GainScale.ToPosition(c.expected.gain))
            << c.path;
        EXPECT_EQ(fixture.ControlAt<CBitmapKnob>(FrequencyKnob, c.strip).value(),
                  FrequencyScale.ToPosition(c.expected.freq))
            << c.path;
    }
}

TEST(PanelRemoteControl, TheMasterMovesOnlyTheChannelsLockedToItAndIsNeverSent)
{
    RemotePanel fixture;
    ASSERT_EQ(OscSend(fixture.port, {"/sonavire/channel/2/lock/gain", "i", "1"}), 0);
    ASSERT_EQ(OscSend(fixture.port, {"/sonavire/master/gain", "f", "3"}), 0);
    EXPECT_EQ(fixture.WaitForCommands(1), std::vector<std::string>{"3.00002GA"});
    EXPECT_TRUE(fixture.Panel().Settings()[1].gainLock);
    EXPECT_EQ(fixture.Panel().Settings()[1].gain, 3);
    EXPECT_EQ(fixture.Panel().Settings()[2].gain, 0);
}

TEST(PanelRemoteControl, AQueryAnswersThePanelsValueAndBadRequestsAnswerAnError)
{
    RemotePanel fixture;
    fixture.Click(FilterType::Notch, 6);
    struct Case
    {
        const char* path;
        const char* types;
        std::vector<std::string> values;
        const char* answer;
    };
    const Case cases[] = {
        {"/sonavire/channel/7/filter", "", {}, "/sonavire/channel/7/filter s \"NO\""},
        {"/sonavire/channel/7/lock/q", "", {}, "/sonavire/channel/7/lock/q i 0"},
        {"/sonavire/state", "", {}, "/sonavire/state isss 1 \"live\" \"locked\""},
        {"/sonavire/channel/7/gain",
         "f",
         {"nan"},
         "/sonavire/error ss \"/sonavire/channel/7/gain\""},
        {"/sonavire/channel/7/gain",
         "f",
         {"10"},
         "/sonavire/error ss \"/sonavire/channel/7/gain\""},
        {"/sonavire/channel/7/gain", "s", {"4"}, "/sonavire/error ss \"/sonavire/channel/7/gain\""},
        {"/sonavire/channel/7/filter", "s", {"steep"}, "/sonavire/error ss"},
        {"/sonavire/channel/7/lock/q", "i", {"2"}, "/sonavire/error ss"},
        {"/sonavire/master/filter",
         "s",
         {"low"},
         "/sonavire/error ss \"/sonavire/master/filter\" "
         "\"unknown address\""},
        {"/sonavire/store", "i", {"1"}, "/sonavire/error ss \"/sonavire/store\""},
    };
    for (const Case& c : cases) {
        const std::string answer = OscAsk(fixture.port, c.path, c.types, c.values, Pump);
        EXPECT_TRUE(answer.starts_with(c.answer)) << c.path << " answered " << answer;
    }
    EXPECT_TRUE(fixture.WaitForCommands(0).empty());
    EXPECT_EQ(fixture.Panel().Settings()[6].gain, 0);
}

TEST(PanelRemoteControl, ASubscriberHearsThePanelsDragsAndTheDevicesFrontPanel)
{
    RemotePanel fixture;
    COscDump subscriber;
    ASSERT_EQ(
        OscSend(fixture.port, {"/sonavire/subscribe", "i", std::to_string(subscriber.Port())}), 0);
    ASSERT_TRUE(subscriber.WaitFor("/sonavire/master/gain f 0.000000", Pump));

    QWidget& fader = *fixture.Panel().Control(GainFader, 3);
    Hand hand(fader, fader.rect().center());
    hand.Move(0, -20);
    hand.Release();
    const double dragged = fixture.Panel().Settings()[3].gain;
    ASSERT_GT(dragged, 0);
    EXPECT_TRUE(subscriber.WaitFor(
        "/sonavire/channel/4/gain f " + std::to_string(static_cast<float>(dragged)), Pump));

    fixture.Device().SetFrontPanelActive(true);
    fixture.Tick();
    ASSERT_TRUE(fixture.Device().SetFrontPanelVolume(6, 7.5));
    fixture.Tick();
    EXPECT_TRUE(subscriber.WaitFor("/sonavire/state isss 1 \"live\" \"active\"", Pump));
    EXPECT_TRUE(subscriber.WaitFor("/sonavire/channel/7/gain f 7.500000", Pump));
    // The device's front panel has the volume: a client's gain is refused like a fader's.
    const std::string answer = OscAsk(fixture.port, "/sonavire/channel/7/gain", "f", {"2"}, Pump);
    EXPECT_TRUE(answer.starts_with("/sonavire/error")) << answer;
    EXPECT_EQ(fixture.Panel().Settings()[6].gain, 7.5);
}

TEST(PanelRemoteControl, NothingReachesADeviceInFirmwareUpdateMode)
{
    PanelFixture fixture;
    EmulatorOptions options;
    options.updateMode = true;
    fixture.StartDevice(options);
    fixture.Tick(0);
    fixture.Click(ModeButton);
    ASSERT_EQ(fixture.Panel().Link().mode, ControlMode::FirmwareUpdate);
    ASSERT_TRUE(fixture.Panel().RemoteControl().Start(0));
    fixture.NewCommands();
    const int port = PortOf(fixture.Panel().RemoteControl().LocalAddress());
    const std::string answer = OscAsk(port, "/sonavire/channel/1/gain", "f", {"5"}, Pump);
    EXPECT_EQ(answer, "/sonavire/error ss \"/sonavire/channel/1/gain\" "
                      "\"Sonavire is in firmware-update mode\"");
    EXPECT_TRUE(fixture.NewCommands().empty());
    EXPECT_EQ(fixture.Panel().Settings()[0].gain, 0);
}

TEST(PanelRemoteControl, TheMenuItemTurnsItOnAndOffAndIsRemembered)
{
    PanelFixture fixture;
    CPanelRemoteControl& remote = fixture.Panel().RemoteControl();
    const int port = FreeUdpPort();
    remote.Start(port);
    remote.MenuAction().trigger();
    EXPECT_FALSE(remote.IsOn());
    EXPECT_FALSE(ReadRemoteControlOn());
    remote.MenuAction().trigger();
    EXPECT_TRUE(remote.IsOn());
    EXPECT_TRUE(remote.MenuAction().isChecked());
    EXPECT_TRUE(ReadRemoteControlOn());
    EXPECT_EQ(ReadRemoteControlPort(), port);
    EXPECT_EQ(OscAsk(port, "/sonavire/master/q", "", {}, Pump), "/sonavire/master/q f 0.707000");
    remote.Stop();
    WriteRemoteControl(false, DefaultRemoteControlPort);
}

TEST(PanelRemoteControl, APortInUseIsToldAndLeavesItOff)
{
    PanelFixture fixture;
    const int taken = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);
    QStringList seen;
    const ModalAnswer close = ModalAnswer::CloseMessageBox(seen);
    EXPECT_FALSE(fixture.Panel().RemoteControl().Start(ntohs(address.sin_port)));
    ::close(taken);
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(seen[1].contains(QStringLiteral("Address already in use")))
        << seen[1].toStdString();
    EXPECT_FALSE(fixture.Panel().RemoteControl().MenuAction().isChecked());
}

} // namespace
