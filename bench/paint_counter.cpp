#include "bench/paint_counter.h"

#include <QEvent>

CPaintCounter::CPaintCounter(QObject* watched)
{
    watched->installEventFilter(this);
}

bool CPaintCounter::eventFilter(QObject*, QEvent* event)
{
    count += event->type() == QEvent::Paint ? 1 : 0;
    return false;
}
