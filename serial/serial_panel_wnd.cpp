#include "serial/serial_panel_wnd.h"

// The worker calls this object's virtual event handler; it must be stopped before the first
// destructor of the chain changes the object's type under it.
CSerialPanelWnd::~CSerialPanelWnd()
{
    if (IsListening())
        CSerialWnd::Close();
}

SerialStatus CSerialPanelWnd::Open(const std::string& portName, IMessageWindow* window,
                                   std::uint32_t message, std::intptr_t userValue,
                                   std::uint32_t inQueueSize, std::uint32_t outQueueSize)
{
    return CSerialWnd::Open(portName, window ? window->MessageTarget() : nullptr, message,
                            userValue, inQueueSize, outQueueSize);
}
