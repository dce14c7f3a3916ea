#include "serial/serial_listener.h"

#include <cerrno>
#include <sys/eventfd.h>
#include <unistd.h>

CSerialListener::~CSerialListener()
{
    if (IsListening()) {
        StopListening();
        CloseStopEvent();
        CSerialPort::Close();
    }
    CloseStopEvent();
}

SerialStatus CSerialListener::Open(const std::string& portName, std::uint32_t inQueueSize,
                                   std::uint32_t outQueueSize)
{
    const SerialStatus status = CSerialPort::Open(portName, inQueueSize, outQueueSize);
    if (status != StatusSuccess)
        return status;
    // A fresh event for every opening, so a stop signalled by an earlier Close never ends
    // a new worker.
    CloseStopEvent();
    stopEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopEvent < 0) {
        const int error = errno;
        CSerialPort::Close();
        errno = error;
        return FailErrno();
    }
    return LastError();
}

SerialStatus CSerialListener::Close()
{
    StopListening();
    CloseStopEvent();
    return CSerialPort::Close();
}

SerialStatus CSerialListener::StartListening()
{
    if (!IsListening()) {
        try {
            workerThread = std::thread(&CSerialListener::ListenLoop, this);
        } catch (const std::system_error& error) {
            errno = error.code().value();
            return FailErrno();
        }
    }
    return Fail(StatusSuccess);
}

SerialStatus CSerialListener::StopListening(std::uint32_t)
{
    if (IsListening()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(stopEvent, &one, sizeof one);
        workerThread.join();
    }
    return Fail(StatusSuccess);
}

void CSerialListener::CloseStopEvent()
{
    if (stopEvent >= 0) {
        ::close(stopEvent);
        stopEvent = -1;
    }
}

void CSerialListener::ListenLoop()
{
    for (;;) {
        if (WaitForPortEvent(Infinite, stopEvent) != StatusSuccess)
            return;
        const std::uint32_t events = TakeEventResult();
        const std::uint32_t errors = TakeLineErrors();
        if (events != 0)
            OnPortEvent(events, errors);
        // After a hang-up the line stays readable for ever; one report of it is enough.
        if (LineGone())
            return;
    }
}
