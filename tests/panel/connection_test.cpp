#include "tests/panel/panel_fixture.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "model/value_scale.h"
#include "storage/port_preference.h"

namespace {

StripSettings Channel(double freq, double q, double gain, FilterType filter)
{
    return {freq, q, gain, filter};
}

bool ShowsOfflineButtons(CControlPanelDlg& panel)
{
    return panel.Control(ControlRole::ModeButton)->toolTip() ==
               QStringLiteral("Connect to Sonavire for Real-Time Control") &&
           panel.Control(ControlRole::RetrieveButton)->isVisible();
}

TEST(Connection, ConnectingReadsTheWholeDeviceAndShowsIt)
{
    PanelFixture fixture;
    CEmulatedDevice& device = fixture.StartDevice();
    device.SetChannelSettings(6, Channel(2500.0, 1.5, 3.3, FilterType::Notch));
    fixture.Click(ControlRole::ModeButton);

    CControlPanelDlg& panel = fixture.Panel();
    EXPECT_EQ(panel.Link().mode, ControlMode::Live);
    const StripSettings& strip = panel.Settings()[6];
    EXPECT_EQ(strip.freq, 2500.0);
    EXPECT_EQ(strip.q, 1.5);
    EXPECT_EQ(strip.gain, 3.3);
    EXPECT_EQ(strip.filter, FilterType::Notch);
    EXPECT_EQ(fixture.ControlAt<CBitmapKnob>(ControlRole::FrequencyKnob, 6).value(),
              FrequencyScale.ToPosition(2500.0));
    EXPECT_EQ(fixture.ControlAt<CBitmapFontStatic>(ControlRole::GainReadout, 6).Text(), "3.3k");
    EXPECT_EQ(fixture.Status(), "Settings Retrieved");
    EXPECT_EQ(panel.Control(ControlRole::ModeButton)->toolTip(),
              QStringLiteral("Disconnect from Sonavire"));
    EXPECT_EQ(panel.Control(ControlRole::TransferButton)->toolTip(),
              QStringLiteral("Store settings permanently in Sonavire"));
    EXPECT_FALSE(panel.Control(ControlRole::RetrieveButton)->isVisible());

    fixture.Click(ControlRole::ModeButton);
    EXPECT_EQ(panel.Link().mode, ControlMode::Offline);
    EXPECT_TRUE(ShowsOfflineButtons(panel));
}

TEST(Connection, ADeviceInUpdateModeOffersTheFirmwareButton)
{
    PanelFixture fixture;
    EmulatorOptions options;
    options.updateMode = true;
    fixture.StartDevice(options);
    fixture.Click(ControlRole::ModeButton);
    CControlPanelDlg& panel = fixture.Panel();
    EXPECT_EQ(panel.Link().mode, ControlMode::FirmwareUpdate);
    EXPECT_EQ(fixture.Status(), "Connected to Sonavire on " + fixture.Device().PortPath() + "!");
    EXPECT_EQ(panel.Control(ControlRole::TransferButton)->toolTip(),
              QStringLiteral("Update Sonavire Firmware"));
    EXPECT_FALSE(panel.Control(ControlRole::RetrieveButton)->isVisible());
    EXPECT_TRUE(fixture.NewCommands() == std::vector<std::string>{});
    fixture.Tick(3);
    EXPECT_EQ(fixture.Status(), "Connected; Firmware Update Mode - Waiting for Update");
}

TEST(Connection, AFailureIsReportedAndLeavesThePanelOffline)
{
    struct Case
    {
        const char* name;
        Fault fault;
        FaultTrigger trigger;
        const char* status;
    };
    const char* unable = "Unable to connect to Sonavire - Check Hardware";
    const Case cases[] = {
        {"nothing answers", Fault::Silence, FaultTrigger::AtOnce(), unable},
        {"identified, then silent", Fault::Silence, FaultTrigger::AtCommand("?M"), unable},
        {"identified, then no mode", Fault::Garbage, FaultTrigger::AtCommand("?M"), unable},
    };
    for (const Case& c : cases) {
        PanelFixture fixture;
        fixture.StartDevice().InjectFault(c.fault, c.trigger);
        // Only the test's ticks count the hold down, however long the connect waits.
        fixture.Tick(0);
        fixture.Click(ControlRole::ModeButton);
        EXPECT_EQ(fixture.Status(), c.status) << c.name;
        EXPECT_EQ(fixture.Panel().Link().mode, ControlMode::Offline) << c.name;
        EXPECT_FALSE(fixture.Panel().Link().IsPortOpen()) << c.name;
        EXPECT_TRUE(ShowsOfflineButtons(fixture.Panel())) << c.name;
        EXPECT_EQ(fixture.Panel().Settings(), PanelSettings{}) << c.name;
        // Held as long as every connection failure, then the rotation takes over.
        fixture.Tick(4);
        EXPECT_EQ(fixture.Status(), c.status) << c.name;
        fixture.Tick(1);
        EXPECT_EQ(fixture.Status(), "Disconnected; Offline Mode") << c.name;
    }
}

TEST(Connection, ALostLinkIsReportedAtTheNextTickAndTheFadersComeBack)
{
    PanelFixture fixture;
    CEmulatedDevice& device = fixture.StartDevice();
    device.SetFrontPanelActive(true);
    fixture.GoLive();
    CControlPanelDlg& panel = fixture.Panel();
    auto& fader = fixture.ControlAt<CBitmapSlider>(ControlRole::GainFader, 2);
    const int locked = fader.value();
    QTest::keyClick(&fader, Qt::Key_Up);
    ASSERT_EQ(fader.value(), locked);

    device.InjectFault(Fault::HangUp);
    fixture.Tick(1);
    EXPECT_EQ(panel.Link().mode, ControlMode::Offline);
    EXPECT_EQ(fixture.Status(), "Lost Connection with Sonavire");
    fixture.Tick(1);
    EXPECT_TRUE(ShowsOfflineButtons(panel));
    fixture.Tick(3);
    EXPECT_EQ(fixture.Status(), "Lost Connection with Sonavire");
    fixture.Tick(1);
    EXPECT_EQ(fixture.Status(), "Disconnected; Offline Mode");

    // The faders are the operator's again.
    const int before = fader.value();
    QTest::keyClick(&fader, Qt::Key_Up);
    EXPECT_EQ(fader.value(), before + 2);
}

struct DropCase
{
    const char* command; // the device falls silent at this command
    bool byStore;        // sent by the live store rather than by the poll
    const char* status;
};

// Whichever exchange finds the line dead, in the poll or outside it, the panel shows itself
// offline: offline buttons, the lamp out and the faders free; a store that found it dead shows
// it at once, without waiting for the clock. The poll reports the loss; a store has reported
// its own failure, which stays.
TEST(Connection, ALineDroppedByAnyExchangeShowsThePanelOffline)
{
    const char* lost = "Lost Connection with Sonavire";
    const DropCase cases[] = {{"?V", false, lost},
                              {"FP", false, lost},
                              {"QS", false, lost},
                              {"ST", true, "Store Failed! Check connection and try again."}};
    for (const DropCase& c : cases) {
        PanelFixture fixture;
        CEmulatedDevice& device = fixture.StartDevice();
        device.SetFrontPanelActive(true);
        fixture.GoLive();
        CControlPanelDlg& panel = fixture.Panel();
        ASSERT_FALSE(panel.Link().frontPanelLocked) << c.command;
        ASSERT_TRUE(fixture.LampLit()) << c.command;

        device.InjectFault(Fault::Silence, FaultTrigger::AtCommand(c.command));
        if (c.byStore) {
            fixture.Click(ControlRole::TransferButton);
            EXPECT_TRUE(ShowsOfflineButtons(panel)) << c.command << " before the next tick";
        }
        fixture.Tick(1);

        EXPECT_EQ(panel.Link().mode, ControlMode::Offline) << c.command;
        EXPECT_TRUE(ShowsOfflineButtons(panel)) << c.command;
        EXPECT_EQ(fixture.Status(), c.status) << c.command;
        auto& fader = fixture.ControlAt<CBitmapSlider>(ControlRole::GainFader, 2);
        const int before = fader.value();
        QTest::keyClick(&fader, Qt::Key_Up);
        EXPECT_EQ(fader.value(), before + 2) << c.command;
        EXPECT_FALSE(fixture.LampLit()) << c.command;
    }
}

TEST(Connection, WhileTheFrontPanelIsActiveTheFadersFollowTheDevice)
{
    PanelFixture fixture;
    CEmulatedDevice& device = fixture.StartDevice();
    fixture.GoLive();
    device.SetFrontPanelActive(true);
    fixture.Tick(1);
    ASSERT_FALSE(fixture.Panel().Link().frontPanelLocked);
    ASSERT_TRUE(device.SetFrontPanelVolume(3, 7.5));
    fixture.Tick(1);
    EXPECT_EQ(fixture.Panel().Settings()[3].gain, 7.5);
    auto& fader = fixture.ControlAt<CBitmapSlider>(ControlRole::GainFader, 3);
    EXPECT_EQ(fader.value(), GainScale.ToPosition(7.5));
    EXPECT_EQ(fixture.ControlAt<CBitmapFontStatic>(ControlRole::GainReadout, 3).Text(), "7.5k");

    // Locked against the operator: keys move nothing and nothing is sent.
    fixture.NewCommands();
    QTest::keyClick(&fader, Qt::Key_Up);
    EXPECT_EQ(fader.value(), GainScale.ToPosition(7.5));
    EXPECT_TRUE(fixture.NewCommands().empty());
}

TEST(Connection, DownloadSendsEveryChannelThenStores)
{
    struct Case
    {
        const char* name;
        Fault fault;
        const char* failingCommand;
        const char* status;
    };
    const Case cases[] = {
        {"all acknowledged", Fault::None, "", "Settings downloaded and stored Successfully!"},
        {"store refused", Fault::Refusal, "ST", "Download Failed! Check connection and try again."},
        {"a channel refused", Fault::Refusal, "FL-1000.000-0.707-0.00005CC",
         "Download Failed! Check connection and try again."},
    };
    for (const Case& c : cases) {
        PanelFixture fixture;
        CEmulatedDevice& device = fixture.StartDevice();
        if (c.fault != Fault::None)
            device.InjectFault(c.fault, FaultTrigger::AtCommand(c.failingCommand));
        fixture.Click(ControlRole::TransferButton);
        const std::vector<std::string> commands = fixture.NewCommands();
        ASSERT_EQ(commands.size(), 17u) << c.name;
        for (int channel = 0; channel < ChannelCount; ++channel) {
            EXPECT_EQ(commands[channel], "FL-1000.000-0.707-0.000" +
                                             std::string(channel < 9 ? "0" : "") +
                                             std::to_string(channel + 1) + "CC")
                << c.name;
        }
        EXPECT_EQ(commands[16], "ST") << c.name;
        EXPECT_EQ(fixture.Status(), c.status) << c.name;
        EXPECT_EQ(fixture.Panel().Link().mode, ControlMode::Offline) << c.name;
        EXPECT_FALSE(fixture.Panel().Link().IsPortOpen()) << c.name;
    }
}

TEST(Connection, LiveStoreReportsWhatTheDeviceAnswered)
{
    for (const bool refused : {false, true}) {
        PanelFixture fixture;
        CEmulatedDevice& device = fixture.StartDevice();
        fixture.GoLive();
        if (refused)
            device.InjectFault(Fault::Refusal, FaultTrigger::AtCommand("ST"));
        fixture.Click(ControlRole::TransferButton);
        EXPECT_EQ(fixture.NewCommands(), std::vector<std::string>{"ST"});
        EXPECT_EQ(fixture.Status(), refused ? "Store Failed! Check connection and try again."
                                            : "Settings stored successfully!");
    }
}

TEST(Connection, RetrieveReadsAndDisconnects)
{
    PanelFixture fixture;
    CEmulatedDevice& device = fixture.StartDevice();
    device.SetChannelSettings(0, Channel(80.0, 4.0, 1.0, FilterType::Low));
    device.SetFrontPanelActive(true);
    fixture.Click(ControlRole::RetrieveButton);
    CControlPanelDlg& panel = fixture.Panel();
    EXPECT_EQ(panel.Settings()[0].filter, FilterType::Low);
    EXPECT_EQ(panel.Settings()[0].freq, 80.0);
    EXPECT_EQ(fixture.Status(), "Settings Retrieved");
    EXPECT_EQ(panel.Link().mode, ControlMode::Offline);
    EXPECT_TRUE(ShowsOfflineButtons(panel));
    // Offline the faders are the operator's, whatever the device's front panel said.
    auto& fader = fixture.ControlAt<CBitmapSlider>(ControlRole::GainFader, 0);
    QTest::keyClick(&fader, Qt::Key_Up);
    EXPECT_EQ(fader.value(), GainScale.ToPosition(1.0) + 2);

    device.SetUpdateMode(true);
    fixture.Click(ControlRole::RetrieveButton);
    EXPECT_EQ(fixture.Status(), "Unable retrieve settings - Sonavire is in OS Update mode");
    EXPECT_EQ(panel.Link().mode, ControlMode::Offline);
}

TEST(Connection, ChoosingAnotherPortWhileLiveDisconnects)
{
    for (const bool samePort : {true, false}) {
        PanelFixture fixture;
        fixture.StartDevice();
        fixture.GoLive();
        const std::string chosen = samePort ? fixture.Device().PortPath() : "/dev/ttyUSB9";
        const ModalAnswer answer([&](QWidget& modal) {
            auto* dialog = qobject_cast<CConfigDlg*>(&modal);
            if (!dialog)
                return false;
            auto* combo = dialog->findChild<QComboBox*>();
            combo->lineEdit()->selectAll();
            QTest::keyClicks(combo->lineEdit(), QString::fromStdString(chosen));
            dialog->accept();
            return true;
        });
        fixture.Click(ControlRole::ConfigureButton);
        EXPECT_TRUE(answer.Answered());
        EXPECT_EQ(fixture.Panel().PortName(), chosen);
        EXPECT_EQ(fixture.Panel().Link().mode, samePort ? ControlMode::Live : ControlMode::Offline);
    }
}

// An adapter pulled out while live is lost at once, and when it is plugged in again (its node
// comes back in the device folder) the panel reconnects: by itself when the window menu says
// so, else after asking.
TEST(Connection, AnAdapterPluggedInAgainIsReconnected)
{
    for (const bool automatic : {true, false}) {
        WriteAutoReconnect(automatic);
        QTemporaryDir dev;
        const QString adapter = dev.filePath(QStringLiteral("ttyUSB0"));
        std::unique_ptr<CEmulatedDevice> comeBack;
        PanelFixture fixture;
        CEmulatedDevice& pulled = fixture.StartDevice();
        ASSERT_TRUE(QFile::link(QString::fromStdString(pulled.PortPath()), adapter));
        fixture.Panel().SetPortName(adapter.toStdString(), false);
        fixture.Tick(0);
        fixture.Click(ControlRole::ModeButton);
        ASSERT_EQ(fixture.Panel().Link().mode, ControlMode::Live);

        pulled.InjectFault(Fault::HangUp);
        QTRY_COMPARE(fixture.Status(), std::string("Lost Connection with Sonavire"));
        EXPECT_TRUE(ShowsOfflineButtons(fixture.Panel()));
        QFile::remove(adapter);
        comeBack = std::make_unique<CEmulatedDevice>(EmulatorOptions{});
        std::string error;
        ASSERT_TRUE(comeBack->Start(error)) << error;
        QStringList asked;
        const ModalAnswer answer = ModalAnswer::CloseMessageBox(asked);
        ASSERT_TRUE(QFile::link(QString::fromStdString(comeBack->PortPath()), adapter));

        QTRY_COMPARE_WITH_TIMEOUT(fixture.Panel().Link().mode, ControlMode::Live, 10000);
        EXPECT_EQ(asked.isEmpty(), automatic) << asked.join(' ').toStdString();
    }
    WriteAutoReconnect(false);
}

} // namespace
