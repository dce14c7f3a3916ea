#pragma once

#include <QObject>
#include <vector>

// An owner of knobs and faders: records each notification with the control's value at the
// time it is handled, as the main window reads it.
class NotificationLog : public QObject
{
public:
    struct Entry
    {
        unsigned int message;
        QObject* control;
        double value;
    };

    // Handles everything posted so far.
    const std::vector<Entry>& Handled();
    // Without handling what is still waiting.
    std::size_t HandledSoFar() const { return entries.size(); }
    std::vector<unsigned int> Messages();

protected:
    bool event(QEvent* event) override;

private:
    std::vector<Entry> entries;
};
