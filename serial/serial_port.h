#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/serial_status.h"

// Port events, numbered as the Windows EV_ values.
inline constexpr std::uint32_t EventCharacterReceived = 0x0001;
inline constexpr std::uint32_t EventFlagCharacter = 0x0002;
inline constexpr std::uint32_t EventBreak = 0x0040;
inline constexpr std::uint32_t EventLineError = 0x0080;
inline constexpr std::uint32_t DefaultEventMask =
    EventCharacterReceived | EventBreak | EventLineError;

// Line-error flags, numbered as the Windows CE_ values.
inline constexpr std::uint32_t LineErrorInputOverflow = 0x0001;
inline constexpr std::uint32_t LineErrorOverrun = 0x0002;
inline constexpr std::uint32_t LineErrorParity = 0x0004;
inline constexpr std::uint32_t LineErrorFraming = 0x0008;
inline constexpr std::uint32_t LineErrorBreak = 0x0010;

inline constexpr std::uint32_t Infinite = 0xFFFFFFFF;

enum class Handshaking : int
{
    Off = 0,
    Hardware = 1,
    Software = 2,
};

// What a probe found of a port.
enum class PortProbe
{
    Free,    // the port exists and would open
    Missing, // there is no such port
    Refused, // the port exists but another program holds it or this user may not open it
    Failed,  // anything else went wrong
};

enum class ReadMode : int
{
    NonBlocking = 0, // a read returns at once with what has arrived, possibly nothing
    Blocking = 1,    // a read waits for all requested bytes, bounded by its time-out
};

// One serial line on a POSIX terminal device. Every operation returns a status in the
// Windows numbering (serial_status.h), keeps it as the last error and never throws.
//
// The port is opened exclusively: TIOCEXCL keeps other users out and an flock keeps out
// root, whom TIOCEXCL does not stop. Port names are device paths; COM1, COM2, ... name
// /dev/ttyS0, /dev/ttyS1, ... so that names remembered on Windows keep working.
class CSerialPort
{
public:
    // The longest answer line ReadLine takes; a device streaming bytes without a carriage
    // return must not grow memory for ever.
    static constexpr std::size_t MaxLineLength = 4096;

    CSerialPort() = default;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;
    virtual ~CSerialPort();

    // Queue sizes are the driver's own on this platform and are accepted for compatibility.
    virtual SerialStatus Open(const std::string& portName, std::uint32_t inQueueSize = 0,
                              std::uint32_t outQueueSize = 0);
    virtual SerialStatus Close();
    virtual SerialStatus Configure(int baudRate, int dataBits, int parity, int stopBits);
    virtual SerialStatus SetEventCharacter(char character, bool addToMask);
    virtual SerialStatus SetEventMask(std::uint32_t mask);
    virtual SerialStatus WaitForEvent(std::uint32_t timeoutMs);
    virtual SerialStatus SetHandshaking(Handshaking mode);
    virtual SerialStatus SetReadMode(ReadMode mode);
    virtual int GetBaudRate();
    virtual int GetDataBits();
    virtual int GetParity();
    virtual int GetStopBits();
    virtual Handshaking GetHandshaking();
    virtual std::uint32_t GetEventMask();
    virtual char GetEventCharacter();
    virtual SerialStatus WriteText(const std::string& text, std::size_t* bytesWritten = nullptr,
                                   std::uint32_t timeoutMs = Infinite);
    virtual SerialStatus Write(const void* data, std::size_t length,
                               std::size_t* bytesWritten = nullptr,
                               std::uint32_t timeoutMs = Infinite);
    // timeoutMs bounds the wait for each byte; the whole line gets that time-out plus the wire
    // time of MaxLineLength bytes at the line's speed, so a trickle cannot hold it for ever.
    virtual SerialStatus ReadLine(std::string& text, std::uint32_t timeoutMs);
    virtual SerialStatus Read(void* buffer, std::size_t length, std::size_t* bytesRead = nullptr,
                              std::uint32_t timeoutMs = Infinite);

    // Reason receives the system's words. The probe changes nothing on the line: its mode, its
    // queues and its exclusive flag may belong to another program.
    static PortProbe ProbePort(const std::string& portName, std::string* reason = nullptr);

    // The device path a port name stands for.
    static std::string DevicePath(const std::string& portName);

    // While fd (-1 for none) is readable, every wait inside Read, ReadLine and Write ends at
    // once with StatusAborted. The descriptor is only watched, never read: it suits a pipe that
    // a signal handler writes into.
    void SetCancelDescriptor(int fd) { cancelDescriptor = fd; }

    bool IsOpen() const { return fd >= 0; }
    SerialStatus LastError() const { return lastError; }

    // The system's words for the last failure, for messages.
    std::string LastErrorText() const;

    // The events that ended the last wait, masked with the event mask; cleared on reading.
    std::uint32_t TakeEventResult();

    // The line-error flags (CE_ values) counted by the driver since the last call.
    std::uint32_t TakeLineErrors();

    // Whether the line hung up (an adapter pulled out, the other end closed): it stays gone
    // until the port is opened again. Safe to ask from any thread.
    bool LineGone() const { return lineGone; }

protected:
    // Waits like WaitForEvent, but also returns StatusAborted as soon as cancelFd becomes
    // readable. A hang-up is reported as a line error, after which lineGone is true.
    SerialStatus WaitForPortEvent(std::uint32_t timeoutMs, int cancelFd);

    SerialStatus Fail(SerialStatus status);
    SerialStatus FailErrno();

private:
    struct LineCounts
    {
        int frame = 0;
        int overrun = 0;
        int parity = 0;
        int brk = 0;
        int bufferOverrun = 0;
    };

    bool ReadLineCounts(LineCounts& counts) const;
    SerialStatus BeginOperation();
    SerialStatus AwaitPort(short events, int pollTimeoutMs, short& portEvents);
    std::uint32_t LongestAnswerWireMs() const;
    SerialStatus GetLineState(struct termios& state);
    SerialStatus SetLineState(const struct termios& state);
    void RequestLowLatency();
    void RestoreLatency();
    std::uint64_t BytesArrived() const;
    std::uint32_t PendingEvents();
    int QueuedBytes() const;
    void NoteBytesTaken(std::size_t count);

    std::atomic<SerialStatus> lastError{StatusSuccess};
    std::atomic<int> lastErrno{0};
    int fd = -1;
    std::atomic<std::uint32_t> eventResult{0};
    std::atomic<std::uint32_t> eventMask{0};
    ReadMode readMode = ReadMode::NonBlocking;
    char eventCharacter = 0;
    std::atomic<int> cancelDescriptor{-1};
    // The driver's low-latency flag was off and this port turned it on; Close turns it off
    // again, since the flag outlives the descriptor.
    bool lowLatencySet = false;

    // Bytes taken by Read so far; with the bytes still queued, this tells the event wait
    // whether anything new arrived since it last reported, as the Windows character event
    // does, without reading the data itself.
    std::atomic<std::uint64_t> bytesConsumed{0};
    std::uint64_t bytesReported = 0;
    LineCounts reportedCounts;
    std::atomic<bool> lineGone{false};

    // While bytes sit unread the descriptor stays readable, so the event wait sleeps on this
    // eventfd instead, and Read wakes it when it has taken bytes.
    int readSignal = -1;
    std::atomic<bool> awaitingRead{false};
};
