#include <functional>
#include <gtest/gtest.h>
#include <poll.h>

#include "device/page_frame.h"
#include "emulator/control_language.h"
#include "emulator_fixture.h"

namespace {

struct ControlCase
{
    const char* line;
    const char* reply;
    std::function<bool(const CEmulatedDevice&)> effect;
};

void PrintTo(const ControlCase& control, std::ostream* out)
{
    *out << '\'' << control.line << '\'';
}

class EmulatorControlLineTest : public EmulatorFixture,
                                public testing::WithParamInterface<ControlCase>
{};

TEST_P(EmulatorControlLineTest, RepliesAndSteersTheDevice)
{
    Start();
    std::string reply;
    const bool accepted = Device().ApplyControlLine(GetParam().line, reply);
    EXPECT_EQ(reply, GetParam().reply);
    EXPECT_EQ(accepted, reply.starts_with("ok"));
    if (GetParam().effect) {
        EXPECT_TRUE(GetParam().effect(Device()));
    }
}

bool ActiveFaultIs(const CEmulatedDevice& device, Fault fault)
{
    return device.ActiveFault() == fault && device.PendingFault() == Fault::None;
}

bool PendingFaultIs(const CEmulatedDevice& device, Fault fault)
{
    return device.ActiveFault() == Fault::None && device.PendingFault() == fault;
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, EmulatorControlLineTest,
    testing::Values(
        ControlCase{"mode update", "ok", [](auto& d) { return d.UpdateMode(); }},
        ControlCase{"  mode \t normal  ", "ok", [](auto& d) { return !d.UpdateMode(); }},
        ControlCase{"frontpanel active", "ok", [](auto& d) { return d.FrontPanelActive(); }},
        ControlCase{"frontpanel locked", "ok", [](auto& d) { return !d.FrontPanelActive(); }},
        ControlCase{"fault silence", "ok",
                    [](auto& d) { return ActiveFaultIs(d, Fault::Silence); }},
        ControlCase{"fault garbage after 3", "ok",
                    [](auto& d) { return PendingFaultIs(d, Fault::Garbage); }},
        ControlCase{"fault refuse at ?V", "ok",
                    [](auto& d) { return PendingFaultIs(d, Fault::Refusal); }},
        ControlCase{"fault trickle", "ok",
                    [](auto& d) { return ActiveFaultIs(d, Fault::Trickle); }},
        ControlCase{"fault trickle 50 after 1", "ok",
                    [](auto& d) { return PendingFaultIs(d, Fault::Trickle); }},
        ControlCase{"fault flood at 01*", "ok",
                    [](auto& d) { return PendingFaultIs(d, Fault::Flood); }},
        ControlCase{"fault hangup after 2", "ok",
                    [](auto& d) { return PendingFaultIs(d, Fault::HangUp); }},
        ControlCase{"abort-after 2", "ok", nullptr},
        ControlCase{"clear", "ok", [](auto& d) { return ActiveFaultIs(d, Fault::None); }},
        ControlCase{"status",
                    "ok mode=normal frontpanel=locked fault=none pending=none line=up lines=0 "
                    "pages=0 transfer=idle",
                    nullptr}));

constexpr const char* FaultUsage = "error: usage: fault silence|garbage|refuse|trickle "
                                   "[MS]|flood|hangup|none [after N | at TEXT]";

INSTANTIATE_TEST_SUITE_P(
    Refused, EmulatorControlLineTest,
    testing::Values(
        ControlCase{"", "error: unknown command ''", nullptr},
        ControlCase{"launch", "error: unknown command 'launch'", nullptr},
        ControlCase{"MODE update", "error: unknown command 'MODE'", nullptr},
        ControlCase{"mode", "error: usage: mode update|normal", nullptr},
        ControlCase{"mode sideways", "error: usage: mode update|normal", nullptr},
        ControlCase{"mode update now", "error: usage: mode update|normal",
                    [](auto& d) { return !d.UpdateMode(); }},
        ControlCase{"frontpanel", "error: usage: frontpanel active|locked", nullptr},
        ControlCase{"volume 0 1.0", "error: usage: volume CH VALUE, CH from 1 to 16", nullptr},
        ControlCase{"volume 17 1.0", "error: usage: volume CH VALUE, CH from 1 to 16", nullptr},
        ControlCase{"volume 1", "error: usage: volume CH VALUE, CH from 1 to 16", nullptr},
        ControlCase{"volume 1 abc", "error: usage: volume CH VALUE, CH from 1 to 16", nullptr},
        ControlCase{"volume 1 2.5", "error: the front panel is locked", nullptr},
        ControlCase{"fault", FaultUsage, nullptr},
        ControlCase{"fault meltdown", FaultUsage, nullptr},
        ControlCase{"fault silence after", FaultUsage, nullptr},
        ControlCase{"fault silence after -1", FaultUsage, nullptr},
        ControlCase{"fault silence after 2 more", FaultUsage, nullptr},
        ControlCase{"fault silence at", FaultUsage, nullptr},
        ControlCase{"fault silence whenever", FaultUsage,
                    [](auto& d) { return ActiveFaultIs(d, Fault::None); }},
        ControlCase{"fault trickle -5", FaultUsage, nullptr},
        ControlCase{"abort-after", "error: usage: abort-after N", nullptr},
        ControlCase{"abort-after x", "error: usage: abort-after N", nullptr},
        ControlCase{"clear now", "error: usage: clear", nullptr},
        ControlCase{"status please", "error: usage: status", nullptr}));

class EmulatorControlEffectTest : public EmulatorFixture
{
protected:
    void Control(std::string_view line)
    {
        std::string reply;
        ASSERT_TRUE(Device().ApplyControlLine(line, reply)) << line << ": " << reply;
    }

    std::string Status()
    {
        std::string reply;
        Device().ApplyControlLine("status", reply);
        return reply;
    }
};

TEST_F(EmulatorControlEffectTest, FaultAtACommandOrACommandStart)
{
    Start();
    Control("fault refuse at ?V");
    EXPECT_EQ(Client().Exchange("?M"), "M01");
    EXPECT_EQ(Client().Exchange("?V"), "E");
    Control("clear");
    Control("fault garbage at 02*");
    EXPECT_EQ(Client().Exchange("01FR"), "1000.000");
    EXPECT_EQ(Client().Exchange("02FQ"), "#?x7");
}

TEST_F(EmulatorControlEffectTest, VolumeKnobReachesTheGainList)
{
    Start();
    Control("frontpanel active");
    Control("volume 3 4.5");
    Control("volume 16 0.25");
    EXPECT_EQ(Client().Exchange("FP"), "F01");
    EXPECT_EQ(Client().Exchange("QS"), "0.000-0.000-4.500-0.000-0.000-0.000-0.000-0.000-"
                                       "0.000-0.000-0.000-0.000-0.000-0.000-0.000-0.250-");
}

TEST_F(EmulatorControlEffectTest, StatusFollowsTheConversation)
{
    Start();
    Control("mode update");
    Control("abort-after 1");
    EXPECT_EQ(Client().Exchange("UF"), "<<");
    EXPECT_EQ(Status(), "ok mode=update frontpanel=locked fault=none pending=none line=up "
                        "lines=1 pages=0 transfer=running");
    const PageFrame frame = MakePageFrame(std::vector<std::uint8_t>(3, 1), 0);
    Client().Write(std::string(frame.begin(), frame.end()));
    EXPECT_EQ(Client().ReadLine(), "<!");
    EXPECT_EQ(Status(), "ok mode=update frontpanel=locked fault=none pending=none line=up "
                        "lines=1 pages=1 transfer=idle");
    Control("fault hangup");
    ASSERT_TRUE(WaitUntil([&] { return !Device().LineUp(); }));
    EXPECT_EQ(Status(), "ok mode=update frontpanel=locked fault=hangup pending=none line=down "
                        "lines=1 pages=1 transfer=idle");
}

} // namespace
