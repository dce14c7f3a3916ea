#include "controls/focus_mark.h"

#include <QFocusEvent>
#include <QPainter>

namespace {

// Vivid against the silver face and the black read-outs alike.
const QColor RingColour(255, 102, 0);

bool ShowsMark(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason || reason == Qt::OtherFocusReason;
}

// The window losing and regaining the focus, or a menu popping up over it, leaves the focus
// where it was: so does the mark.
bool KeepsMark(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

} // namespace

CFocusMark::CFocusMark(QWidget* window) : QWidget(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void CFocusMark::Follow(QWidget* control)
{
    control->installEventFilter(this);
}

bool CFocusMark::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (ShowsMark(reason))
            MarkAround(static_cast<QWidget*>(watched));
        else if (!KeepsMark(reason))
            hide();
    } else if (event->type() == QEvent::FocusOut) {
        if (!KeepsMark(static_cast<QFocusEvent*>(event)->reason()))
            hide();
    }
    return false;
}

void CFocusMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPen pen(RingColour, Thickness);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    const int inset = Thickness / 2;
    painter.drawRect(rect().adjusted(inset, inset, -inset, -inset));
}

void CFocusMark::MarkAround(QWidget* control)
{
    marked = control;
    const int outset = Margin + Thickness;
    setGeometry(control->geometry().adjusted(-outset, -outset, outset, outset));
    raise();
    show();
}
