#include <chrono>
#include <gtest/gtest.h>

#include "emulator/traffic_log.h"
#include "emulator/wire_clock.h"
#include "emulator_fixture.h"

namespace {

struct SpanCase
{
    std::int64_t bytes;
    std::int64_t nanoseconds;
};

void PrintTo(const SpanCase& span, std::ostream* out)
{
    *out << span.bytes << " bytes";
}

class EmulatorByteSpanTest : public testing::TestWithParam<SpanCase>
{};

TEST_P(EmulatorByteSpanTest, TenBitsPerByteAt38400Baud)
{
    EXPECT_EQ(ByteSpan(GetParam().bytes).count(), GetParam().nanoseconds);
}

INSTANTIATE_TEST_SUITE_P(Spans, EmulatorByteSpanTest,
                         testing::Values(SpanCase{0, 0}, SpanCase{1, 260416}, SpanCase{2, 520833},
                                         SpanCase{3, 781250}, SpanCase{7, 1822916},
                                         SpanCase{3840, 1'000'000'000},
                                         SpanCase{259 * 513, 34'600'781'250}));

TEST(EmulatorWireClockTest, BytesFollowBackToBackWhileTheLineIsBusy)
{
    CWireClock clock;
    const WireTime start(1'000'000);
    const ByteSlots first = clock.Reserve(start, 3);
    EXPECT_EQ(first.End(0), start + ByteSpan(1));
    EXPECT_EQ(first.End(2), start + ByteSpan(3));

    // Handed over before the line fell idle: queued behind the first three.
    const ByteSlots second = clock.Reserve(start + ByteSpan(1), 2);
    EXPECT_EQ(second.End(0), start + ByteSpan(4));
    EXPECT_EQ(second.End(1), start + ByteSpan(5));

    // Handed over exactly when the line falls idle: still back to back.
    const ByteSlots third = clock.Reserve(start + ByteSpan(5), 1);
    EXPECT_EQ(third.End(0), start + ByteSpan(6));
}

TEST(EmulatorWireClockTest, IdleLineStartsAfreshWhenTheNextByteIsHandedOver)
{
    CWireClock clock;
    clock.Reserve(WireTime(0), 10);
    const WireTime later = ByteSpan(10) + WireTime(1);
    const ByteSlots slots = clock.Reserve(later, 1);
    EXPECT_EQ(slots.End(0), later + ByteSpan(1));
}

struct EscapeCase
{
    std::string bytes;
    const char* text;
};

void PrintTo(const EscapeCase& escape, std::ostream* out)
{
    *out << '\'' << escape.text << '\'';
}

class EmulatorLogEscapeTest : public testing::TestWithParam<EscapeCase>
{};

TEST_P(EmulatorLogEscapeTest, ShowsEveryByteUnambiguously)
{
    EXPECT_EQ(CTrafficLog::Escaped(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, EmulatorLogEscapeTest,
    testing::Values(EscapeCase{"?V\r", "?V\\r"}, EscapeCase{"R\n\r", "R\\n\\r"},
                    EscapeCase{"a\tb", "a\\tb"}, EscapeCase{"\\", "\\\\"},
                    EscapeCase{std::string("\0\x1F\x7F\x80\xFF", 5), "\\x00\\x1F\\x7F\\x80\\xFF"},
                    EscapeCase{" ~", " ~"}, EscapeCase{"", ""}));

class EmulatorPacedTest : public EmulatorFixture
{};

TEST_F(EmulatorPacedTest, PacedDeviceGivesTheSameAnswers)
{
    Start({.paced = true});
    EXPECT_EQ(Client().Exchange("?V"), "Sonavire v1.02");
    EXPECT_EQ(Client().Exchange("1.50016GA"), "R");
    EXPECT_EQ(Client().Exchange("QS"), "0.000-0.000-0.000-0.000-0.000-0.000-0.000-0.000-"
                                       "0.000-0.000-0.000-0.000-0.000-0.000-0.000-1.500-");
    // Two commands written back to back are answered in order.
    Client().Write("?M\r01FI\r");
    EXPECT_EQ(Client().ReadLine(), "M01");
    EXPECT_EQ(Client().ReadLine(), "FL");
}

constexpr const char* GainList = "0.000-0.000-0.000-0.000-0.000-0.000-0.000-0.000-"
                                 "0.000-0.000-0.000-0.000-0.000-0.000-0.000-0.000-";

struct LatencyCase
{
    const char* label;
    bool paced;
    int latencyTimerMs;
    const char* command;
    const char* answer;
    WireTime earliest; // after the command is written
};

void PrintTo(const LatencyCase& latency, std::ostream* out)
{
    *out << latency.label;
}

class EmulatorLatencyTimerTest : public EmulatorFixture,
                                 public testing::WithParamInterface<LatencyCase>
{};

TEST_P(EmulatorLatencyTimerTest, AnswerWaitsForTheAdapterToPassItOn)
{
    const LatencyCase& latency = GetParam();
    Start({.paced = latency.paced, .latencyTimerMs = latency.latencyTimerMs});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Client().Exchange(latency.command), latency.answer);
    EXPECT_GE(std::chrono::steady_clock::now() - start, latency.earliest);
}

// Paced, the answer's first byte has crossed the line one byte time after the command's
// carriage return; the QS answer's second packet starts its own timer with its first byte,
// the 63rd of the answer.
INSTANTIATE_TEST_SUITE_P(
    Timers, EmulatorLatencyTimerTest,
    testing::Values(LatencyCase{"no adapter", false, 0, "?V", "Sonavire v1.02", WireTime{}},
                    LatencyCase{"unpaced", false, 40, "?V", "Sonavire v1.02", 40ms},
                    LatencyCase{"paced", true, 40, "?V", "Sonavire v1.02", 40ms + ByteSpan(4)},
                    LatencyCase{"two packets", true, 40, "QS", GainList, 40ms + ByteSpan(3 + 63)}));

} // namespace
