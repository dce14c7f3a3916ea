#include "panel/status_line.h"
#include "tests/panel/panel_fixture.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "device/device_link.h"

namespace {

std::string Padded(std::string text)
{
    text.resize(59, ' ');
    return text;
}

// Ticks the line n times and returns what each tick put on it ("" for nothing).
std::vector<std::string> Ticks(CStatusLine& line, const CDeviceLink& link, int n)
{
    std::vector<std::string> shown;
    for (int i = 0; i < n; ++i) {
        const std::optional<std::string> text = line.Tick(link);
        shown.push_back(text ? *text : "");
        if (text)
            line.Show(*text, 0);
    }
    return shown;
}

TEST(StatusLine, CutsAndFillsToFiftyNineCharacters)
{
    CStatusLine line;
    EXPECT_EQ(line.Show(std::string(70, 'x'), 0), std::string(59, 'x'));
    EXPECT_EQ(line.Show("0123456789", 0), Padded("0123456789"));
    EXPECT_EQ(line.Show("0123456789", 3), std::nullopt);
    EXPECT_EQ(line.Hold(), 3);
}

TEST(StatusLine, AHoldKeepsTheTextForThatManyTicks)
{
    CDeviceLink link;
    struct Case
    {
        int hold;
        int ticksKept;
    };
    for (const Case c : {Case{0, 0}, Case{2, 2}, Case{5, 5}, Case{-1, 40}}) {
        CStatusLine line;
        line.Show("held", c.hold);
        const std::vector<std::string> shown = Ticks(line, link, 40);
        for (int tick = 0; tick < 40; ++tick) {
            const bool kept = tick < c.ticksKept;
            EXPECT_EQ(shown[tick].empty(), kept) << "hold " << c.hold << " tick " << tick;
        }
    }
}

TEST(StatusLine, LiveRotationShowsModeVersionAndFrontPanelSixTicksEach)
{
    CDeviceLink link;
    link.mode = ControlMode::Live;
    link.versionText = "Sonavire v1.02";
    link.frontPanelLocked = false;
    CStatusLine line;
    const std::vector<std::string> shown = Ticks(line, link, 19);
    const std::string mode = "Connected; Live Mode";
    const std::string version = "Sonavire v1.02";
    const std::string panel = "Front Panel Volume Controls Active - Sliders Disabled";
    EXPECT_EQ(shown[0], version);
    for (int tick = 1; tick < 6; ++tick)
        EXPECT_EQ(shown[tick], version) << tick;
    EXPECT_EQ(shown[6], panel);
    EXPECT_EQ(shown[12], mode);
    EXPECT_EQ(shown[18], version);

    link.versionText.clear();
    CStatusLine quiet;
    quiet.Show(mode, 0);
    for (const std::string& shown : Ticks(quiet, link, 6))
        EXPECT_EQ(shown, "");
    EXPECT_EQ(quiet.Text(), Padded(mode));
    EXPECT_EQ(Ticks(quiet, link, 1).front(), panel);
}

TEST(StatusLine, OtherModesShowOnlyTheirModeText)
{
    CDeviceLink link;
    for (const auto& [mode, text] :
         {std::pair{ControlMode::Offline, "Disconnected; Offline Mode"},
          std::pair{ControlMode::FirmwareUpdate,
                    "Connected; Firmware Update Mode - Waiting for Update"}}) {
        link.mode = mode;
        CStatusLine line;
        for (const std::string& shown : Ticks(line, link, 20))
            EXPECT_TRUE(shown == text || shown.empty()) << shown;
        EXPECT_EQ(line.Text(), Padded(text));
    }
}

class Counter : public QObject
{
public:
    int handled = 0;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        ++handled;
        return true;
    }
};

TEST(PanelStatus, ANewTextLetsWaitingEventsRunAndTheSameTextDoesNot)
{
    PanelFixture fixture;
    Counter counter;
    fixture.Panel().ShowStatus("first", 2);
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    fixture.Panel().ShowStatus("first", 2);
    EXPECT_EQ(counter.handled, 0);
    fixture.Panel().ShowStatus("second", 2);
    EXPECT_EQ(counter.handled, 1);
    EXPECT_EQ(fixture.ControlAt<CBitmapFontStatic>(ControlRole::StatusDisplay).Text(),
              Padded("second"));
}

} // namespace
