#include "bench/link_figures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/bench_table.h"
#include "device/command_set.h"
#include "device/device_link.h"
#include "device/page_frame.h"
#include "emulator/emulated_device.h"
#include "firmware/fileio.h"
#include "model/number_format.h"
#include "serial/message_queue.h"
#include "serial/serial_panel_wnd.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr double BitsPerByte = 10.0; // start bit, eight data bits, stop bit
constexpr double ByteTime = BitsPerByte / CDeviceLink::BaudRate;
constexpr int UnpacedExchanges = 20000;
// Other programs on the machine delay a run now and then; the middle one of several shows
// what the link itself costs.
constexpr int FullReadRuns = 5;

class QueueWindow : public IMessageWindow
{
public:
    IMessageTarget* MessageTarget() override { return &queue; }
    CMessageQueue queue;
};

struct Session
{
    explicit Session(EmulatorOptions options) : device(std::move(options))
    {
        std::string error;
        if (!device.Start(error)) {
            std::fprintf(stderr, "emulator: %s\n", error.c_str());
            std::exit(1);
        }
        link.Attach(&window, &port);
        if (!link.Connect(device.PortPath())) {
            std::fprintf(stderr, "connect: %s\n", link.ConnectFailure().c_str());
            std::exit(1);
        }
        link.QueryMode();
    }

    CEmulatedDevice device;
    QueueWindow window;
    CSerialPanelWnd port;
    CDeviceLink link;
};

// Bytes on the wire of one exchange: the command and its carriage return, the answer and
// its carriage return. Exchanges are strictly one after the other, so both directions add.
std::size_t ExchangeBytes(const std::string& command, const std::string& answer)
{
    return command.size() + 1 + answer.size() + 1;
}

std::size_t FullReadBytes(const PanelSettings& settings)
{
    std::size_t bytes = ExchangeBytes("FP", "F00");
    std::string gains;
    for (int index = 0; index < ChannelCount; ++index)
        gains += FormatFixed(settings[index].gain, 3) + "-";
    bytes += ExchangeBytes("QS", gains);
    for (int index = 0; index < ChannelCount; ++index) {
        const StripSettings& strip = settings[index];
        bytes += ExchangeBytes(MakeChannelQuery(index, FilterToken), "FL");
        bytes += ExchangeBytes(MakeChannelQuery(index, FrequencyToken), FormatFixed(strip.freq, 3));
        bytes += ExchangeBytes(MakeChannelQuery(index, QToken), FormatFixed(strip.q, 3));
    }
    return bytes;
}

double MeasureExchangesPerSecond()
{
    Session session({});
    const auto start = Clock::now();
    for (int i = 0; i < UnpacedExchanges; ++i)
        session.link.Transact(std::string(ModeQuery), true, QueryWaitMs);
    const double elapsed = Seconds(Clock::now() - start).count();
    return session.link.IsPortOpen() ? UnpacedExchanges / elapsed : 0.0;
}

std::pair<double, double> MeasurePacedFullRead()
{
    EmulatorOptions options;
    options.paced = true;
    Session session(options);
    PanelSettings settings{};
    const auto start = Clock::now();
    session.link.QueryFrontPanel();
    session.link.ReadGains(settings);
    session.link.ReadFilterTypes(settings);
    session.link.ReadFrequencies(settings);
    session.link.ReadQs(settings);
    const double elapsed = Seconds(Clock::now() - start).count();
    return {elapsed, FullReadBytes(settings) * ByteTime};
}

std::pair<double, double> MeasurePacedTransfer()
{
    const auto folder =
        std::filesystem::temp_directory_path() / ("sonavire-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = folder / "image.hex";
    std::vector<unsigned char> image(CDeviceLink::ImageCapacity);
    std::iota(image.begin(), image.end(), 0);
    fileio(FileOperation::Write, path.c_str(), FileFormat::IntelHex, image.data(),
           static_cast<int>(image.size()));

    EmulatorOptions options;
    options.paced = true;
    options.updateMode = true;
    Session session(options);
    const auto start = Clock::now();
    session.link.StartFirmwareUpdate(path);
    while (session.link.programming) {
        if (const auto message = session.window.queue.Take(std::chrono::milliseconds(1000)))
            session.link.OnSerialEvent(message->wParam);
        session.link.CheckFirmwareResponse(Clock::now());
    }
    const double elapsed = Seconds(Clock::now() - start).count();
    std::filesystem::remove_all(folder);

    const std::size_t pages = CDeviceLink::ImageCapacity / PageSize + 1;
    const std::size_t bytes = UpdateFirmwareCommand.size() + 1 +
                              pages * (PageRequest.size() + 1 + PageFrameSize) + EndFrame.size();
    const bool complete = session.link.progressText.ends_with("Complete!");
    return {complete ? elapsed : -1.0, bytes * ByteTime};
}

double MedianFullReadRatio(double& wireTime)
{
    std::vector<double> ratios;
    for (int run = 0; run < FullReadRuns; ++run) {
        const auto [elapsed, wire] = MeasurePacedFullRead();
        ratios.push_back(elapsed / wire);
        wireTime = wire;
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

} // namespace

void MeasureLinkFigures(CBenchTable& table)
{
    const double rate = MeasureExchangesPerSecond();
    table.Row("exchanges per second, unpaced", Format("%.0f /s", rate), ">= 10000 /s",
              rate >= 10000);

    double readWire = 0;
    const double readRatio = MedianFullReadRatio(readWire);
    table.Row("full read at 38400 baud (50 exchanges)",
              Format("x%.4f", readRatio) + Format(" (%.1f ms)", readRatio * readWire * 1000),
              Format("wire %.1f ms, <= x1.02", readWire * 1000), readRatio <= 1.02);

    const auto [transferTime, transferWire] = MeasurePacedTransfer();
    if (transferTime < 0) {
        table.Failed("128 KiB firmware transfer at 38400 baud", "not completed", "<= x1.02");
        return;
    }
    const double transferRatio = transferTime / transferWire;
    table.Row("128 KiB firmware transfer at 38400 baud",
              Format("x%.4f", transferRatio) + Format(" (%.2f s)", transferTime),
              Format("wire %.2f s, <= x1.02", transferWire), transferRatio <= 1.02);
}
