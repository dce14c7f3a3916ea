#include "panel/panel_message_target.h"

#include <QCoreApplication>

CSerialMessageEvent::CSerialMessageEvent(std::uint32_t message, std::uintptr_t wParam,
                                         std::intptr_t lParam)
    : QEvent(EventType()), message(message), wParam(wParam), lParam(lParam)
{}

QEvent::Type CSerialMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CPanelMessageTarget::CPanelMessageTarget(QObject* receiver) : receiver(receiver) {}

void CPanelMessageTarget::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    QCoreApplication::postEvent(receiver, new CSerialMessageEvent(message, wParam, lParam));
}
