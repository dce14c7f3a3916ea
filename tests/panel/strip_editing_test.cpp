#include "tests/controls/hand.h"
#include "tests/panel/panel_fixture.h"

#include <QTest>

#include <gtest/gtest.h>

#include "device/command_set.h"
#include "model/value_scale.h"
#include "panel/control_layout.h"

namespace {

using enum ControlRole;

// Drags a knob or fader up by the given number of pixels, a few pixels per move.
void DragUp(PanelFixture& fixture, ControlRole role, int strip, int pixels)
{
    QWidget* control = fixture.Panel().Control(role, strip);
    Hand hand(*control, control->rect().center());
    for (int moved = 0; moved < pixels; moved += 5)
        hand.Move(0, -std::min(5, pixels - moved));
    hand.Release();
    QCoreApplication::processEvents();
}

PanelSettings WithStrip(int index, StripSettings strip)
{
    PanelSettings settings;
    settings[index] = strip;
    return settings;
}

TEST(StripEditingOffline, EachControlChangesOnlyItsOwnStrip)
{
    struct Case
    {
        const char* name;
        ControlRole role;
        int strip;
        StripSettings expected;
    };
    const Case cases[] = {
        {"Q knob of channel 5", QKnob, 4, {1000.0, QScale.ToValue(75), 0.0}},
        {"frequency knob of channel 16",
         FrequencyKnob,
         15,
         {FrequencyScale.ToValue(150), 0.707, 0.0}},
        {"gain fader of channel 1", GainFader, 0, {1000.0, 0.707, GainScale.ToValue(30)}},
        {"master frequency", FrequencyKnob, MasterStrip, {FrequencyScale.ToValue(150), 0.707, 0.0}},
    };
    for (const Case& c : cases) {
        PanelFixture fixture;
        DragUp(fixture, c.role, c.strip, 30);
        EXPECT_EQ(fixture.Panel().Settings(), WithStrip(c.strip, c.expected)) << c.name;
        EXPECT_EQ(fixture.Status(), "Welcome! Click '?' button or press F1 for help.") << c.name;
    }
}

TEST(StripEditingOffline, ReadOutsFollowTheModelValue)
{
    PanelFixture fixture;
    DragUp(fixture, FrequencyKnob, 3, 80);
    DragUp(fixture, GainFader, 3, 60);
    EXPECT_EQ(fixture.ControlAt<CBitmapFontStatic>(FrequencyReadout, 3).Text(), " 1632k");
    EXPECT_EQ(fixture.ControlAt<CBitmapFontStatic>(GainReadout, 3).Text(), "1.2k");
}

TEST(StripEditingOffline, TurningALockOnMovesNothingAndTheMastersNextMoveSetsTheValue)
{
    PanelFixture fixture;
    DragUp(fixture, FrequencyKnob, 1, 40);
    DragUp(fixture, QKnob, 1, 40);
    DragUp(fixture, GainFader, 1, 40);
    const PanelSettings before = fixture.Panel().Settings();
    for (int channel : {1, 8}) {
        for (ControlRole lock : {FrequencyLock, QLock, GainLock})
            fixture.Click(lock, channel);
    }
    PanelSettings locked = before;
    for (int channel : {1, 8})
        locked[channel].freqLock = locked[channel].qLock = locked[channel].gainLock = true;
    EXPECT_EQ(fixture.Panel().Settings(), locked);

    DragUp(fixture, FrequencyKnob, MasterStrip, 10);
    DragUp(fixture, QKnob, MasterStrip, 10);
    DragUp(fixture, GainFader, MasterStrip, 10);
    const PanelSettings& after = fixture.Panel().Settings();
    const int masterFreq = fixture.ControlAt<CBitmapKnob>(FrequencyKnob, MasterStrip).value();
    for (int channel : {1, 8}) {
        // Every locked control takes the master's position itself.
        EXPECT_EQ(fixture.ControlAt<CBitmapKnob>(FrequencyKnob, channel).value(), masterFreq);
        EXPECT_EQ(after[channel].freq, FrequencyScale.ToValue(masterFreq));
        EXPECT_EQ(fixture.ControlAt<CBitmapKnob>(QKnob, channel).value(),
                  fixture.ControlAt<CBitmapKnob>(QKnob, MasterStrip).value());
        EXPECT_EQ(after[channel].q, after[MasterStrip].q);
        EXPECT_EQ(after[channel].gain, after[MasterStrip].gain);
        EXPECT_EQ(fixture.ControlAt<CBitmapFontStatic>(FrequencyReadout, channel).Text(),
                  fixture.ControlAt<CBitmapFontStatic>(FrequencyReadout, MasterStrip).Text());
    }
    for (int channel : {0, 2, 7, 9})
        EXPECT_EQ(after[channel], before[channel]) << channel;
}

// The Q knob and gain fader of a strip, its lock and the value they set.
struct LockedControl
{
    const char* name;
    ControlRole control;
    ControlRole lock;
    const ValueScale& scale;
    double StripSettings::*value;
    std::string_view token;
};

const LockedControl LockedControls[] = {
    {"Q", QKnob, QLock, QScale, &StripSettings::q, QToken},
    {"gain", GainFader, GainLock, GainScale, &StripSettings::gain, GainToken},
};

// Most positions' values are inexact in binary; a value that truncates back to the position
// below is where a follower that took the master's value would fall behind.
int FirstInexactPositionFrom(const ValueScale& scale, int position)
{
    while (scale.ToPosition(scale.ToValue(position)) == position)
        ++position;
    return position;
}

TEST(StripEditingOffline, ALockedChannelShowsAndHoldsTheMastersValueAtEveryPosition)
{
    constexpr int Channel = 5;
    for (const LockedControl& c : LockedControls) {
        PanelFixture fixture;
        fixture.Click(c.lock, Channel);
        QWidget& master = *fixture.Panel().Control(c.control, MasterStrip);
        const auto& masterControl = static_cast<const CSkinnedSlider&>(master);
        const auto& follower = fixture.ControlAt<CSkinnedSlider>(c.control, Channel);
        const auto& masterReadout = fixture.ControlAt<CBitmapFontStatic>(GainReadout, MasterStrip);
        const auto& readout = fixture.ControlAt<CBitmapFontStatic>(GainReadout, Channel);
        Hand down(master, master.rect().center());
        down.Move(0, masterControl.value());
        down.Release();
        QCoreApplication::processEvents();
        ASSERT_EQ(masterControl.value(), 0) << c.name;
        Hand hand(master, master.rect().center());
        std::vector<int> behind;
        for (int position = 1; position <= c.scale.positions; ++position) {
            hand.Move(0, -1);
            QCoreApplication::processEvents();
            const PanelSettings& settings = fixture.Panel().Settings();
            if (follower.value() != masterControl.value() ||
                settings[Channel].*c.value != settings[MasterStrip].*c.value ||
                readout.Text() != masterReadout.Text())
                behind.push_back(position);
        }
        hand.Release();
        EXPECT_EQ(masterControl.value(), c.scale.positions) << c.name;
        EXPECT_EQ(behind, std::vector<int>{}) << c.name;
    }
}

class StripEditingLive : public testing::Test
{
protected:
    StripEditingLive()
    {
        fixture.StartDevice();
        fixture.GoLive();
    }

    PanelFixture fixture;
};

TEST_F(StripEditingLive, ReleasingAChannelKnobSendsOneCommandWithTheFinalValue)
{
    // The emulated device starts at 1000 Hz and Q 0.707 on every channel.
    ASSERT_EQ(fixture.ControlAt<CBitmapKnob>(FrequencyKnob, 0).value(), 120);
    DragUp(fixture, FrequencyKnob, 0, 30);
    EXPECT_EQ(fixture.NewCommands(), std::vector<std::string>{"1234.00001FR"});
    EXPECT_EQ(fixture.Status(), "Frequency Setting Complete");
    EXPECT_EQ(fixture.Panel().Link().mode, ControlMode::Live);

    DragUp(fixture, QKnob, 9, 20);
    EXPECT_EQ(fixture.NewCommands(), std::vector<std::string>{"0.93810FQ"});
    EXPECT_EQ(fixture.Status(), "Filter Q Setting Complete");
    EXPECT_EQ(fixture.Device().Settings()[9].q, 0.938);
}

TEST_F(StripEditingLive, TheMasterSendsToLockedChannelsInOrderAndNeverItself)
{
    fixture.Click(FrequencyLock, 8);
    fixture.Click(FrequencyLock, 1);
    EXPECT_TRUE(fixture.NewCommands().empty());
    DragUp(fixture, FrequencyKnob, MasterStrip, 30);
    EXPECT_EQ(fixture.NewCommands(), (std::vector<std::string>{"1234.00002FR", "1234.00009FR"}));
    EXPECT_EQ(fixture.Status(), "Frequency Setting Complete");

    // No Q lock: the master's release sends nothing but still reports.
    DragUp(fixture, QKnob, MasterStrip, 20);
    EXPECT_TRUE(fixture.NewCommands().empty());
    EXPECT_EQ(fixture.Status(), "Filter Q Setting Complete");
}

TEST_F(StripEditingLive, GainIsSentAtEveryMoveForEachLockedChannel)
{
    const std::string status = fixture.Status();
    DragUp(fixture, GainFader, 2, 25);
    std::vector<std::string> commands = fixture.NewCommands();
    ASSERT_FALSE(commands.empty());
    for (const std::string& command : commands)
        EXPECT_TRUE(command.ends_with("03GA")) << command;
    EXPECT_EQ(commands.back(), "0.49503GA");
    EXPECT_EQ(fixture.Status(), status);

    for (int channel : {4, 0, 11})
        fixture.Click(GainLock, channel);
    DragUp(fixture, GainFader, MasterStrip, 10);
    commands = fixture.NewCommands();
    ASSERT_FALSE(commands.empty());
    ASSERT_EQ(commands.size() % 3, 0u);
    for (std::size_t i = 0; i < commands.size(); i += 3) {
        EXPECT_TRUE(commands[i].ends_with("01GA")) << commands[i];
        EXPECT_TRUE(commands[i + 1].ends_with("05GA")) << commands[i + 1];
        EXPECT_TRUE(commands[i + 2].ends_with("12GA")) << commands[i + 2];
    }
    EXPECT_EQ(commands.back(), "0.19812GA");
}

TEST_F(StripEditingLive, ALockedChannelReceivesTheMastersValue)
{
    constexpr int Channel = 6;
    for (const LockedControl& c : LockedControls) {
        fixture.Click(c.lock, Channel);
        const int from = fixture.ControlAt<CSkinnedSlider>(c.control, MasterStrip).value();
        DragUp(fixture, c.control, MasterStrip, FirstInexactPositionFrom(c.scale, from + 1) - from);
        const std::vector<std::string> commands = fixture.NewCommands();
        ASSERT_FALSE(commands.empty()) << c.name;
        const double sent = fixture.Panel().Settings()[MasterStrip].*c.value;
        EXPECT_EQ(commands.back(), MakeValueCommand(Channel, sent, c.token)) << c.name;
    }
}

TEST_F(StripEditingLive, AFilterClickIsSentEvenWhenTheTypeIsAlreadySet)
{
    fixture.Click(FilterType::Low, 4);
    fixture.Click(FilterType::Low, 4);
    EXPECT_EQ(fixture.NewCommands(), (std::vector<std::string>{"LP05FI", "LP05FI"}));
    EXPECT_EQ(fixture.Status(), "Filter Setting Complete");
    EXPECT_EQ(fixture.Device().Settings()[4].filter, FilterType::Low);
}

TEST_F(StripEditingLive, ARefusedCommandIsReportedAsFailed)
{
    struct Case
    {
        const char* name;
        std::function<void()> act;
        const char* status;
    };
    const Case cases[] = {
        {"frequency", [&] { DragUp(fixture, FrequencyKnob, 3, 10); }, "Frequency Setting Failed"},
        {"Q", [&] { DragUp(fixture, QKnob, 3, 10); }, "Filter Q Setting Failed"},
        {"filter", [&] { fixture.Click(FilterType::Notch, 3); }, "Filter Setting Failed"},
    };
    for (const Case& c : cases) {
        fixture.Device().InjectFault(Fault::Refusal);
        c.act();
        EXPECT_EQ(fixture.Status(), c.status) << c.name;
        fixture.Device().ClearFaults();
        // A refusal is an answer: the link stays up.
        EXPECT_EQ(fixture.Panel().Link().mode, ControlMode::Live) << c.name;
    }
}

TEST_F(StripEditingLive, NothingIsSentOnceTheLinkIsOffline)
{
    fixture.Click(ModeButton);
    ASSERT_EQ(fixture.Panel().Link().mode, ControlMode::Offline);
    DragUp(fixture, FrequencyKnob, 2, 10);
    DragUp(fixture, GainFader, 2, 10);
    fixture.Click(FilterType::High, 2);
    EXPECT_TRUE(fixture.NewCommands().empty());
    EXPECT_EQ(fixture.Panel().Settings()[2].filter, FilterType::High);
}

} // namespace
