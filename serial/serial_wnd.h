#pragma once

#include <cstdint>

#include "serial/message_target.h"
#include "serial/serial_listener.h"

// Posts one message to a target for every port event: first parameter the line-error flags
// in the high 16 bits and the events in the low 16 bits, second parameter the user value.
class CSerialWnd : public CSerialListener
{
public:
    static constexpr const char* DefaultMessageName = "CSerialWnd_DefaultComMsg";

    // The registered number of DefaultMessageName.
    static std::uint32_t DefaultMessage();

    ~CSerialWnd() override;

    using CSerialListener::Open;
    // message 0 stands for DefaultMessage().
    virtual SerialStatus Open(const std::string& portName, IMessageTarget* target,
                              std::uint32_t message = 0, std::intptr_t userValue = 0,
                              std::uint32_t inQueueSize = 0, std::uint32_t outQueueSize = 0);
    SerialStatus Close() override;

protected:
    void OnPortEvent(std::uint32_t events, std::uint32_t errors) override;

private:
    IMessageTarget* targetWindow = nullptr;
    std::uint32_t message = 0;
    std::intptr_t userValue = 0;
};
