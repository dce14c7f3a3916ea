#include "bench/link_figures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <numeric>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/bench_table.h"
#include "device/command_set.h"
#include "device/device_link.h"
#include "device/page_frame.h"
#include "emulator/emulated_device.h"
#include "firmware/fileio.h"
#include "model/filter_type.h"
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
// The common adapter chips' default latency timer, and the one the driver's low-latency mode
// sets.
constexpr int LatencyTimersMs[] = {16, 1};
// A page request waits out the timer each time: a few dozen pages show its cost without
// the minutes the whole image would take.
constexpr int AdapterImageBytes = 8 * 1024;

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

// The full read's commands, in the order the link sends them.
std::vector<std::string> FullReadCommands()
{
    std::vector<std::string> commands{std::string(FrontPanelQuery), std::string(GainListQuery)};
    for (const std::string_view token : {FilterToken, FrequencyToken, QToken}) {
        for (int index = 0; index < ChannelCount; ++index)
            commands.push_back(MakeChannelQuery(index, token));
    }
    return commands;
}

// The full read's bytes on the wire: each command and its carriage return, each answer and
// its carriage return, the answers as the device gives the settings read. Exchanges are
// strictly one after the other, so both directions add.
std::size_t FullReadBytes(const PanelSettings& settings)
{
    std::size_t bytes = 0;
    for (const std::string& command : FullReadCommands())
        bytes += command.size() + 1;
    const auto answer = [&bytes](std::string_view text) { bytes += text.size() + 1; };
    answer("F00");
    std::string gains;
    for (int index = 0; index < ChannelCount; ++index)
        gains += FormatFixed(settings[index].gain, 3) + "-";
    answer(gains);
    for (int index = 0; index < ChannelCount; ++index) {
        const StripSettings& strip = settings[index];
        answer(FilterTypeToken(strip.filter));
        answer(FormatFixed(strip.freq, 3));
        answer(FormatFixed(strip.q, 3));
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

std::pair<double, double> MeasurePacedFullRead(int latencyTimerMs)
{
    EmulatorOptions options;
    options.paced = true;
    options.latencyTimerMs = latencyTimerMs;
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

std::pair<double, double> MeasurePacedTransfer(int imageBytes, int latencyTimerMs)
{
    const auto folder =
        std::filesystem::temp_directory_path() / ("sonavire-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = folder / "image.hex";
    std::vector<unsigned char> image(static_cast<std::size_t>(imageBytes));
    std::iota(image.begin(), image.end(), 0);
    fileio(FileOperation::Write, path.c_str(), FileFormat::IntelHex, image.data(), imageBytes);

    EmulatorOptions options;
    options.paced = true;
    options.updateMode = true;
    options.latencyTimerMs = latencyTimerMs;
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

    const auto pages = static_cast<std::size_t>(imageBytes / PageSize + 1);
    const std::size_t bytes = UpdateFirmwareCommand.size() + 1 +
                              pages * (PageRequest.size() + 1 + PageFrameSize) + EndFrame.size();
    const bool complete = session.link.progressText.ends_with("Complete!");
    return {complete ? elapsed : -1.0, bytes * ByteTime};
}

bool WaitReadable(int fd)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, QueryWaitMs) == 1 && (entry.revents & POLLIN);
}

// The same exchanges by a client with no panel code: a raw descriptor, one write per
// command, then poll and read until the carriage return. What it takes over the wire time
// is the emulated device's and the pseudo-terminal's, the floor under the link's figure.
std::pair<double, double> MeasureBareFullRead()
{
    EmulatorOptions options;
    options.paced = true;
    CEmulatedDevice device(options);
    std::string error;
    const int fd = device.Start(error) ? open(device.PortPath().c_str(), O_RDWR | O_NOCTTY) : -1;
    if (fd < 0)
        return {-1.0, 1.0};
    std::size_t bytes = 0;
    const auto start = Clock::now();
    for (const std::string& command : FullReadCommands()) {
        const std::string line = command + LineEnd;
        if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            break;
        bytes += line.size();
        char buffer[256];
        ssize_t got = 0;
        do {
            if (!WaitReadable(fd) || (got = read(fd, buffer, sizeof buffer)) <= 0)
                break;
            bytes += static_cast<std::size_t>(got);
        } while (buffer[got - 1] != LineEnd);
    }
    const double elapsed = Seconds(Clock::now() - start).count();
    close(fd);
    return {elapsed, bytes * ByteTime};
}

template <typename Measure>
double MedianRatio(Measure measure, double& wireTime)
{
    std::vector<double> ratios;
    for (int run = 0; run < FullReadRuns; ++run) {
        const auto [elapsed, wire] = measure();
        ratios.push_back(elapsed / wire);
        wireTime = wire;
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

// The full read and a firmware transfer through a USB serial adapter at 38400 baud, for
// each latency timer: figures that show what the driver's low-latency mode saves.
void MeasureAdapterFigures(CBenchTable& table)
{
    const int pages = AdapterImageBytes / PageSize + 1;
    for (const int timerMs : LatencyTimersMs) {
        const std::string timer = Format(", %.0f ms latency timer", timerMs);
        double wire = 0;
        const double ratio = MedianRatio([timerMs] { return MeasurePacedFullRead(timerMs); }, wire);
        table.Reference("full read at 38400 baud" + timer,
                        Format("%.1f ms", ratio * wire * 1000) +
                            Format(" (wire %.1f ms)", wire * 1000));
        const std::string transfer =
            Format("%.0f KiB transfer", AdapterImageBytes / 1024) + Format(" (%.0f pages)", pages);
        const auto [time, transferWire] = MeasurePacedTransfer(AdapterImageBytes, timerMs);
        if (time < 0)
            table.Failed(transfer + timer, "not completed", "reference");
        else
            table.Reference(transfer + timer,
                            Format("%.2f s", time) + Format(" (wire %.2f s)", transferWire));
    }
}

} // namespace

void MeasureLinkFigures(CBenchTable& table)
{
    const double rate = MeasureExchangesPerSecond();
    table.Row("exchanges per second, unpaced", Format("%.0f /s", rate), ">= 10000 /s",
              rate >= 10000);

    double readWire = 0;
    const double readRatio = MedianRatio([] { return MeasurePacedFullRead(0); }, readWire);
    table.Row("full read at 38400 baud (50 exchanges)",
              Format("x%.4f", readRatio) + Format(" (%.1f ms)", readRatio * readWire * 1000),
              Format("wire %.1f ms, <= x1.02", readWire * 1000), readRatio <= 1.02);
    double bareWire = 0;
    const double bareRatio = MedianRatio(MeasureBareFullRead, bareWire);
    if (bareRatio < 0)
        table.Failed("  the same by a bare client, no panel code", "no device", "");
    else
        table.Reference("  the same by a bare client, no panel code",
                        Format("x%.4f", bareRatio) +
                            Format(" (%.1f ms)", bareRatio * bareWire * 1000));

    const auto [transferTime, transferWire] = MeasurePacedTransfer(FirmwareImageCapacity, 0);
    if (transferTime < 0) {
        table.Failed("128 KiB firmware transfer at 38400 baud", "not completed", "<= x1.02");
    } else {
        const double transferRatio = transferTime / transferWire;
        table.Row("128 KiB firmware transfer at 38400 baud",
                  Format("x%.4f", transferRatio) + Format(" (%.2f s)", transferTime),
                  Format("wire %.2f s, <= x1.02", transferWire), transferRatio <= 1.02);
    }
    MeasureAdapterFigures(table);
}
