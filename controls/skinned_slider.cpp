#include "controls/skinned_slider.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
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
// How far the hidden cursor may stray from its home before it is put back.
constexpr int HomeReach = 8;

struct KeyStep
{
    int key;
    int delta;
};

constexpr KeyStep ArrowSteps[] = {{Qt::Key_Up, ArrowStep}, {Qt::Key_Down, -ArrowStep}};

// Wayland gives no client a way to move the pointer: QCursor::setPos does nothing there.
bool CursorCanBePlaced()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
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
    valueScale.valueAtMax = value;
    return true;
}

bool CSkinnedSlider::SetMinValue(double value)
{
    valueScale.valueAtMin = value;
    return true;
}

bool CSkinnedSlider::SetMaxPos(int max)
{
    setRange(0, max);
    setSingleStep(LineSize);
    setPageStep(PageSize);
    valueScale.positions = maximum();
    return true;
}

bool CSkinnedSlider::SetScale(const ValueScale& scale)
{
    return SetMinValue(scale.valueAtMin) && SetMaxValue(scale.valueAtMax) &&
           SetMaxPos(scale.positions);
}

bool CSkinnedSlider::SetValue(double value)
{
    const int pos = valueScale.ToPosition(value);
    if (pos != this->value()) {
        MoveTo(pos);
        repaint();
    }
    return true;
}

double CSkinnedSlider::GetValue() const
{
    return valueScale.ToValue(value());
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
    placesCursor = CursorCanBePlaced();
    anchorY = Pointer(*event).y();
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
    const QPoint pointer = Pointer(*event);
    if (!MoveBy(anchorY - pointer.y()))
        return;
    repaint();
    Post(moveMsg);
    anchorY = placesCursor ? KeepCursorNearHome(pointer) : pointer.y();
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
    // The last stretch of travel may come with the release itself. The owner hears of it as
    // of any move, so that what it shows and sends ends on the drawn value even when it
    // listens to moves only, as it does for the faders.
    if (MoveBy(anchorY - Pointer(*event).y()))
        Post(moveMsg);
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

QPoint CSkinnedSlider::Pointer(const QMouseEvent& event) const
{
    // Once the cursor has been put back, events still queued from before the jump carry
    // positions from before it; measured against the new home their travel would count
    // twice. The window system's own pointer is always on the far side of the last jump.
    return placesCursor ? QCursor::pos() : event.globalPosition().toPoint();
}

int CSkinnedSlider::KeepCursorNearHome(QPoint pointer)
{
    // Qt hears nothing of the jump on X11 and drops the next event at the spot where it last
    // saw the pointer as a repeat; put back after every change, the cursor would hold back
    // every other pixel of a slow drag. Strays of a few pixels are therefore left alone.
    const QPoint home = CursorHome();
    const QPoint global = mapToGlobal(QPoint(width() / 2 + home.x(), home.y()));
    const QPoint away = pointer - global;
    if (std::max(std::abs(away.x()), std::abs(away.y())) <= HomeReach)
        return pointer.y();
    QCursor::setPos(global);
    return global.y();
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
