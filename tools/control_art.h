#pragma once

#include <QImage>
#include <QPointF>

class QPainter;

// The keyed pictures of the knobs, the faders and the front-panel lamp. The knob's
// geometry follows from its three sizes: the body's centre is the dot's orbit centre and
// the cap is centred on it, so the art centres everything on the body's middle pixel.
class ControlArt
{
public:
    static QImage KnobBody(int width, int height, int scale);
    static QImage KnobCap(int width, int height, int scale);
    static QImage KnobDot(int width, int height, int scale);
    static QImage FaderChannel(int width, int height, int scale);
    static QImage FaderThumb(int width, int height, int scale);
    static QImage Lamp(bool lit, int width, int height, int scale);

    // A spun-aluminium knob face; the icon uses it too.
    static void DrawKnobFace(QPainter& painter, QPointF centre, double radius);

    // Angle in degrees, clockwise from straight down, of the knob's minimum and maximum.
    static constexpr double StartAngle = 30.0;
    static constexpr double EndAngle = 329.0;
};
