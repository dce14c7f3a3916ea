#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

// First number of the panel's own message range; the knobs and faders tell the window about
// user changes with AppMessage + 10 to AppMessage + 14.
inline constexpr unsigned int AppMessage = 0x8000;

// What a knob or fader posts to its owner. It is always posted, never sent, so the owner
// handles it after the control has finished its own event and reads the control's value
// then: a burst of moves may be handled after the control has moved further.
class CControlNotification : public QEvent
{
public:
    CControlNotification(unsigned int message, QObject* control);

    // The one event type all notifications share; the owner tells them apart by Message().
    static QEvent::Type EventType();

    unsigned int Message() const { return message; }

    // Null when the control was destroyed before the notification was handled.
    QObject* Control() const { return control; }

private:
    unsigned int message;
    QPointer<QObject> control;
};
