#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>
#include <numeric>
#include <poll.h>
#include <unistd.h>
#include <vector>

#include "emulator_fixture.h"

namespace {

struct Exchange
{
    const char* command;
    const char* answer;
};

struct TriggerCase
{
    const char* name;
    Fault fault;
    FaultTrigger trigger;
    std::vector<Exchange> exchanges;
};

void PrintTo(const TriggerCase& triggerCase, std::ostream* out)
{
    *out << triggerCase.name;
}

class EmulatorFaultTriggerTest : public EmulatorFixture,
                                 public testing::WithParamInterface<TriggerCase>
{};

TEST_P(EmulatorFaultTriggerTest, FaultBeginsAtItsTriggerAndStays)
{
    Start();
    Device().InjectFault(GetParam().fault, GetParam().trigger);
    for (const Exchange& exchange : GetParam().exchanges)
        EXPECT_EQ(Client().Exchange(exchange.command), exchange.answer) << exchange.command;
}

INSTANTIATE_TEST_SUITE_P(
    Triggers, EmulatorFaultTriggerTest,
    testing::Values(
        TriggerCase{"RefusalAtOnce",
                    Fault::Refusal,
                    FaultTrigger::AtOnce(),
                    {{"?V", "E"}, {"?M", "E"}, {"01FR", "E"}}},
        TriggerCase{"RefusalAfterTwoCommands",
                    Fault::Refusal,
                    FaultTrigger::AfterCommands(2),
                    {{"?V", "Sonavire v1.02"}, {"?M", "M01"}, {"FP", "E"}, {"?M", "E"}}},
        TriggerCase{"RefusalAfterNoMoreCommands",
                    Fault::Refusal,
                    FaultTrigger::AfterCommands(0),
                    {{"?M", "E"}}},
        TriggerCase{"GarbageAtACommand",
                    Fault::Garbage,
                    FaultTrigger::AtCommand("FP"),
                    {{"?M", "M01"}, {"FPX", "E"}, {"FP", "#?x7"}, {"?M", "#?x7"}}},
        TriggerCase{"GarbageAtACommandStart",
                    Fault::Garbage,
                    FaultTrigger::AtCommandPrefix("01"),
                    {{"02FR", "1000.000"}, {"1.00001GA", "R"}, {"01FR", "#?x7"}, {"?V", "#?x7"}}},
        TriggerCase{"NoneEndsNothingBeforeItsTrigger",
                    Fault::None,
                    FaultTrigger::AtCommand("?V"),
                    {{"?M", "M01"}, {"?V", "Sonavire v1.02"}}}));

class EmulatorFaultTest : public EmulatorFixture
{};

TEST_F(EmulatorFaultTest, ActiveFaultGoesOnUntilTheNextOneIsTriggered)
{
    Start();
    Device().InjectFault(Fault::Refusal);
    Device().InjectFault(Fault::Garbage, FaultTrigger::AfterCommands(1));
    EXPECT_EQ(Device().PendingFault(), Fault::Garbage);
    EXPECT_EQ(Client().Exchange("?M"), "E");
    EXPECT_EQ(Client().Exchange("?M"), "#?x7");
    EXPECT_EQ(Device().ActiveFault(), Fault::Garbage);
    Device().ClearFaults();
    EXPECT_EQ(Client().Exchange("?M"), "M01");
}

TEST_F(EmulatorFaultTest, RefusedCommandIsNotCarriedOut)
{
    Start();
    Device().InjectFault(Fault::Refusal);
    EXPECT_EQ(Client().Exchange("5.00001GA"), "E");
    Device().ClearFaults();
    EXPECT_EQ(Device().Settings()[0].gain, 0.0);
    EXPECT_EQ(Client().Exchange("?M"), "M01");
}

TEST_F(EmulatorFaultTest, GarbledAnswerStillCarriesTheCommandOut)
{
    Start();
    Device().InjectFault(Fault::Garbage);
    EXPECT_EQ(Client().Exchange("5.00001GA"), "#?x7");
    EXPECT_EQ(Device().Settings()[0].gain, 5.0);
}

TEST_F(EmulatorFaultTest, SilenceAnswersNothingAndCarriesNothingOut)
{
    Start();
    Device().InjectFault(Fault::Silence);
    Client().Command("?V");
    Client().Command("5.00001GA");
    ASSERT_TRUE(ReceivedLines(2));
    Device().ClearFaults();
    // Had the device answered either, those answers would come first.
    EXPECT_EQ(Client().Exchange("?M"), "M01");
    EXPECT_EQ(Device().Settings()[0].gain, 0.0);
}

TEST_F(EmulatorFaultTest, TrickleSendsTheAnswerByteByByte)
{
    Start();
    Device().SetTrickleDelay(100ms);
    Device().InjectFault(Fault::Trickle);
    Client().Command("?M");
    const auto pieces = Client().ReadLineInPieces();
    EXPECT_GE(pieces.size(), 2u);
    EXPECT_EQ(std::accumulate(pieces.begin(), pieces.end(), std::string()), "M01\r");
}

TEST_F(EmulatorFaultTest, FloodSendsTenThousandBytesWithoutALineEndThenNothing)
{
    Start();
    Device().InjectFault(Fault::Flood);
    Client().Command("?V");
    const std::string flood = Client().ReadBytes(10000);
    EXPECT_EQ(flood.size(), 10000u);
    EXPECT_EQ(flood.find('\r'), std::string::npos);
    Client().Command("?V");
    ASSERT_TRUE(ReceivedLines(2));
    Device().ClearFaults();
    EXPECT_EQ(Client().Exchange("FP"), "F00");
}

bool SeesHangUp(int fd)
{
    pollfd line{fd, POLLIN, 0};
    return poll(&line, 1, static_cast<int>(CPtyClient::DefaultWait.count())) == 1 &&
           (line.revents & POLLHUP);
}

TEST_F(EmulatorFaultTest, HangUpAtOnceDropsTheLine)
{
    Start();
    EXPECT_EQ(Client().Exchange("?M"), "M01");
    Device().InjectFault(Fault::HangUp);
    EXPECT_TRUE(SeesHangUp(Client().Fd()));
    EXPECT_EQ(write(Client().Fd(), "?M\r", 3), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_TRUE(WaitUntil([&] { return !Device().LineUp(); }));
}

TEST_F(EmulatorFaultTest, HangUpAtACommandDropsTheLineInsteadOfAnswering)
{
    Start();
    Device().InjectFault(Fault::HangUp, FaultTrigger::AtCommand("ST"));
    EXPECT_EQ(Client().Exchange("2.00001GA"), "R");
    Client().Command("ST");
    EXPECT_TRUE(SeesHangUp(Client().Fd()));
    char byte = 0;
    EXPECT_EQ(read(Client().Fd(), &byte, 1), 0);
    EXPECT_EQ(Device().StoredSettings()[0].gain, 0.0);
}

} // namespace
