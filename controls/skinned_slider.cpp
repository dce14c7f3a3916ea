#include "controls/skinned_slider.h"

#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "controls/control_notification.h"

namespace {

constexpr int LineSize = 3;
constexpr int PageSize = 30;
constexpr int ArrowStep = 2;
constexpr int WheelNotch = 120;

struct KeyStep
{
    int key;
    int delta;
};

constexpr KeyStep ArrowSteps[] = {{Qt::Key_Up, ArrowStep}, {Qt::Key_Down, -ArrowStep}};

// Truncates toward zero. Values from files and from the device are unchecked; a NaN or a
// number beyond int must not make the conversion undefined, and MoveTo clamps anyway.
int TruncatedSteps(double steps)
{
    constexpr double Limit = 1e9;
    if (std::isnan(steps))
        return 0;
    return static_cast<int>(std::clamp(steps, -Limit, Limit));
}

} // namespace

CSkinnedSlider::CSkinnedSlider(int maxPos, QWidget* parent) : QAbstractSlider(parent)
{
    setFocusPolicy(Qt::TabFocus);
    SetMaxPos(maxPos);
}

bool CSkinnedSlider::SetNotify(QObject* target, unsigned int moveMsg, unsigned int releaseMsg,
                               unsigned int pressMsg)
{
    if (target)
        notifyWnd = target;
    if (moveMsg != 0)
        this->moveMsg = moveMsg;
    if (releaseMsg != 0)
        this->releaseMsg = releaseMsg;
    if (pressMsg != 0)
        this->pressMsg = pressMsg;
    return true;
}

bool CSkinnedSlider::SetMaxValue(double value)
{
    valueAtMax = value;
    return true;
}

bool CSkinnedSlider::SetMinValue(double value)
{
    valueAtMin = value;
    return true;
}

bool CSkinnedSlider::SetMaxPos(int max)
{
    setRange(0, max);
    setSingleStep(LineSize);
    setPageStep(PageSize);
    return true;
}

bool CSkinnedSlider::SetValue(double value)
{
    const double fraction = (value - valueAtMin) / (valueAtMax - valueAtMin);
    const int pos = minimum() + TruncatedSteps((maximum() - minimum()) * fraction);
    if (pos != this->value()) {
        MoveTo(pos);
        repaint();
    }
    return true;
}

double CSkinnedSlider::GetValue() const
{
    return valueAtMin + Fraction(value()) * (valueAtMax - valueAtMin);
}

bool CSkinnedSlider::MoveTo(int pos)
{
    const int old = value();
    pos = std::clamp(pos, minimum(), maximum() + 1);
    setValue(pos);
    Place(pos);
    return old != pos;
}

bool CSkinnedSlider::MoveBy(int delta)
{
    return MoveTo(value() + delta);
}

double CSkinnedSlider::Fraction(int pos) const
{
    const int span = maximum() - minimum();
    return span == 0 ? 0.0 : static_cast<double>(pos - minimum()) / span;
}

void CSkinnedSlider::EndDrag()
{
    if (!dragging)
        return;
    dragging = false;
    releaseMouse();
    unsetCursor();
}

void CSkinnedSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractSlider::mousePressEvent(event);
        return;
    }
    if (IgnoresInput())
        return;
    anchorY = event->position().toPoint().y();
    if (dragging) {
        QAbstractSlider::mousePressEvent(event);
        return;
    }
    dragging = true;
    grabMouse();
    setFocus(Qt::MouseFocusReason);
    repaint();
    setCursor(Qt::BlankCursor);
    Post(pressMsg);
}

void CSkinnedSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (IgnoresInput())
        return;
    if (!dragging) {
        QAbstractSlider::mouseMoveEvent(event);
        return;
    }
    // Nothing changes below the minimum, so the anchor stays and travel past the bottom
    // accumulates: the mouse must come back above the anchor before the value rises again.
    if (!MoveBy(anchorY - event->position().toPoint().y()))
        return;
    repaint();
    Post(moveMsg);
    const QPoint home = CursorHome();
    QCursor::setPos(mapToGlobal(QPoint(width() / 2 + home.x(), home.y())));
    anchorY = home.y();
}

void CSkinnedSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractSlider::mouseReleaseEvent(event);
        return;
    }
    if (IgnoresInput())
        return;
    if (!dragging) {
        QAbstractSlider::mouseReleaseEvent(event);
        return;
    }
    EndDrag();
    // The owner reads the value when the release arrives; no move is posted for this last bit.
    MoveBy(anchorY - event->position().toPoint().y());
    repaint();
    Post(releaseMsg);
}

void CSkinnedSlider::keyPressEvent(QKeyEvent* event)
{
    if (IgnoresInput())
        return;
    const auto* step = std::ranges::find(ArrowSteps, event->key(), &KeyStep::key);
    if (step == std::end(ArrowSteps)) {
        event->ignore();
        return;
    }
    Step(step->delta);
}

void CSkinnedSlider::wheelEvent(QWheelEvent* event)
{
    if (IgnoresInput())
        return;
    // Follow the wheel itself, not a desktop setting that reverses scrolling.
    const int rotation = event->angleDelta().y();
    wheelTravel += event->inverted() ? -rotation : rotation;
    for (; wheelTravel >= WheelNotch; wheelTravel -= WheelNotch)
        Step(ArrowStep);
    for (; wheelTravel <= -WheelNotch; wheelTravel += WheelNotch)
        Step(-ArrowStep);
}

void CSkinnedSlider::Post(unsigned int message)
{
    if (notifyWnd && message != 0)
        QCoreApplication::postEvent(notifyWnd, new CControlNotification(message, this));
}

void CSkinnedSlider::Step(int delta)
{
    MoveBy(delta);
    repaint();
    Post(pressMsg);
    Post(moveMsg);
    Post(releaseMsg);
}
