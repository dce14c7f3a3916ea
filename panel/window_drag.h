#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QMouseEvent;
class QWidget;

// Moves the borderless window while the left button is held after a press strictly inside
// the hidden drag band of its title bar. It watches every mouse event of the window and its
// children before they are delivered and never consumes one, so a press in the band still
// reaches the window's normal handling.
class CWindowDrag : public QObject
{
public:
    CWindowDrag(QWidget* window, QWidget* dragArea);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool BelongsToWindow(QObject* watched) const;
    void OnPress(const QMouseEvent& event);
    void OnMove(const QMouseEvent& event);
    void OnRelease();
    QRect DragAreaOnScreen() const;

    QWidget* window;
    QWidget* dragArea;
    bool dragging = false;
    QPoint grab;
};
