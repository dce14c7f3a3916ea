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

CEmulatedDevice::CEmulatedDevice(EmulatorOptions options)
    : options_(std::move(options)), interpreter_(options_.stateFile), receiver_(options_.paced),
      transmitter_(options_.paced)
{
    interpreter_.SetUpdateMode(options_.updateMode);
    interpreter_.SetFrontPanelActive(options_.frontPanelActive);
}

CEmulatedDevice::~CEmulatedDevice()
{
    Stop();
}

bool CEmulatedDevice::Start(std::string& error)
{
    if (started_) {
        error = "the emulated device has already been started";
        return false;
    }
    started_ = true;
    {
        std::lock_guard lock(mutex_);
        if (!interpreter_.LoadState(error)) {
            error = options_.stateFile + ": " + error;
            return false;
        }
    }
    if (!terminal_.Open(error) ||
        (!options_.linkPath.empty() && !terminal_.CreateLink(options_.linkPath, error)) ||
        (!options_.logFile.empty() && !log_.Open(options_.logFile, error))) {
        terminal_.Close();
        return false;
    }
    wake_ = CUniqueFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    timer_ = CUniqueFd(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
    if (!wake_.IsOpen() || !timer_.IsOpen()) {
        error = "cannot create the worker's event descriptors";
        terminal_.Close();
        return false;
    }
    lineUp_ = true;
    worker_ = std::thread([this] { Run(); });
    pthread_getcpuclockid(worker_.native_handle(), &workerClock_);
    return true;
}

void CEmulatedDevice::Stop()
{
    if (worker_.joinable()) {
        stopping_ = true;
        Wake();
        worker_.join();
    }
    terminal_.Close();
}

std::string CEmulatedDevice::PortPath() const
{
    return terminal_.SlavePath();
}

void CEmulatedDevice::SetUpdateMode(bool on)
{
    std::lock_guard lock(mutex_);
    interpreter_.SetUpdateMode(on);
}

void CEmulatedDevice::SetFrontPanelActive(bool active)
{
    std::lock_guard lock(mutex_);
    interpreter_.SetFrontPanelActive(active);
}

bool CEmulatedDevice::SetFrontPanelVolume(int channelIndex, double gain)
{
    std::lock_guard lock(mutex_);
    return interpreter_.SetFrontPanelVolume(channelIndex, gain);
}

bool CEmulatedDevice::SetChannelSettings(int channelIndex, const StripSettings& strip)
{
    std::lock_guard lock(mutex_);
    return interpreter_.SetChannelSettings(channelIndex, strip);
}

void CEmulatedDevice::InjectFault(Fault fault, const FaultTrigger& trigger)
{
    std::lock_guard lock(mutex_);
    faults_.Inject(fault, trigger);
    // A hang-up needs no command to happen.
    if (faults_.Active() == Fault::HangUp)
        Wake();
}

void CEmulatedDevice::SetTrickleDelay(std::chrono::milliseconds delay)
{
    std::lock_guard lock(mutex_);
    faults_.SetTrickleDelay(delay);
}

void CEmulatedDevice::AbortTransferAfterPages(int pages)
{
    std::lock_guard lock(mutex_);
    faults_.AbortTransferAfterPages(pages);
}

void CEmulatedDevice::ClearFaults()
{
    std::lock_guard lock(mutex_);
    faults_.Clear();
}

bool CEmulatedDevice::ApplyControlLine(std::string_view line, std::string& reply)
{
    return RunControlLine(*this, line, reply);
}

std::vector<std::string> CEmulatedDevice::ReceivedLines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

std::size_t CEmulatedDevice::ReceivedLineCount() const
{
    std::lock_guard lock(mutex_);
    return lines_.size();
}

PanelSettings CEmulatedDevice::Settings() const
{
    std::lock_guard lock(mutex_);
    return interpreter_.Settings();
}

PanelSettings CEmulatedDevice::StoredSettings() const
{
    std::lock_guard lock(mutex_);
    return interpreter_.StoredSettings();
}

bool CEmulatedDevice::UpdateMode() const
{
    std::lock_guard lock(mutex_);
    return interpreter_.UpdateMode();
}

bool CEmulatedDevice::FrontPanelActive() const
{
    std::lock_guard lock(mutex_);
    return interpreter_.FrontPanelActive();
}

Fault CEmulatedDevice::ActiveFault() const
{
    std::lock_guard lock(mutex_);
    return faults_.Active();
}

Fault CEmulatedDevice::PendingFault() const
{
    std::lock_guard lock(mutex_);
    return faults_.Pending();
}

bool CEmulatedDevice::LineUp() const
{
    std::lock_guard lock(mutex_);
    return lineUp_;
}

std::vector<std::uint8_t> CEmulatedDevice::ReceivedImage() const
{
    std::lock_guard lock(mutex_);
    return bootloader_.Image();
}

int CEmulatedDevice::PagesReceived() const
{
    std::lock_guard lock(mutex_);
    return bootloader_.PagesReceived();
}

bool CEmulatedDevice::TransferRunning() const
{
    std::lock_guard lock(mutex_);
    return bootloader_.Running();
}

bool CEmulatedDevice::TransferComplete() const
{
    std::lock_guard lock(mutex_);
    return bootloader_.Complete();
}

std::chrono::nanoseconds CEmulatedDevice::WorkerCpuTime() const
{
    timespec used{};
    if (!worker_.joinable() || clock_gettime(workerClock_, &used) != 0)
        return {};
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

void CEmulatedDevice::Run()
{
    // Byte times are a quarter of a millisecond; the default timer slack would blur them.
    if (options_.paced)
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    while (RunOnce()) {
    }
    std::lock_guard lock(mutex_);
    lineUp_ = false;
}

bool CEmulatedDevice::RunOnce()
{
    ArmTimer();
    const int master = terminal_.MasterFd();
    const short masterEvents = POLLIN | (transmitter_.WaitingForRoom() ? POLLOUT : 0);
    pollfd fds[] = {{wake_.Get(), POLLIN, 0}, {master, masterEvents, 0}, {timer_.Get(), POLLIN, 0}};
    if (poll(fds, std::size(fds), -1) < 0)
        return errno == EINTR;
    if ((fds[0].revents & POLLIN) && !HandleWake())
        return false;
    if (fds[2].revents & POLLIN) {
        DrainCounter(timer_.Get());
        timerArmedFor_.reset();
    }
    if (fds[1].revents & POLLIN) {
        if (receiver_.ReadFrom(master) == CReceiver::ReadResult::LineGone)
            return false;
    } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        return false;
    }
    return ProcessInput() && transmitter_.Send(master);
}

void CEmulatedDevice::ArmTimer()
{
    std::optional<WireTime> deadline = inputDue_;
    if (const auto departure = transmitter_.NextWakeUp())
        deadline = deadline ? std::min(*deadline, *departure) : *departure;
    if (!deadline || deadline == timerArmedFor_)
        return;
    const itimerspec expiry{{0, 0}, ToTimespec(*deadline)};
    timerfd_settime(timer_.Get(), TFD_TIMER_ABSTIME, &expiry, nullptr);
    timerArmedFor_ = deadline;
}

bool CEmulatedDevice::HandleWake()
{
    DrainCounter(wake_.Get());
    if (stopping_)
        return false;
    bool hangUp = false;
    {
        std::lock_guard lock(mutex_);
        hangUp = faults_.Active() == Fault::HangUp;
    }
    if (hangUp)
        HangUp();
    return !hangUp;
}

bool CEmulatedDevice::ProcessInput()
{
    // Only this thread starts or ends a transfer, so it may read the state unlocked.
    while (receiver_.Collect(bootloader_.Running())) {
        const WireTime arrival = receiver_.UnitArrival();
        if (options_.paced && arrival > MonotonicNow()) {
            inputDue_ = arrival;
            return true;
        }
        inputDue_.reset();
        if (!Act(receiver_.TakeUnit(), arrival))
            return false;
    }
    return true;
}

bool CEmulatedDevice::Act(const std::string& unit, WireTime arrival)
{
    const WireTime time = LogTime(arrival);
    Reply reply;
    {
        std::lock_guard lock(mutex_);
        reply = bootloader_.Running() ? OnFrame(unit, time) : OnLine(unit, time);
    }
    if (reply.hangUp) {
        HangUp();
        return false;
    }
    if (!reply.bytes.empty())
        log_.Sent(time, reply.bytes);
    transmitter_.Queue(std::move(reply.bytes), arrival, reply.trickleDelay);
    return true;
}

CEmulatedDevice::Reply CEmulatedDevice::OnLine(const std::string& line, WireTime time)
{
    lines_.push_back(line);
    log_.Received(time, Line(line));
    const Fault fault = faults_.OnCommand(line);
    switch (fault) {
    case Fault::HangUp:
        return {{}, std::nullopt, true};
    case Fault::Silence:
        return {};
    case Fault::Refusal:
        return {Line(RefusedAnswer), std::nullopt};
    case Fault::Flood:
        faults_.FloodSent();
        return {FloodBytes(), std::nullopt};
    default:
        break;
    }
    std::string bytes = AnswerBytes(interpreter_.Handle(line));
    if (fault == Fault::Garbage && !bytes.empty())
        bytes = Line(GarbageText);
    return {std::move(bytes), TrickleDelay()};
}

CEmulatedDevice::Reply CEmulatedDevice::OnFrame(const std::string& frame, WireTime time)
{
    const FrameOutcome outcome = bootloader_.Accept(frame);
    log_.Frame(time, outcome);
    if (outcome.kind == FrameOutcome::Kind::End) {
        SaveImage(time);
        return {};
    }
    if (faults_.Active() == Fault::Silence)
        return {};
    if (outcome.kind == FrameOutcome::Kind::PageRejected)
        return {Line(TransferAborted), TrickleDelay()};
    return {NextPageRequest(), TrickleDelay()};
}

std::string CEmulatedDevice::AnswerBytes(const CommandOutcome& outcome)
{
    if (outcome.startsTransfer) {
        bootloader_.Begin();
        return NextPageRequest();
    }
    return outcome.answer ? Line(*outcome.answer) : std::string();
}

std::string CEmulatedDevice::NextPageRequest()
{
    if (!faults_.AbortsTransfer(bootloader_.PagesReceived()))
        return Line(PageRequest);
    bootloader_.Leave();
    return Line(TransferAborted);
}

std::optional<std::chrono::milliseconds> CEmulatedDevice::TrickleDelay() const
{
    if (faults_.Active() != Fault::Trickle)
        return std::nullopt;
    return faults_.TrickleDelay();
}

void CEmulatedDevice::SaveImage(WireTime time)
{
    if (options_.firmwareOut.empty())
        return;
    const std::vector<std::uint8_t>& image = bootloader_.Image();
    const std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
    std::string error;
    if (!WriteFileAtomically(options_.firmwareOut, bytes, error))
        log_.Note(time, "firmware image not written: " + error);
}

void CEmulatedDevice::HangUp()
{
    log_.Note(MonotonicNow(), "hang-up");
    // Down before the panel can see it, so that whoever watches both never finds the line
    // up after the panel has lost it.
    {
        std::lock_guard lock(mutex_);
        lineUp_ = false;
    }
    terminal_.HangUp();
}

WireTime CEmulatedDevice::LogTime(WireTime arrival) const
{
    if (options_.paced)
        return arrival;
    return log_.IsOpen() ? MonotonicNow() : WireTime{};
}

void CEmulatedDevice::Wake()
{
    if (!wake_.IsOpen())
        return;
    // Should the counter be full, it already holds a wake-up: nothing is lost.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_.Get(), &one, sizeof one);
}
