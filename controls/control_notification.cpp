#include "controls/control_notification.h"

CControlNotification::CControlNotification(unsigned int message, QObject* control)
    : QEvent(EventType()), message(message), control(control)
{}

QEvent::Type CControlNotification::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}
