#pragma once

#include <QImage>
#include <QWidget>

inline constexpr QRgb PanelColour = qRgb(0, 128, 0);

// A top-level window painted in PanelColour for the controls to sit on, as the main window's
// background picture is under the real ones.
class TestPanel : public QWidget
{
public:
    TestPanel();

    // Shows the panel and its children and waits until they can be drawn.
    void Show();
};

// What the widget and its children look like on screen, the panel's painting included when
// the widget is the panel.
QImage Grab(QWidget& widget);

// The smallest rectangle holding every pixel of exactly this colour; empty when none has it.
QRect BoundsOf(const QImage& image, QRgb colour);
