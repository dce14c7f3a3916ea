#include "serial/serial_panel_wnd.h"

CSerialPanelWnd::~CSerialPanelWnd() = default;

SerialStatus CSerialPanelWnd::Open(const std::string& portName, IMessageWindow* window,
                                   std::uint32_t message, std::intptr_t userValue,
                                   std::uint32_t inQueueSize, std::uint32_t outQueueSize)
{
    return CSerialWnd::Open(portName, window ? window->MessageTarget() : nullptr, message,
                            userValue, inQueueSize, outQueueSize);
}
