#include "panel/window_drag.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

CWindowDrag::CWindowDrag(QWidget* window, QWidget* dragArea) : window(window), dragArea(dragArea)
{
    qApp->installEventFilter(this);
}

bool CWindowDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (!BelongsToWindow(watched))
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        OnPress(static_cast<const QMouseEvent&>(*event));
        break;
    case QEvent::MouseMove:
        OnMove(static_cast<const QMouseEvent&>(*event));
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<const QMouseEvent&>(*event).button() == Qt::LeftButton)
            OnRelease();
        break;
    default:
        break;
    }
    return false;
}

bool CWindowDrag::BelongsToWindow(QObject* watched) const
{
    return watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == window;
}

void CWindowDrag::OnPress(const QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton)
        return;
    const QPoint cursor = event.globalPosition().toPoint();
    const QRect band = DragAreaOnScreen();
    const bool strictlyInside = band.left() < cursor.x() && cursor.x() < band.right() + 1 &&
                                band.top() < cursor.y() && cursor.y() < band.bottom() + 1;
    if (!strictlyInside)
        return;
    // A Wayland compositor does not let a client place its own window; it moves it itself.
    if (QGuiApplication::platformName() == QLatin1String("wayland") && window->windowHandle()) {
        window->windowHandle()->startSystemMove();
        return;
    }
    window->grabMouse();
    grab = window->mapFromGlobal(cursor);
    dragging = true;
}

void CWindowDrag::OnMove(const QMouseEvent& event)
{
    if (!dragging)
        return;
    const QPoint cursor = event.globalPosition().toPoint();
    window->move(cursor - grab);
}

void CWindowDrag::OnRelease()
{
    if (!dragging)
        return;
    window->releaseMouse();
    dragging = false;
}

QRect CWindowDrag::DragAreaOnScreen() const
{
    return QRect(window->mapToGlobal(dragArea->geometry().topLeft()), dragArea->size());
}
