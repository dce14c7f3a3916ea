#include "bench/remote_figures.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <lo/lo.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <unistd.h>
#include <vector>

#include "bench/bench_table.h"
#include "device/command_set.h"
#include "device/device_link.h"
#include "emulator/emulated_device.h"
#include "emulator/pseudo_terminal.h"
#include "remote/remote_control.h"
#include "serial/serial_panel_wnd.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int IdleSets = 200;
// Long enough for the owner to finish the exchange and sleep in its poll again: each set finds
// the line idle.
constexpr auto IdleGap = std::chrono::milliseconds(5);
constexpr int FloodMessages = 10000;
constexpr int ExchangeRuns = 20;
// How often an idle owner loop looks whether it is to stop.
constexpr int LoopWakeMs = 50;
constexpr int DeviceWaitMs = 1000;
constexpr auto SettleLimit = std::chrono::seconds(10);
constexpr auto SettlePoll = std::chrono::microseconds(100);
constexpr int BenchChannel = 0;
// The flood ramps up to this value: its last message is the only one that spells it in the
// three decimals the link sends.
constexpr double FloodTop = 9.0;
constexpr double WireRounding = 0.0005;
constexpr double IdleTargetMs = 2.0;
constexpr double FloodTargetExchanges = 2.0;

// What a live Sonavire with its front panel locked answers the link's connection queries.
constexpr std::string_view ModeAnswer = "M01";
constexpr std::string_view LockedAnswer = "F00";
constexpr int ConnectionQueries = 3;

class CBenchHost : public IRemoteHost
{
public:
    void ShowRemoteChange(int) override {}
    std::string RetrieveForRemote() override { return {}; }
    std::string StoreForRemote() override { return {}; }
    bool KeepsOfflineEdits() const override { return false; }
    void LogRemote(const std::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }
};

// The link's owner as a headless service runs it: a loop of its own that waits on the remote
// control's socket and makes one pending exchange between reads.
struct RemoteOwner
{
    RemoteOwner() { link.Attach(nullptr, &port); }
    ~RemoteOwner()
    {
        stopping = true;
        if (loop.joinable())
            loop.join();
    }

    bool GoLive(const std::string& portPath)
    {
        if (!link.Connect(portPath))
            return false;
        link.QueryMode();
        link.QueryFrontPanel();
        return link.mode == ControlMode::Live && link.frontPanelLocked;
    }

    // From here on the link and the engine belong to the loop's thread.
    bool Start()
    {
        std::string error;
        if (!engine.Open(RemoteOptions{}, error)) {
            std::fprintf(stderr, "remote control: %s\n", error.c_str());
            return false;
        }
        loop = std::thread(&RemoteOwner::Run, this);
        return true;
    }

    std::string ServicePort() const
    {
        const std::string address = engine.LocalAddress();
        return address.substr(address.rfind(':') + 1);
    }

    void Run()
    {
        while (!stopping) {
            pollfd entry{engine.Descriptor(), POLLIN, 0};
            if (poll(&entry, 1, engine.HasPendingSends() ? 0 : LoopWakeMs) > 0)
                engine.Receive();
            engine.SendNext();
        }
    }

    CSerialPanelWnd port;
    CDeviceLink link;
    PanelSettings settings{};
    CBenchHost host;
    CRemoteControl engine{link, settings, host};
    std::atomic<bool> stopping = false;
    std::thread loop;
};

struct AddressDeleter
{
    void operator()(lo_address address) const { lo_address_free(address); }
};
using OscClient = std::unique_ptr<std::remove_pointer_t<lo_address>, AddressDeleter>;

OscClient ClientOf(const RemoteOwner& owner)
{
    return OscClient(lo_address_new("127.0.0.1", owner.ServicePort().c_str()));
}

// One command line off the device's end, and when its first byte was there to read; nothing
// when the line stays silent.
std::optional<Clock::time_point> ReadCommand(int master, std::string& line)
{
    line.clear();
    std::optional<Clock::time_point> first;
    pollfd entry{master, POLLIN, 0};
    while (line.empty() || line.back() != LineEnd) {
        if (poll(&entry, 1, DeviceWaitMs) != 1)
            return std::nullopt;
        if (!first)
            first = Clock::now();
        char buffer[64];
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got > 0)
            line.append(buffer, static_cast<std::size_t>(got));
    }
    line.pop_back();
    return first;
}

bool Answer(int master, std::string_view text)
{
    const std::string line = std::string(text) + LineEnd;
    return write(master, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

std::string_view AnswerTo(std::string_view command)
{
    if (command == VersionQuery)
        return KnownFirmwareVersion;
    if (command == ModeQuery)
        return ModeAnswer;
    if (command == FrontPanelQuery)
        return LockedAnswer;
    return Acknowledgement;
}

// The bench is the device for the connection, on a thread of its own while the link waits.
bool ConnectThroughBench(RemoteOwner& owner, const CPseudoTerminal& terminal)
{
    std::thread device([master = terminal.MasterFd()] {
        std::string command;
        for (int query = 0; query < ConnectionQueries && ReadCommand(master, command); ++query)
            Answer(master, AnswerTo(command));
    });
    const bool live = owner.GoLive(terminal.SlavePath());
    device.join();
    return live;
}

// The device's end is the bench's own pseudo-terminal, so that the first byte of each command
// is seen the moment the port writes it; the bench acknowledges each set as the device does.
std::vector<double> MeasureIdleSets()
{
    CPseudoTerminal terminal;
    std::string error;
    if (!terminal.Open(error))
        return {};
    RemoteOwner owner;
    if (!ConnectThroughBench(owner, terminal) || !owner.Start())
        return {};
    const OscClient client = ClientOf(owner);
    const std::string path = RemoteValuePath(BenchChannel, RemoteField::Gain);
    std::vector<double> latencies;
    for (int set = 0; set < IdleSets; ++set) {
        std::this_thread::sleep_for(IdleGap);
        const float value = set % 2 == 0 ? 2.5F : 5.0F;
        const auto sent = Clock::now();
        if (lo_send(client.get(), path.c_str(), "f", value) < 0)
            return {};
        std::string command;
        const auto first = ReadCommand(terminal.MasterFd(), command);
        if (!first || !Answer(terminal.MasterFd(), Acknowledgement))
            return {};
        latencies.push_back(Milliseconds(*first - sent).count());
    }
    std::sort(latencies.begin(), latencies.end());
    return latencies;
}

double MedianExchangeMs(CDeviceLink& link)
{
    std::vector<double> times;
    for (int run = 0; run < ExchangeRuns; ++run) {
        const auto start = Clock::now();
        link.SetGain(BenchChannel, 1.0);
        times.push_back(Milliseconds(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::optional<Clock::time_point> WaitUntilHeld(const CEmulatedDevice& device, double gain)
{
    const auto limit = Clock::now() + SettleLimit;
    while (Clock::now() < limit) {
        if (device.Settings()[BenchChannel].gain >= gain - WireRounding)
            return Clock::now();
        std::this_thread::sleep_for(SettlePoll);
    }
    return std::nullopt;
}

struct FloodFigures
{
    double exchangeMs = 0;
    double sendingMs = 0;
    double settleMs = -1;
    std::size_t sends = 0;
};

FloodFigures MeasureFlood()
{
    EmulatorOptions options;
    options.paced = true;
    CEmulatedDevice device(options);
    std::string error;
    FloodFigures figures;
    RemoteOwner owner;
    if (!device.Start(error) || !owner.GoLive(device.PortPath()))
        return figures;
    figures.exchangeMs = MedianExchangeMs(owner.link);
    if (!owner.Start())
        return figures;
    const OscClient client = ClientOf(owner);
    const std::string path = RemoteValuePath(BenchChannel, RemoteField::Gain);
    const std::size_t linesBefore = device.ReceivedLineCount();
    const auto start = Clock::now();
    for (int message = 1; message <= FloodMessages; ++message)
        lo_send(client.get(), path.c_str(), "f", FloodTop * message / FloodMessages);
    const auto lastSent = Clock::now();
    figures.sendingMs = Milliseconds(lastSent - start).count();
    if (const auto held = WaitUntilHeld(device, FloodTop)) {
        figures.settleMs = Milliseconds(*held - lastSent).count();
        figures.sends = device.ReceivedLineCount() - linesBefore;
    }
    return figures;
}

void ReportIdleSets(CBenchTable& table)
{
    const std::string figure = "OSC set to first command byte, idle line";
    const std::string target = Format("median < %.0f ms", IdleTargetMs);
    const std::vector<double> latencies = MeasureIdleSets();
    if (latencies.empty())
        return table.Failed(figure, "no exchange", target);
    const double median = latencies[latencies.size() / 2];
    const double p95 = latencies[latencies.size() * 95 / 100];
    table.Row(figure, Format("%.3f ms", median) + Format(" (p95 %.3f ms)", p95), target,
              median < IdleTargetMs);
}

void ReportFlood(CBenchTable& table)
{
    const std::string figure = "OSC flood of 10,000 gain messages, settled";
    const FloodFigures flood = MeasureFlood();
    const std::string target = Format("<= 2 x %.2f ms", flood.exchangeMs);
    if (flood.settleMs < 0)
        return table.Failed(figure, "last value never held", target);
    const double exchanges = flood.settleMs / flood.exchangeMs;
    table.Row(figure, Format("%.1f ms", flood.settleMs) + Format(" (%.2f exchanges)", exchanges),
              target, exchanges <= FloodTargetExchanges);
    table.Reference("  one SetGain exchange at 38400 baud", Format("%.2f ms", flood.exchangeMs));
    table.Reference("  the client's time to send all 10,000", Format("%.1f ms", flood.sendingMs));
    table.Reference("  sends that reached the wire",
                    Format("%.0f", static_cast<double>(flood.sends)) + " of 10000");
}

} // namespace

void MeasureRemoteFigures(CBenchTable& table)
{
    ReportIdleSets(table);
    ReportFlood(table);
}
