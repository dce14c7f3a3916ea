#pragma once

#include <thread>

#include "serial/serial_port.h"

// A serial port with a worker thread that waits for port events and hands each one to
// OnPortEvent. The worker never reads or writes data; it only reports that something came.
class CSerialListener : public CSerialPort
{
public:
    ~CSerialListener() override;

    SerialStatus Open(const std::string& portName, std::uint32_t inQueueSize = 0,
                      std::uint32_t outQueueSize = 0) override;
    SerialStatus Close() override;

    virtual SerialStatus StartListening();

    // Joins the worker however long it takes: it wakes on the stop event at once, and
    // leaving it running would let it touch a closed port.
    virtual SerialStatus StopListening(std::uint32_t timeoutMs = Infinite);

    bool IsListening() const { return workerThread.joinable(); }

protected:
    // Runs on the worker thread.
    virtual void OnPortEvent(std::uint32_t events, std::uint32_t errors) = 0;

private:
    void ListenLoop();
    void CloseStopEvent();

    std::thread workerThread;
    int stopEvent = -1;
};
