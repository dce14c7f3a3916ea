#include "serial/serial_wnd.h"

#include "serial/message_registry.h"

std::uint32_t CSerialWnd::DefaultMessage()
{
    static const std::uint32_t number = RegisterMessageName(DefaultMessageName);
    return number;
}

CSerialWnd::~CSerialWnd()
{
    if (IsListening())
        CSerialWnd::Close();
}

SerialStatus CSerialWnd::Open(const std::string& portName, IMessageTarget* target,
                              std::uint32_t messageNumber, std::intptr_t value,
                              std::uint32_t inQueueSize, std::uint32_t outQueueSize)
{
    const SerialStatus status = CSerialListener::Open(portName, inQueueSize, outQueueSize);
    if (status != StatusSuccess)
        return status;
    targetWindow = target;
    message = messageNumber != 0 ? messageNumber : DefaultMessage();
    userValue = value;
    const SerialStatus started = StartListening();
    if (started != StatusSuccess) {
        Close();
        return Fail(started);
    }
    return Fail(StatusSuccess);
}

SerialStatus CSerialWnd::Close()
{
    // The worker is stopped before the target is forgotten, so it never posts to nothing.
    StopListening();
    targetWindow = nullptr;
    message = 0;
    return CSerialListener::Close();
}

void CSerialWnd::OnPortEvent(std::uint32_t events, std::uint32_t errors)
{
    if (!targetWindow)
        return;
    const std::uintptr_t wParam =
        (static_cast<std::uintptr_t>(errors & 0xFFFF) << 16) | (events & 0xFFFF);
    targetWindow->Post(message, wParam, userValue);
}
