#pragma once

#include <QEvent>

#include "serial/message_target.h"

// A posted message on its way to the window: a port event from the serial listener's thread,
// or a change of the device link's mode.
class CSerialMessageEvent : public QEvent
{
public:
    CSerialMessageEvent(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    static QEvent::Type EventType();

    std::uint32_t Message() const { return message; }
    std::uintptr_t WParam() const { return wParam; }
    std::intptr_t LParam() const { return lParam; }

private:
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// Posts the listener's messages to a Qt object as CSerialMessageEvent; posting is
// thread-safe and never blocks. The receiver must outlive the port that posts: the window
// closes its port before it goes, and Qt drops the events still queued for it.
class CPanelMessageTarget : public IMessageTarget
{
public:
    explicit CPanelMessageTarget(QObject* receiver);

    void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    QObject* receiver;
};
