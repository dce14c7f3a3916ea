#include "tests/panel/panel_fixture.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>
#include <set>

#include "controls/focus_mark.h"
#include "panel/control_layout.h"

namespace {

using enum ControlRole;

// A control as the tables name it: a role on a strip, and a filter type for a filter key.
struct Place
{
    ControlRole role;
    int strip = -1;
    int filterType = -1;
};

constexpr int Channel3 = 2;

Place Key(FilterType type, int channel)
{
    return {FilterButton, channel, static_cast<int>(type)};
}

QWidget* ControlAt(PanelFixture& fixture, const Place& place)
{
    return fixture.Panel().Control(place.role, place.strip, place.filterType);
}

QAccessibleInterface* Accessible(PanelFixture& fixture, const Place& place)
{
    return QAccessible::queryAccessibleInterface(ControlAt(fixture, place));
}

std::string Text(PanelFixture& fixture, const Place& place, QAccessible::Text which)
{
    return Accessible(fixture, place)->text(which).toStdString();
}

std::string Name(PanelFixture& fixture, const Place& place)
{
    return Text(fixture, place, QAccessible::Name);
}

void SetValue(PanelFixture& fixture, const Place& place, double value)
{
    Accessible(fixture, place)->valueInterface()->setCurrentValue(value);
    QCoreApplication::processEvents();
}

TEST(PanelAccessibility, EveryControlIsNamedOnceAndHasTheRoleOfItsKind)
{
    struct Case
    {
        Place place;
        const char* name;
        QAccessible::Role role;
    };
    const Case cases[] = {
        {{FrequencyKnob, Channel3}, "Channel 3 frequency", QAccessible::Dial},
        {{QKnob, MasterStrip}, "Master Q", QAccessible::Dial},
        {{GainFader, Channel3}, "Channel 3 gain", QAccessible::Slider},
        {{GainFader, MasterStrip}, "Master gain", QAccessible::Slider},
        {Key(FilterType::Low, Channel3), "Channel 3 low-pass", QAccessible::RadioButton},
        {Key(FilterType::Band, 15), "Channel 16 band-pass", QAccessible::RadioButton},
        {{GainLock, Channel3}, "Channel 3 gain lock to master", QAccessible::CheckBox},
        {{QLock, 0}, "Channel 1 Q lock to master", QAccessible::CheckBox},
        {{FrequencyReadout, MasterStrip}, "Master frequency read-out", QAccessible::StaticText},
        {{HelpButton}, "Help", QAccessible::Button},
        {{ModeButton}, "Connect to Sonavire for Real-Time Control", QAccessible::Button},
        {{ExitButton}, "Exit Sonavire", QAccessible::Button},
        {{FrontPanelLamp}, "Front-panel lamp", QAccessible::StaticText},
        {{StatusDisplay}, "Status", QAccessible::StaticText},
    };
    PanelFixture fixture;
    for (const Case& c : cases) {
        QAccessibleInterface* control = Accessible(fixture, c.place);
        EXPECT_EQ(control->text(QAccessible::Name).toStdString(), c.name);
        EXPECT_EQ(control->role(), c.role) << c.name;
        const bool valued = c.role == QAccessible::Dial || c.role == QAccessible::Slider;
        EXPECT_EQ(control->valueInterface() != nullptr, valued) << c.name;
    }
    std::set<QString> names;
    for (const ControlEntry& entry : MainWindowLayout()) {
        if (entry.kind == ControlClass::DragArea)
            continue;
        const QString name =
            QAccessible::queryAccessibleInterface(fixture.Panel().Control(entry.id))
                ->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << entry.id;
        EXPECT_TRUE(names.insert(name).second) << name.toStdString();
    }
}

TEST(PanelAccessibility, TheWindowListsAStripFromTopToBottom)
{
    const char* const expected[] = {
        "Channel 3 frequency read-out",
        "Channel 3 frequency",
        "Channel 3 frequency lock to master",
        "Channel 3 Q",
        "Channel 3 Q lock to master",
        "Channel 3 flat",
        "Channel 3 band-pass",
        "Channel 3 notch",
        "Channel 3 high-pass",
        "Channel 3 low-pass",
        "Channel 3 tone",
        "Channel 3 gain",
        "Channel 3 gain lock to master",
        "Channel 3 gain read-out",
        "Channel 4 frequency read-out",
    };
    PanelFixture fixture;
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&fixture.Panel());
    const int first = window->indexOfChild(Accessible(fixture, {FrequencyReadout, Channel3}));
    ASSERT_GE(first, 0);
    for (int i = 0; i < static_cast<int>(std::size(expected)); ++i)
        EXPECT_EQ(window->child(first + i)->text(QAccessible::Name).toStdString(), expected[i]);
}

TEST(PanelAccessibility, ValuesSetThroughTheInterfaceReachTheSettingsAndTheReadOuts)
{
    struct Case
    {
        Place control;
        double requested;
        const char* valueText;
        double stored;
        Place readout;
        const char* readoutText;
    };
    // What is no number leaves the control as it was: it reads as its read-out shows the
    // setting, not as its position, which lies below the setting.
    constexpr double Untouched = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {{FrequencyKnob, Channel3},
         Untouched,
         "1000 Hz",
         1000.0,
         {FrequencyReadout, Channel3},
         "1000"},
        {{QKnob, 0}, Untouched, "0.71", 0.707, {QKnob}, ""},
        {{FrequencyKnob, Channel3},
         1000.0,
         "1003 Hz",
         1003.16,
         {FrequencyReadout, Channel3},
         "1003"},
        {{GainFader, Channel3}, 4.5, "4.5", 4.4946, {GainReadout, Channel3}, "4.5"},
        {{GainFader, 0}, 50.0, "9.9", 9.9, {GainReadout, 0}, "9.9"},
        {{FrequencyKnob, MasterStrip},
         8000.0,
         "8000 Hz",
         8000.0,
         {FrequencyReadout, MasterStrip},
         "8000"},
        {{QKnob, Channel3}, 2.0, "2.01", 2.005125, {QKnob}, ""},
    };
    for (const Case& c : cases) {
        PanelFixture fixture;
        SetValue(fixture, c.control, c.requested);
        const std::string name = Name(fixture, c.control);
        EXPECT_EQ(Text(fixture, c.control, QAccessible::Value), c.valueText) << name;
        const StripSettings& strip = fixture.Panel().Settings()[c.control.strip];
        const double stored = c.control.role == FrequencyKnob ? strip.freq
                              : c.control.role == QKnob       ? strip.q
                                                              : strip.gain;
        EXPECT_NEAR(stored, c.stored, 1e-9) << name;
        // The Q has no read-out.
        if (c.readout.role != QKnob) {
            EXPECT_EQ(Text(fixture, c.readout, QAccessible::Value), c.readoutText) << name;
        }
    }
}

TEST(PanelAccessibility, FilterKeysAndLocksAreCheckedAsTheSettingsTheyStandFor)
{
    PanelFixture fixture;
    const auto checked = [&](const Place& place) {
        return Accessible(fixture, place)->state().checked;
    };
    for (int type = 0; type < FilterTypeCount; ++type) {
        Accessible(fixture, Key(static_cast<FilterType>(type), Channel3))
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(fixture.Panel().Settings()[Channel3].filter, static_cast<FilterType>(type));
        for (int other = 0; other < FilterTypeCount; ++other)
            EXPECT_EQ(checked(Key(static_cast<FilterType>(other), Channel3)), other == type)
                << type << " " << other;
    }
    const Place lock{FrequencyLock, Channel3};
    EXPECT_TRUE(Accessible(fixture, lock)->state().checkable);
    EXPECT_FALSE(checked(lock));
    Accessible(fixture, lock)
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(fixture.Panel().Settings()[Channel3].freqLock);
    EXPECT_TRUE(checked(lock));
    fixture.Click(FrequencyLock, Channel3);
    EXPECT_FALSE(checked(lock));
}

// Tab walks a strip from its top down, the top row before channel 1, and the master after
// channel 16; Shift+Tab walks the same way back. The focus ring follows.
TEST(PanelAccessibility, TabFollowsTheReadingOrderWithAVisibleMark)
{
    struct Case
    {
        const char* name;
        Place start;
        std::vector<Place> tabs;
    };
    const Case cases[] = {
        {"channel 3",
         {GainLock, 1},
         {{FrequencyKnob, Channel3},
          {FrequencyLock, Channel3},
          {QKnob, Channel3},
          {QLock, Channel3},
          Key(FilterType::Flat, Channel3),
          Key(FilterType::Band, Channel3),
          Key(FilterType::Notch, Channel3),
          Key(FilterType::High, Channel3),
          Key(FilterType::Low, Channel3),
          Key(FilterType::Tone, Channel3),
          {GainFader, Channel3},
          {GainLock, Channel3},
          {FrequencyKnob, 3}}},
        {"top row", {RetrieveButton}, {{MinimizeButton}, {ExitButton}, {FrequencyKnob, 0}}},
        {"master",
         {GainLock, 15},
         {{FrequencyKnob, MasterStrip},
          {QKnob, MasterStrip},
          {GainFader, MasterStrip},
          {HelpButton}}},
    };
    PanelFixture fixture;
    fixture.Panel().activateWindow();
    auto* mark = fixture.Panel().findChild<CFocusMark*>();
    ASSERT_NE(mark, nullptr);
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    for (const Case& c : cases) {
        ControlAt(fixture, c.start)->setFocus(Qt::TabFocusReason);
        for (const Place& next : c.tabs) {
            press(Qt::Key_Tab, Qt::NoModifier);
            EXPECT_EQ(QApplication::focusWidget(), ControlAt(fixture, next))
                << c.name << ": " << Name(fixture, next);
            EXPECT_EQ(mark->Marked(), ControlAt(fixture, next)) << c.name;
        }
        for (auto back = c.tabs.rbegin() + 1; back != c.tabs.rend(); ++back) {
            press(Qt::Key_Backtab, Qt::ShiftModifier);
            EXPECT_EQ(QApplication::focusWidget(), ControlAt(fixture, *back))
                << c.name << ": " << Name(fixture, *back);
        }
        press(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), ControlAt(fixture, c.start)) << c.name;
    }
    fixture.Click(QKnob, Channel3);
    EXPECT_EQ(QApplication::focusWidget(), ControlAt(fixture, {QKnob, Channel3}));
    EXPECT_EQ(mark->Marked(), nullptr);
}

class PanelAccessibilityLive : public testing::Test
{
protected:
    explicit PanelAccessibilityLive(bool frontPanelActive = false)
    {
        EmulatorOptions options;
        options.frontPanelActive = frontPanelActive;
        fixture.StartDevice(options);
        fixture.GoLive();
    }

    PanelFixture fixture;
};

// The panel hears a value set from outside as it hears an arrow key: a knob's release sends
// its value once, a fader's move sends the gain.
TEST_F(PanelAccessibilityLive, AValueSetFromOutsideIsSentAsAKeyWouldSendIt)
{
    SetValue(fixture, {FrequencyKnob, 0}, 1234.0);
    EXPECT_EQ(fixture.NewCommands(), std::vector<std::string>{"1234.00001FR"});
    EXPECT_EQ(fixture.Status(), "Frequency Setting Complete");
    SetValue(fixture, {GainFader, Channel3}, 0.495);
    EXPECT_EQ(fixture.NewCommands(), std::vector<std::string>{"0.49503GA"});
    EXPECT_EQ(Text(fixture, {FrontPanelLamp}, QAccessible::Value), "Front panel locked");
    EXPECT_FALSE(fixture.LampLit());
}

class PanelAccessibilityFrontPanel : public PanelAccessibilityLive
{
protected:
    PanelAccessibilityFrontPanel() : PanelAccessibilityLive(true) {}
};

TEST_F(PanelAccessibilityFrontPanel, TheLampSaysSoAndTheFadersRefuseValues)
{
    EXPECT_TRUE(fixture.LampLit());
    EXPECT_EQ(Text(fixture, {FrontPanelLamp}, QAccessible::Value), "Front panel active");
    const Place fader{GainFader, Channel3};
    const std::string before = Text(fixture, fader, QAccessible::Value);
    SetValue(fixture, fader, 5.0);
    EXPECT_EQ(Text(fixture, fader, QAccessible::Value), before);
    EXPECT_TRUE(fixture.NewCommands().empty());
}

} // namespace
