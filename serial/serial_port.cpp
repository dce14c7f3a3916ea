#include "serial/serial_port.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <string_view>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int PollForever = -1;
constexpr int UnreadRecheckMs = 100;

// A start bit, eight data bits and a stop bit.
constexpr std::uint64_t BitsPerByte = 10;
// The device's own speed, for lines whose speed the driver does not tell.
constexpr int AssumedBaudRate = 38400;

constexpr std::string_view ComPrefix = "COM";
constexpr const char* InUseText = "The port is in use by another program";

struct BaudRate
{
    int rate;
    speed_t speed;
};

constexpr BaudRate BaudRates[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool SpeedOfRate(int rate, speed_t& speed)
{
    for (const BaudRate& entry : BaudRates) {
        if (entry.rate == rate) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

int RateOfSpeed(speed_t speed)
{
    for (const BaudRate& entry : BaudRates) {
        if (entry.speed == speed)
            return entry.rate;
    }
    return 0;
}

struct DataBits
{
    int bits;
    tcflag_t flag;
};

constexpr DataBits DataBitFlags[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};

// Parity codes 0 none, 1 odd, 2 even, 3 mark, 4 space.
constexpr tcflag_t ParityFlags[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                    PARENB | CMSPAR};
constexpr tcflag_t ParityMask = PARENB | PARODD | CMSPAR;

int RemainingMs(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<decltype(left)>(left, 0, INT_MAX));
}

Clock::time_point DeadlineAfter(std::uint32_t timeoutMs)
{
    return timeoutMs == Infinite ? Clock::time_point::max()
                                 : Clock::now() + std::chrono::milliseconds(timeoutMs);
}

int PollTimeout(Clock::time_point deadline)
{
    return deadline == Clock::time_point::max() ? PollForever : RemainingMs(deadline);
}

bool IsHangUp(short revents)
{
    return revents & (POLLHUP | POLLERR | POLLNVAL);
}

// COMn stands for ttyS<n-1>. The number is counted down as decimal text, so that no name,
// however long, overflows a conversion; one past every real port simply names no device.
std::string OneLess(std::string digits)
{
    std::size_t at = digits.size();
    while (digits[--at] == '0')
        digits[at] = '9';
    --digits[at];
    if (digits.size() > 1 && digits.front() == '0')
        digits.erase(0, 1);
    return digits;
}

// The lock and the exclusive flag refuse a port that another program holds, and the system's
// words for those speak of resources, not of the program.
std::string ErrnoText(int error)
{
    if (error == EBUSY || error == EWOULDBLOCK)
        return InUseText;
    return std::strerror(error);
}

// A name with a NUL inside would open only the part before it: a device other than the one
// named.
int OpenDeviceNode(const std::string& path)
{
    if (path.find('\0') != std::string::npos) {
        errno = ENOENT;
        return -1;
    }
    return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// Why Open would refuse the device, as an errno, or 0; tried with nothing changed on the line.
// Root passes the exclusive flag, so the lock is tried as Open takes it, and given back at once.
int ProbeError(const std::string& path)
{
    const int probe = OpenDeviceNode(path);
    if (probe < 0)
        return errno;
    termios state{};
    int error = 0;
    if (flock(probe, LOCK_EX | LOCK_NB) != 0 || flock(probe, LOCK_UN) != 0 ||
        tcgetattr(probe, &state) != 0)
        error = errno;
    ::close(probe);
    return error;
}

} // namespace

CSerialPort::~CSerialPort()
{
    if (fd >= 0)
        CSerialPort::Close();
}

std::string CSerialPort::DevicePath(const std::string& portName)
{
    if (!portName.starts_with(ComPrefix))
        return portName;
    const std::size_t number = portName.find_first_not_of('0', ComPrefix.size());
    if (number == std::string::npos ||
        portName.find_first_not_of("0123456789", ComPrefix.size()) != std::string::npos)
        return portName;
    return "/dev/ttyS" + OneLess(portName.substr(number));
}

SerialStatus CSerialPort::Fail(SerialStatus status)
{
    lastError = status;
    return status;
}

SerialStatus CSerialPort::FailErrno()
{
    const int error = errno;
    lastErrno = error;
    return Fail(StatusFromErrno(error));
}

std::string CSerialPort::LastErrorText() const
{
    const int error = lastErrno;
    if (error != 0)
        return ErrnoText(error);
    switch (lastError.load()) {
    case StatusSuccess:
        return "Success";
    case StatusNotOpen:
        return "The port is not open";
    case StatusAlreadyOpen:
        return "The port is already open";
    case StatusTimeout:
        return "No answer in time";
    case StatusMoreData:
        return "The answer is too long";
    case StatusAborted:
        return "Interrupted";
    default:
        return "Invalid argument";
    }
}

SerialStatus CSerialPort::BeginOperation()
{
    lastError = StatusSuccess;
    lastErrno = 0;
    return fd < 0 ? Fail(StatusNotOpen) : StatusSuccess;
}

SerialStatus CSerialPort::GetLineState(termios& state)
{
    return tcgetattr(fd, &state) == 0 ? StatusSuccess : FailErrno();
}

SerialStatus CSerialPort::SetLineState(const termios& state)
{
    return tcsetattr(fd, TCSANOW, &state) == 0 ? StatusSuccess : FailErrno();
}

SerialStatus CSerialPort::Open(const std::string& portName, std::uint32_t, std::uint32_t)
{
    lastError = StatusSuccess;
    lastErrno = 0;
    if (fd >= 0)
        return Fail(StatusAlreadyOpen);

    const int opened = OpenDeviceNode(DevicePath(portName));
    if (opened < 0)
        return FailErrno();

    termios state{};
    if (flock(opened, LOCK_EX | LOCK_NB) != 0 || ioctl(opened, TIOCEXCL) != 0 ||
        tcgetattr(opened, &state) != 0) {
        const SerialStatus status = FailErrno();
        ::close(opened);
        return status;
    }
    // Raw bytes both ways and no flow control; the speed stays the driver's until Configure.
    cfmakeraw(&state);
    state.c_cflag |= CLOCAL | CREAD;
    state.c_cflag &= ~CRTSCTS;
    state.c_cc[VMIN] = 0;
    state.c_cc[VTIME] = 0;
    // Bytes left in the driver from before this opening answer nothing we will ask.
    if (tcsetattr(opened, TCSANOW, &state) != 0 || tcflush(opened, TCIOFLUSH) != 0) {
        const SerialStatus status = FailErrno();
        ::close(opened);
        return status;
    }

    readSignal = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (readSignal < 0) {
        const SerialStatus status = FailErrno();
        ::close(opened);
        return status;
    }
    fd = opened;
    RequestLowLatency();
    bytesConsumed = 0;
    bytesReported = 0;
    lineGone = false;
    ReadLineCounts(reportedCounts);
    SetEventMask(DefaultEventMask);
    return SetReadMode(ReadMode::NonBlocking);
}

// USB serial adapters hold received bytes for their latency timer (16 ms on the common chips)
// before passing them on, and with one exchange at a time every answer would wait that long.
// Drivers without the flag, pseudo-terminals among them, refuse it; the line works as well
// without, only slower, so a refusal is no failure.
void CSerialPort::RequestLowLatency()
{
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY))
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    lowLatencySet = ioctl(fd, TIOCSSERIAL, &serial) == 0;
}

// Only the flag this port set is cleared: anything else another program changed meanwhile
// stays as it is.
void CSerialPort::RestoreLatency()
{
    serial_struct serial{};
    if (lowLatencySet && ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags &= ~ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &serial);
    }
    lowLatencySet = false;
}

SerialStatus CSerialPort::Close()
{
    lastError = StatusSuccess;
    lastErrno = 0;
    if (fd >= 0) {
        // The exclusive flag belongs to the terminal, not to this descriptor: it would
        // outlive us while anyone else holds the line open, such as the emulated device.
        ioctl(fd, TIOCNXCL);
        RestoreLatency();
        ::close(fd);
        ::close(readSignal);
        fd = readSignal = -1;
    }
    return StatusSuccess;
}

SerialStatus CSerialPort::Configure(int baudRate, int dataBits, int parity, int stopBits)
{
    termios state{};
    if (BeginOperation() != StatusSuccess || GetLineState(state) != StatusSuccess)
        return lastError;

    speed_t speed{};
    const auto bits = std::find_if(std::begin(DataBitFlags), std::end(DataBitFlags),
                                   [&](const DataBits& entry) { return entry.bits == dataBits; });
    if (!SpeedOfRate(baudRate, speed) || bits == std::end(DataBitFlags) || parity < 0 ||
        parity > 4 || stopBits < 0 || stopBits > 2)
        return Fail(StatusInvalidParameter);

    cfsetispeed(&state, speed);
    cfsetospeed(&state, speed);
    state.c_cflag = (state.c_cflag & ~CSIZE) | bits->flag;
    state.c_cflag = (state.c_cflag & ~ParityMask) | ParityFlags[parity];
    if (parity != 0)
        state.c_iflag |= INPCK;
    else
        state.c_iflag &= ~INPCK;
    if (stopBits != 0)
        state.c_cflag |= CSTOPB;
    else
        state.c_cflag &= ~CSTOPB;
    return SetLineState(state);
}

SerialStatus CSerialPort::SetEventCharacter(char character, bool addToMask)
{
    if (BeginOperation() != StatusSuccess)
        return lastError;
    if (addToMask && SetEventMask(GetEventMask() | EventFlagCharacter) != StatusSuccess)
        return lastError;
    eventCharacter = character;
    return StatusSuccess;
}

SerialStatus CSerialPort::SetEventMask(std::uint32_t mask)
{
    if (BeginOperation() != StatusSuccess)
        return lastError;
    eventMask = mask;
    return StatusSuccess;
}

SerialStatus CSerialPort::SetHandshaking(Handshaking mode)
{
    termios state{};
    if (BeginOperation() != StatusSuccess || GetLineState(state) != StatusSuccess)
        return lastError;
    switch (mode) {
    case Handshaking::Off:
        state.c_cflag &= ~CRTSCTS;
        state.c_iflag &= ~(IXON | IXOFF);
        break;
    case Handshaking::Hardware:
        state.c_cflag |= CRTSCTS;
        state.c_iflag &= ~(IXON | IXOFF);
        break;
    case Handshaking::Software:
        state.c_cflag &= ~CRTSCTS;
        state.c_iflag |= IXON | IXOFF;
        break;
    default:
        return Fail(StatusInvalidArgument);
    }
    return SetLineState(state);
}

SerialStatus CSerialPort::SetReadMode(ReadMode mode)
{
    if (BeginOperation() != StatusSuccess)
        return lastError;
    if (mode != ReadMode::NonBlocking && mode != ReadMode::Blocking)
        return Fail(StatusInvalidArgument);
    readMode = mode;
    return StatusSuccess;
}

int CSerialPort::GetBaudRate()
{
    termios state{};
    if (BeginOperation() != StatusSuccess || GetLineState(state) != StatusSuccess)
        return -1;
    return RateOfSpeed(cfgetospeed(&state));
}

int CSerialPort::GetDataBits()
{
    termios state{};
    if (BeginOperation() != StatusSuccess || GetLineState(state) != StatusSuccess)
        return -1;
    for (const DataBits& entry : DataBitFlags) {
        if ((state.c_cflag & CSIZE) == entry.flag)
            return entry.bits;
    }
    return -1;
}

int CSerialPort::GetParity()
{
    termios state{};
    if (BeginOperation() != StatusSuccess || GetLineState(state) != StatusSuccess)
        return -1;
    if (!(state.c_iflag & INPCK))
        return 0;
    for (int parity = 1; parity <= 4; ++parity) {
        if ((state.c_cflag & ParityMask) == ParityFlags[parity])
            return parity;
    }
    return 0;
}

int CSerialPort::GetStopBits()
{
    termios state{};
    if (BeginOperation() != StatusSuccess || GetLineState(state) != StatusSuccess)
        return -1;
    return (state.c_cflag & CSTOPB) ? 2 : 0;
}

Handshaking CSerialPort::GetHandshaking()
{
    termios state{};
    if (BeginOperation() != StatusSuccess || GetLineState(state) != StatusSuccess)
        return static_cast<Handshaking>(-1);
    if (state.c_cflag & CRTSCTS)
        return Handshaking::Hardware;
    if ((state.c_iflag & IXON) && (state.c_iflag & IXOFF))
        return Handshaking::Software;
    return Handshaking::Off;
}

std::uint32_t CSerialPort::GetEventMask()
{
    if (BeginOperation() != StatusSuccess)
        return 0;
    return eventMask;
}

char CSerialPort::GetEventCharacter()
{
    if (BeginOperation() != StatusSuccess)
        return 0;
    return eventCharacter;
}

SerialStatus CSerialPort::WriteText(const std::string& text, std::size_t* bytesWritten,
                                    std::uint32_t timeoutMs)
{
    return Write(text.data(), text.size(), bytesWritten, timeoutMs);
}

SerialStatus CSerialPort::Write(const void* data, std::size_t length, std::size_t* bytesWritten,
                                std::uint32_t timeoutMs)
{
    std::size_t localCount = 0;
    std::size_t& count = bytesWritten ? *bytesWritten : localCount;
    count = 0;
    if (BeginOperation() != StatusSuccess)
        return lastError;

    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const auto deadline = DeadlineAfter(timeoutMs);
    while (count < length) {
        const ssize_t written = ::write(fd, bytes + count, length - count);
        if (written > 0) {
            count += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            return FailErrno();
        short portEvents = 0;
        if (AwaitPort(POLLOUT, PollTimeout(deadline), portEvents) != StatusSuccess)
            return lastError;
        if (IsHangUp(portEvents) && !(portEvents & POLLOUT)) {
            errno = EIO;
            return FailErrno();
        }
    }
    return StatusSuccess;
}

SerialStatus CSerialPort::Read(void* buffer, std::size_t length, std::size_t* bytesRead,
                               std::uint32_t timeoutMs)
{
    std::size_t localCount = 0;
    std::size_t& count = bytesRead ? *bytesRead : localCount;
    count = 0;
    if (BeginOperation() != StatusSuccess)
        return lastError;

    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const auto deadline = DeadlineAfter(timeoutMs);
    bool hungUp = false;
    while (count < length) {
        const ssize_t got = ::read(fd, bytes + count, length - count);
        if (got > 0) {
            count += static_cast<std::size_t>(got);
            NoteBytesTaken(static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno != EAGAIN)
            return FailErrno();
        // A line that has hung up reads as end of file for ever; report it instead.
        if (hungUp) {
            errno = EIO;
            return FailErrno();
        }
        if (readMode == ReadMode::NonBlocking)
            return StatusSuccess;
        short portEvents = 0;
        if (AwaitPort(POLLIN, PollTimeout(deadline), portEvents) != StatusSuccess)
            return lastError;
        hungUp = IsHangUp(portEvents);
    }
    return StatusSuccess;
}

SerialStatus CSerialPort::AwaitPort(short events, int pollTimeoutMs, short& portEvents)
{
    pollfd entries[2] = {{fd, events, 0}, {cancelDescriptor, POLLIN, 0}};
    const int ready = poll(entries, 2, pollTimeoutMs);
    if (ready < 0)
        return errno == EINTR ? StatusSuccess : FailErrno();
    // A cancel pipe whose writer is gone, or a descriptor closed under us, would wake every
    // poll at once and spin the wait until its time-out; it ends the operation as well.
    if (entries[1].revents != 0)
        return Fail(StatusAborted);
    if (ready == 0)
        return Fail(StatusTimeout);
    portEvents = entries[0].revents;
    return StatusSuccess;
}

std::uint32_t CSerialPort::LongestAnswerWireMs() const
{
    termios state{};
    int rate = tcgetattr(fd, &state) == 0 ? RateOfSpeed(cfgetospeed(&state)) : 0;
    if (rate <= 0)
        rate = AssumedBaudRate;
    const std::uint64_t bits = MaxLineLength * BitsPerByte * 1000;
    return static_cast<std::uint32_t>((bits + static_cast<std::uint64_t>(rate) - 1) /
                                      static_cast<std::uint64_t>(rate));
}

SerialStatus CSerialPort::ReadLine(std::string& text, std::uint32_t timeoutMs)
{
    text.clear();
    if (BeginOperation() != StatusSuccess)
        return lastError;
    const auto lineDeadline = timeoutMs == Infinite
                                  ? Clock::time_point::max()
                                  : Clock::now() + std::chrono::milliseconds(timeoutMs) +
                                        std::chrono::milliseconds(LongestAnswerWireMs());
    SetReadMode(ReadMode::Blocking);
    for (;;) {
        if (Clock::now() >= lineDeadline)
            return Fail(StatusTimeout);
        const std::uint32_t byteTimeoutMs =
            timeoutMs == Infinite
                ? Infinite
                : std::min(timeoutMs, static_cast<std::uint32_t>(RemainingMs(lineDeadline)));
        char byte = 0;
        const SerialStatus status = Read(&byte, 1, nullptr, byteTimeoutMs);
        if (status != StatusSuccess)
            return status;
        if (byte == '\r')
            return SetReadMode(ReadMode::NonBlocking);
        if (text.size() >= MaxLineLength)
            return Fail(StatusMoreData);
        text += byte;
    }
}

PortProbe CSerialPort::ProbePort(const std::string& portName, std::string* reason)
{
    const int error = ProbeError(DevicePath(portName));
    if (reason)
        *reason = error == 0 ? "Success" : ErrnoText(error);
    switch (StatusFromErrno(error)) {
    case StatusSuccess:
        return PortProbe::Free;
    case StatusFileNotFound:
        return PortProbe::Missing;
    case StatusAccessDenied:
        return PortProbe::Refused;
    default:
        return PortProbe::Failed;
    }
}

std::uint32_t CSerialPort::TakeEventResult()
{
    return eventResult.exchange(0) & eventMask;
}

bool CSerialPort::ReadLineCounts(LineCounts& counts) const
{
    serial_icounter_struct icount{};
    if (fd < 0 || ioctl(fd, TIOCGICOUNT, &icount) != 0)
        return false;
    counts = {icount.frame, icount.overrun, icount.parity, icount.brk, icount.buf_overrun};
    return true;
}

std::uint32_t CSerialPort::TakeLineErrors()
{
    LineCounts now;
    if (!ReadLineCounts(now))
        return 0;
    std::uint32_t errors = 0;
    if (now.bufferOverrun != reportedCounts.bufferOverrun)
        errors |= LineErrorInputOverflow;
    if (now.overrun != reportedCounts.overrun)
        errors |= LineErrorOverrun;
    if (now.parity != reportedCounts.parity)
        errors |= LineErrorParity;
    if (now.frame != reportedCounts.frame)
        errors |= LineErrorFraming;
    if (now.brk != reportedCounts.brk)
        errors |= LineErrorBreak;
    reportedCounts = now;
    return errors;
}

int CSerialPort::QueuedBytes() const
{
    int queued = 0;
    return ioctl(fd, FIONREAD, &queued) == 0 ? queued : 0;
}

void CSerialPort::NoteBytesTaken(std::size_t count)
{
    bytesConsumed += count;
    if (awaitingRead.exchange(false)) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(readSignal, &one, sizeof one);
    }
}

std::uint64_t CSerialPort::BytesArrived() const
{
    // Queued first, consumed second: a read in between can only make this count too high,
    // which costs one spare event, never a missed one.
    const auto queued = static_cast<std::uint64_t>(QueuedBytes());
    return queued + bytesConsumed.load();
}

std::uint32_t CSerialPort::PendingEvents()
{
    std::uint32_t events = 0;
    const std::uint64_t arrived = BytesArrived();
    if (arrived > bytesReported)
        events |= EventCharacterReceived;
    bytesReported = arrived;

    LineCounts now;
    if (ReadLineCounts(now)) {
        if (now.brk != reportedCounts.brk)
            events |= EventBreak;
        if (now.frame != reportedCounts.frame || now.overrun != reportedCounts.overrun ||
            now.parity != reportedCounts.parity ||
            now.bufferOverrun != reportedCounts.bufferOverrun)
            events |= EventLineError;
    }
    return events & eventMask;
}

SerialStatus CSerialPort::WaitForEvent(std::uint32_t timeoutMs)
{
    return WaitForPortEvent(timeoutMs, -1);
}

SerialStatus CSerialPort::WaitForPortEvent(std::uint32_t timeoutMs, int cancelFd)
{
    if (BeginOperation() != StatusSuccess)
        return lastError;
    const auto deadline = DeadlineAfter(timeoutMs);
    for (;;) {
        if (lineGone)
            return Fail(StatusAborted);
        const std::uint32_t events = PendingEvents();
        if (events != 0) {
            eventResult |= events;
            return StatusSuccess;
        }
        int wait = PollTimeout(deadline);
        if (wait == 0)
            return Fail(StatusTimeout);

        // With nothing queued the descriptor becomes readable exactly when a byte arrives.
        // Otherwise it already is, and the wait is for a Read to take the bytes; the flag is
        // raised before looking again, so a Read that empties the queue cannot be missed.
        // Bytes nobody reads are looked at again now and then for newcomers behind them.
        int queued = QueuedBytes();
        if (queued > 0) {
            awaitingRead = true;
            queued = QueuedBytes();
        }
        if (queued > 0 && (wait == PollForever || wait > UnreadRecheckMs))
            wait = UnreadRecheckMs;
        const short watched = queued > 0 ? 0 : POLLIN | POLLPRI; // hang-ups always show
        pollfd entries[3] = {
            {fd, watched, 0}, {cancelFd, POLLIN, 0}, {queued > 0 ? readSignal : -1, POLLIN, 0}};
        const int ready = poll(entries, 3, wait);
        awaitingRead = false;
        if (ready < 0 && errno != EINTR)
            return FailErrno();
        if (entries[2].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(readSignal, &count, sizeof count);
        }
        if (entries[1].revents & POLLIN)
            return Fail(StatusAborted);
        if (IsHangUp(entries[0].revents)) {
            lineGone = true;
            eventResult |= EventLineError & eventMask;
            return StatusSuccess;
        }
    }
}
