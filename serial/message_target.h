#pragma once

#include <cstdint>

// Where the serial listener reports port events: the panel's window, or a queue for the
// command-line tool and the tests. Post is called from the listener's thread; it must be
// thread-safe and must never block.
class IMessageTarget
{
public:
    virtual ~IMessageTarget() = default;
    virtual void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// A window object that can be handed to CSerialPanelWnd::Open.
class IMessageWindow
{
public:
    virtual ~IMessageWindow() = default;
    virtual IMessageTarget* MessageTarget() = 0;
};
