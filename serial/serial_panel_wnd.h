#pragma once

#include "serial/serial_wnd.h"

// The serial port the panel's main window owns: opened with the window object itself.
class CSerialPanelWnd : public CSerialWnd
{
public:
    ~CSerialPanelWnd() override;

    using CSerialWnd::Open;
    virtual SerialStatus Open(const std::string& portName, IMessageWindow* window,
                              std::uint32_t message = 0, std::intptr_t userValue = 0,
                              std::uint32_t inQueueSize = 0, std::uint32_t outQueueSize = 0);
};
