#include "notification_log.h"

#include <QCoreApplication>

#include "controls/control_notification.h"
#include "controls/skinned_slider.h"

const std::vector<NotificationLog::Entry>& NotificationLog::Handled()
{
    QCoreApplication::processEvents();
    return entries;
}

std::vector<unsigned int> NotificationLog::Messages()
{
    std::vector<unsigned int> messages;
    for (const Entry& entry : Handled())
        messages.push_back(entry.message);
    return messages;
}

bool NotificationLog::event(QEvent* event)
{
    if (event->type() != CControlNotification::EventType())
        return QObject::event(event);
    const auto* notification = static_cast<CControlNotification*>(event);
    const auto* slider = dynamic_cast<CSkinnedSlider*>(notification->Control());
    entries.push_back(
        {notification->Message(), notification->Control(), slider ? slider->GetValue() : 0.0});
    return true;
}
