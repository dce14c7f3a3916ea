#pragma once

#include <QObject>

// Counts the paint events a widget receives from the counter's construction on.
class CPaintCounter : public QObject
{
public:
    explicit CPaintCounter(QObject* watched);

    int Count() const { return count; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int count = 0;
};
