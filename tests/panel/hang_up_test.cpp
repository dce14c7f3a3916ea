#include "tests/panel/panel_fixture.h"

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <ostream>

namespace {

using std::chrono::nanoseconds;

constexpr int IdleMs = 3000;
// A worker that polls a dead line in a loop burns a whole core; waiting costs next to nothing.
// A sanitizer build pays for every timer tick and paint several times over, so it gets a
// wider, still telling, bound.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr double BusyShare = 0.2;
#else
constexpr double BusyShare = 0.1;
#endif

nanoseconds ProcessCpuTime()
{
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return std::chrono::seconds(used.tv_sec) + nanoseconds(used.tv_nsec);
}

struct HangUpCase
{
    const char* name;
    bool updateMode;
    ControlMode connected;
};

void PrintTo(const HangUpCase& hangUpCase, std::ostream* out)
{
    *out << hangUpCase.name;
}

class HangUp : public testing::TestWithParam<HangUpCase>
{};

// The loss is reported as the line reports it, without waiting for the poll (the clock is
// stopped), and nothing in the process keeps the processor busy with the dead line.
TEST_P(HangUp, IsReportedWithoutSpinning)
{
    PanelFixture fixture;
    EmulatorOptions options;
    options.updateMode = GetParam().updateMode;
    CEmulatedDevice& device = fixture.StartDevice(options);
    fixture.Click(ControlRole::ModeButton);
    ASSERT_EQ(fixture.Panel().Link().mode, GetParam().connected);

    fixture.Tick(0);
    const auto wallStart = std::chrono::steady_clock::now();
    const nanoseconds cpuStart = ProcessCpuTime();
    device.InjectFault(Fault::HangUp);
    QTest::qWait(IdleMs);
    const nanoseconds cpu = ProcessCpuTime() - cpuStart;
    const auto wall = std::chrono::steady_clock::now() - wallStart;

    const auto cpuMs = std::chrono::duration_cast<std::chrono::milliseconds>(cpu).count();
    const auto wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(wall).count();
    RecordProperty("cpuMs", static_cast<int>(cpuMs));
    EXPECT_LT(cpuMs, BusyShare * wallMs) << "CPU " << cpuMs << " ms in " << wallMs << " ms";
    EXPECT_FALSE(device.LineUp());
    EXPECT_EQ(fixture.Panel().Link().mode, ControlMode::Offline);
    EXPECT_FALSE(fixture.Panel().Link().IsPortOpen());
    EXPECT_EQ(fixture.Status(), "Lost Connection with Sonavire");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, HangUp,
    testing::Values(HangUpCase{"Live", false, ControlMode::Live},
                    HangUpCase{"UpdateMode", true, ControlMode::FirmwareUpdate}),
    [](const testing::TestParamInfo<HangUpCase>& info) { return std::string(info.param.name); });

} // namespace
