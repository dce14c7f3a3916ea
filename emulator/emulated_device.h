#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "emulator/bootloader.h"
#include "emulator/command_interpreter.h"
#include "emulator/emulator_options.h"
#include "emulator/fault.h"
#include "emulator/fault_injector.h"
#include "emulator/pseudo_terminal.h"
#include "emulator/receiver.h"
#include "emulator/traffic_log.h"
#include "emulator/transmitter.h"
#include "emulator/unique_fd.h"

// A Sonavire on a pseudo-terminal. The panel opens PortPath() as its serial port; one worker
// thread reads the commands, answers them and runs the bootloader. Every other operation may
// be called from any thread: the steering operations stand for the device's switches and
// knobs and for faults on the line, the inspection operations show what the device received.
class CEmulatedDevice
{
public:
    explicit CEmulatedDevice(EmulatorOptions chosen);
    CEmulatedDevice(const CEmulatedDevice&) = delete;
    CEmulatedDevice& operator=(const CEmulatedDevice&) = delete;
    ~CEmulatedDevice();

    // Loads the stored state, opens the terminal, creates the link and starts the worker.
    // A device is started once.
    bool Start(std::string& error);
    // Stops the worker, closes the terminal and removes the link.
    void Stop();
    std::string PortPath() const;

    void SetUpdateMode(bool on);
    void SetFrontPanelActive(bool active);
    // The device's own volume knob for one channel; false while the front panel is locked.
    bool SetFrontPanelVolume(int channelIndex, double gain);
    bool SetChannelSettings(int channelIndex, const StripSettings& strip);

    void InjectFault(Fault fault, const FaultTrigger& trigger = FaultTrigger::AtOnce());
    void SetTrickleDelay(std::chrono::milliseconds delay);
    // The page request that would follow the n-th page becomes "<!".
    void AbortTransferAfterPages(int pages);
    void ClearFaults();

    // The steering and inspection operations as text, one line at a time (see
    // control_language.h); reply receives the answer line.
    bool ApplyControlLine(std::string_view line, std::string& reply);

    // Every command line received, without its carriage return.
    std::vector<std::string> ReceivedLines() const;
    std::size_t ReceivedLineCount() const;
    PanelSettings Settings() const;
    PanelSettings StoredSettings() const;
    bool UpdateMode() const;
    bool FrontPanelActive() const;
    Fault ActiveFault() const;
    Fault PendingFault() const;
    // False once the device has hung up.
    bool LineUp() const;

    // The pages of the latest firmware transfer, in order.
    std::vector<std::uint8_t> ReceivedImage() const;
    int PagesReceived() const;
    bool TransferRunning() const;
    bool TransferComplete() const;

    // CPU time the worker has used so far, to show that it waits instead of spinning.
    std::chrono::nanoseconds WorkerCpuTime() const;

private:
    // What the device sends in reply to one line or frame.
    struct Reply
    {
        std::string bytes;
        std::optional<std::chrono::milliseconds> trickleDelay;
        bool hangUp = false;
    };

    void Run();
    bool RunOnce();
    void ArmTimer();
    bool HandleWake();
    bool ProcessInput();
    bool Act(const std::string& unit, WireTime arrival);
    Reply OnLine(const std::string& line, WireTime time);
    Reply OnFrame(const std::string& frame, WireTime time);
    std::string AnswerBytes(const CommandOutcome& outcome);
    std::string NextPageRequest();
    std::optional<std::chrono::milliseconds> TrickleDelay() const;
    void SaveImage(WireTime time);
    void HangUp();
    WireTime LogTime(WireTime arrival) const;
    void Wake();

    const EmulatorOptions options;

    mutable std::mutex mutex; // guards the members below, up to the worker's own
    CCommandInterpreter interpreter;
    CBootloader bootloader;
    CFaultInjector faults;
    std::vector<std::string> lines;
    bool lineUp = false;

    // The worker's own; the steering side touches none of these while it runs.
    CPseudoTerminal terminal;
    CReceiver receiver;
    CTransmitter transmitter;
    CTrafficLog trafficLog;
    CUniqueFd wake;  // eventfd: stop, or a fault that acts at once
    CUniqueFd timer; // timerfd on the monotonic clock, absolute deadlines
    std::optional<WireTime> inputDue;
    std::optional<WireTime> timerArmedFor;
    std::atomic<bool> stopping = false;
    bool started = false;
    std::thread worker;
    clockid_t workerClock{};
};
