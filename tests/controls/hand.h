#pragma once

#include <QPoint>
#include <QWidget>
#include <QWindow>

// The user's hand on the mouse. Every event goes through the window system: the button goes
// down and up at the cursor, and a move moves the cursor itself by a relative amount from
// wherever it is, so a control that puts the cursor back takes the hand with it.
class Hand
{
public:
    // Points at `at` in the widget and presses the left button.
    Hand(QWidget& widget, QPoint at);

    void Move(int dx, int dy);
    void Release();

private:
    QPoint WindowPoint() const;

    QWindow& window;
};
