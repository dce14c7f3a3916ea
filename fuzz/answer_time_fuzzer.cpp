// An answer at any pace, through a real pseudo-terminal into one exchange of the link: any
// bytes, in any pieces, with any pauses shorter than the per-byte wait, sent over and over
// until the exchange ends. However the device trickles, the exchange ends within its
// per-byte wait plus the wire time of the longest answer the port takes, and what it returns
// is the line the device sent.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/command_set.h"
#include "device/device_link.h"
#include "fuzz/device_side.h"
#include "fuzz/require.h"
#include "serial/serial_panel_wnd.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int ByteWaitMs = 20;
constexpr int LongestPauseMs = ByteWaitMs - 5;
constexpr std::size_t LongestPiece = 64;
constexpr std::size_t MostPieces = 128;
constexpr int BaudRate = 38400;
constexpr int BitsPerByte = 10;
constexpr auto LongestAnswerWireTime =
    std::chrono::milliseconds(CSerialPort::MaxLineLength * BitsPerByte * 1000 / BaudRate + 1);
// Scheduling and the sanitizers' own pace on a busy machine.
constexpr auto Slack = 2s;
// The device gives up here, so that an exchange without a bound fails the property instead
// of hanging the target.
constexpr auto TrickleLimit = 10s;
constexpr auto DeliveryLimit = 1s;
constexpr std::uint32_t QuietMs = 50;

struct Harness
{
    CDeviceSide device;
    CSerialPanelWnd port;
    CDeviceLink link;
};

void OpenPort(Harness& harness)
{
    Require(harness.port.Open(harness.device.PortPath()) == StatusSuccess, "the port opens");
    harness.port.Configure(BaudRate, 8, 0, 0);
}

Harness& TheHarness()
{
    static Harness* const harness = [] {
        auto* made = new Harness;
        std::string error;
        Require(made->device.Open(error), "no pseudo-terminal");
        made->link.Attach(nullptr, &made->port);
        return made;
    }();
    return *harness;
}

using Schedule = std::vector<std::pair<std::chrono::milliseconds, std::string>>;

Schedule ScheduleOf(FuzzedDataProvider& input)
{
    Schedule schedule;
    while (input.remaining_bytes() > 0 && schedule.size() < MostPieces) {
        const auto pause =
            std::chrono::milliseconds(input.ConsumeIntegralInRange(0, LongestPauseMs));
        schedule.emplace_back(pause, input.ConsumeRandomLengthString(LongestPiece));
    }
    return schedule;
}

// Bytes of an earlier input that the terminal still holds must not answer this input's
// exchange: they are read until the line has been quiet for a while.
void DropLeftovers(CSerialPanelWnd& port)
{
    char chunk[256];
    std::size_t count = 0;
    port.SetReadMode(ReadMode::Blocking);
    do {
        count = 0;
        port.Read(chunk, sizeof chunk, &count, QuietMs);
    } while (count > 0);
    port.SetReadMode(ReadMode::NonBlocking);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Harness& harness = TheHarness();
    // A previous input's exchange may have ended the link, as a silent device does.
    if (!harness.port.IsOpen())
        OpenPort(harness);
    DropLeftovers(harness.port);
    FuzzedDataProvider input(data, size);
    const Schedule schedule = ScheduleOf(input);

    std::atomic<bool> stop{false};
    std::string sent;
    bool delivered = true;
    std::thread device([&] {
        const auto giveUp = Clock::now() + TrickleLimit;
        while (!schedule.empty() && !stop && Clock::now() < giveUp) {
            for (const auto& [pause, piece] : schedule) {
                std::this_thread::sleep_for(pause);
                if (stop)
                    return;
                // A piece the port never took may still arrive in part: what was sent is
                // no longer known exactly.
                if (!harness.device.Send(piece, DeliveryLimit)) {
                    delivered = false;
                    return;
                }
                sent += piece;
            }
        }
    });
    const auto start = Clock::now();
    const std::string answer = harness.link.Transact(std::string(VersionQuery), true, ByteWaitMs);
    const auto took = Clock::now() - start;
    stop = true;
    device.join();

    Require(took <= std::chrono::milliseconds(ByteWaitMs) + LongestAnswerWireTime + Slack,
            "an exchange ends within its wait plus the wire time of the longest answer");
    Require(answer.size() <= CSerialPort::MaxLineLength, "an answer is within the line limit");
    Require(answer.empty() || !delivered || sent.starts_with(answer + LineEnd),
            "an answer is the first line the device sent");
    harness.device.TakeReceived(0, 0ms);
    return 0;
}
