#include "emulator/emulated_device.h"

#include <cerrno>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include "device/command_set.h"
#include "emulator/control_language.h"
#include "storage/atomic_file.h"

namespace {

// Junk that no answer or request of the device matches.
constexpr std::string_view GarbageText = "#?x7";
constexpr std::size_t FloodLength = 10000;

std::string Line(std::string_view text)
{
    std::string line(text);
    line += LineEnd;
    return line;
}

std::string FloodBytes()
{
    std::string flood;
    flood.reserve(FloodLength);
    while (flood.size() < FloodLength)
        flood += GarbageText;
    flood.resize(FloodLength);
    return flood;
}

timespec ToTimespec(WireTime time)
{
    constexpr std::int64_t NanosecondsPerSecond = 1'000'000'000;
    return {static_cast<time_t>(time.count() / NanosecondsPerSecond),
            static_cast<long>(time.count() % NanosecondsPerSecond)};
}

void DrainCounter(int fd)
{
    std::uint64_t count = 0;
    while (read(fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

} // namespace

CEmulatedDevice::CEmulatedDevice(EmulatorOptions chosen)
    : options(std::move(chosen)), interpreter(options.stateFile), receiver(options.paced),
      transmitter(options.paced, std::chrono::milliseconds(options.latencyTimerMs))
{
    interpreter.SetUpdateMode(options.updateMode);
    interpreter.SetFrontPanelActive(options.frontPanelActive);
}

CEmulatedDevice::~CEmulatedDevice()
{
    Stop();
}

bool CEmulatedDevice::Start(std::string& error)
{
    if (started) {
        error = "the emulated device has already been started";
        return false;
    }
    started = true;
    {
        std::lock_guard lock(mutex);
        if (!interpreter.LoadState(error)) {
            error = options.stateFile + ": " + error;
            return false;
        }
    }
    if (!terminal.Open(error) ||
        (!options.linkPath.empty() && !terminal.CreateLink(options.linkPath, error)) ||
        (!options.logFile.empty() && !trafficLog.Open(options.logFile, error))) {
        terminal.Close();
        return false;
    }
    wake = CUniqueFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    timer = CUniqueFd(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
    if (!wake.IsOpen() || !timer.IsOpen()) {
        error = "cannot create the worker's event descriptors";
        terminal.Close();
        return false;
    }
    lineUp = true;
    worker = std::thread([this] { Run(); });
    pthread_getcpuclockid(worker.native_handle(), &workerClock);
    return true;
}

void CEmulatedDevice::Stop()
{
    if (worker.joinable()) {
        stopping = true;
        Wake();
        worker.join();
    }
    terminal.Close();
}

std::string CEmulatedDevice::PortPath() const
{
    return terminal.SlavePath();
}

void CEmulatedDevice::SetUpdateMode(bool on)
{
    std::lock_guard lock(mutex);
    interpreter.SetUpdateMode(on);
}

void CEmulatedDevice::SetFrontPanelActive(bool active)
{
    std::lock_guard lock(mutex);
    interpreter.SetFrontPanelActive(active);
}

bool CEmulatedDevice::SetFrontPanelVolume(int channelIndex, double gain)
{
    std::lock_guard lock(mutex);
    return interpreter.SetFrontPanelVolume(channelIndex, gain);
}

bool CEmulatedDevice::SetChannelSettings(int channelIndex, const StripSettings& strip)
{
    std::lock_guard lock(mutex);
    return interpreter.SetChannelSettings(channelIndex, strip);
}

void CEmulatedDevice::InjectFault(Fault fault, const FaultTrigger& trigger)
{
    std::lock_guard lock(mutex);
    faults.Inject(fault, trigger);
    // A hang-up needs no command to happen.
    if (faults.Active() == Fault::HangUp)
        Wake();
}

void CEmulatedDevice::SetTrickleDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(mutex);
    faults.SetTrickleDelay(delay);
}

void CEmulatedDevice::AbortTransferAfterPages(int pages)
{
    std::lock_guard lock(mutex);
    faults.AbortTransferAfterPages(pages);
}

void CEmulatedDevice::ClearFaults()
{
    std::lock_guard lock(mutex);
    faults.Clear();
}

bool CEmulatedDevice::ApplyControlLine(std::string_view line, std::string& reply)
{
    return RunControlLine(*this, line, reply);
}

std::vector<std::string> CEmulatedDevice::ReceivedLines() const
{
    std::lock_guard lock(mutex);
    return lines;
}

std::size_t CEmulatedDevice::ReceivedLineCount() const
{
    std::lock_guard lock(mutex);
    return lines.size();
}

PanelSettings CEmulatedDevice::Settings() const
{
    std::lock_guard lock(mutex);
    return interpreter.Settings();
}

PanelSettings CEmulatedDevice::StoredSettings() const
{
    std::lock_guard lock(mutex);
    return interpreter.StoredSettings();
}

bool CEmulatedDevice::UpdateMode() const
{
    std::lock_guard lock(mutex);
    return interpreter.UpdateMode();
}

bool CEmulatedDevice::FrontPanelActive() const
{
    std::lock_guard lock(mutex);
    return interpreter.FrontPanelActive();
}

Fault CEmulatedDevice::ActiveFault() const
{
    std::lock_guard lock(mutex);
    return faults.Active();
}

Fault CEmulatedDevice::PendingFault() const
{
    std::lock_guard lock(mutex);
    return faults.Pending();
}

bool CEmulatedDevice::LineUp() const
{
    std::lock_guard lock(mutex);
    return lineUp;
}

std::vector<std::uint8_t> CEmulatedDevice::ReceivedImage() const
{
    std::lock_guard lock(mutex);
    return bootloader.Image();
}

int CEmulatedDevice::PagesReceived() const
{
    std::lock_guard lock(mutex);
    return bootloader.PagesReceived();
}

bool CEmulatedDevice::TransferRunning() const
{
    std::lock_guard lock(mutex);
    return bootloader.Running();
}

bool CEmulatedDevice::TransferComplete() const
{
    std::lock_guard lock(mutex);
    return bootloader.Complete();
}

std::chrono::nanoseconds CEmulatedDevice::WorkerCpuTime() const
{
    timespec used{};
    if (!worker.joinable() || clock_gettime(workerClock, &used) != 0)
        return {};
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

void CEmulatedDevice::Run()
{
    // Byte times are a quarter of a millisecond; the default timer slack would blur them.
    if (options.paced)
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    while (RunOnce()) {
    }
    std::lock_guard lock(mutex);
    lineUp = false;
}

bool CEmulatedDevice::RunOnce()
{
    ArmTimer();
    const int master = terminal.MasterFd();
    const short masterEvents = POLLIN | (transmitter.WaitingForRoom() ? POLLOUT : 0);
    pollfd fds[] = {{wake.Get(), POLLIN, 0}, {master, masterEvents, 0}, {timer.Get(), POLLIN, 0}};
    if (poll(fds, std::size(fds), -1) < 0)
        return errno == EINTR;
    if ((fds[0].revents & POLLIN) && !HandleWake())
        return false;
    if (fds[2].revents & POLLIN) {
        DrainCounter(timer.Get());
        timerArmedFor.reset();
    }
    if (fds[1].revents & POLLIN) {
        if (receiver.ReadFrom(master) == CReceiver::ReadResult::LineGone)
            return false;
    } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        return false;
    }
    return ProcessInput() && transmitter.Send(master);
}

void CEmulatedDevice::ArmTimer()
{
    std::optional<WireTime> deadline = inputDue;
    if (const auto departure = transmitter.NextWakeUp())
        deadline = deadline ? std::min(*deadline, *departure) : *departure;
    if (!deadline || deadline == timerArmedFor)
        return;
    const itimerspec expiry{{0, 0}, ToTimespec(*deadline)};
    timerfd_settime(timer.Get(), TFD_TIMER_ABSTIME, &expiry, nullptr);
    timerArmedFor = deadline;
}

bool CEmulatedDevice::HandleWake()
{
    DrainCounter(wake.Get());
    if (stopping)
        return false;
    bool hangUp = false;
    {
        std::lock_guard lock(mutex);
        hangUp = faults.Active() == Fault::HangUp;
    }
    if (hangUp)
        HangUp();
    return !hangUp;
}

bool CEmulatedDevice::ProcessInput()
{
    // Only this thread starts or ends a transfer, so it may read the state unlocked.
    while (receiver.Collect(bootloader.Running())) {
        const WireTime arrival = receiver.UnitArrival();
        if (options.paced && arrival > MonotonicNow()) {
            inputDue = arrival;
            return true;
        }
        inputDue.reset();
        if (!Act(receiver.TakeUnit(), arrival))
            return false;
    }
    return true;
}

bool CEmulatedDevice::Act(const std::string& unit, WireTime arrival)
{
    const WireTime time = LogTime(arrival);
    Reply reply;
    {
        std::lock_guard lock(mutex);
        reply = bootloader.Running() ? OnFrame(unit, time) : OnLine(unit, time);
    }
    if (reply.hangUp) {
        HangUp();
        return false;
    }
    if (!reply.bytes.empty())
        trafficLog.Sent(time, reply.bytes);
    transmitter.Queue(std::move(reply.bytes), arrival, reply.trickleDelay);
    return true;
}

CEmulatedDevice::Reply CEmulatedDevice::OnLine(const std::string& line, WireTime time)
{
    lines.push_back(line);
    trafficLog.Received(time, Line(line));
    const Fault fault = faults.OnCommand(line);
    switch (fault) {
    case Fault::HangUp:
        return {{}, std::nullopt, true};
    case Fault::Silence:
        return {};
    case Fault::Refusal:
        return {Line(RefusedAnswer), std::nullopt};
    case Fault::Flood:
        faults.FloodSent();
        return {FloodBytes(), std::nullopt};
    default:
        break;
    }
    std::string bytes = AnswerBytes(interpreter.Handle(line));
    if (fault == Fault::Garbage && !bytes.empty())
        bytes = Line(GarbageText);
    return {std::move(bytes), TrickleDelay()};
}

CEmulatedDevice::Reply CEmulatedDevice::OnFrame(const std::string& frame, WireTime time)
{
    const FrameOutcome outcome = bootloader.Accept(frame);
    trafficLog.Frame(time, outcome);
    if (outcome.kind == FrameOutcome::Kind::End) {
        SaveImage(time);
        return {};
    }
    if (faults.Active() == Fault::Silence)
        return {};
    if (outcome.kind == FrameOutcome::Kind::PageRejected)
        return {Line(TransferAborted), TrickleDelay()};
    return {NextPageRequest(), TrickleDelay()};
}

std::string CEmulatedDevice::AnswerBytes(const CommandOutcome& outcome)
{
    if (outcome.startsTransfer) {
        bootloader.Begin();
        return NextPageRequest();
    }
    return outcome.answer ? Line(*outcome.answer) : std::string();
}

std::string CEmulatedDevice::NextPageRequest()
{
    if (!faults.AbortsTransfer(bootloader.PagesReceived()))
        return Line(PageRequest);
    bootloader.Leave();
    return Line(TransferAborted);
}

std::optional<std::chrono::milliseconds> CEmulatedDevice::TrickleDelay() const
{
    if (faults.Active() != Fault::Trickle)
        return std::nullopt;
    return faults.TrickleDelay();
}

void CEmulatedDevice::SaveImage(WireTime time)
{
    if (options.firmwareOut.empty())
        return;
    const std::vector<std::uint8_t>& image = bootloader.Image();
    const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
    std::string error;
    if (!WriteFileAtomically(options.firmwareOut, bytes, error))
        trafficLog.Note(time, "firmware image not written: " + error);
}

void CEmulatedDevice::HangUp()
{
    trafficLog.Note(MonotonicNow(), "hang-up");
    // Down before the panel can see it, so that whoever watches both never finds the line
    // up after the panel has lost it.
    {
        std::lock_guard lock(mutex);
        lineUp = false;
    }
    terminal.HangUp();
}

WireTime CEmulatedDevice::LogTime(WireTime arrival) const
{
    if (options.paced)
        return arrival;
    return trafficLog.IsOpen() ? MonotonicNow() : WireTime{};
}

void CEmulatedDevice::Wake()
{
    if (!wake.IsOpen())
        return;
    // Should the counter be full, it already holds a wake-up: nothing is lost.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake.Get(), &one, sizeof one);
}
