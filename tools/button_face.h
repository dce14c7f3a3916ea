#pragma once

#include <QImage>
#include <QRgb>

// The three looks a button picture comes in: grey-blue at rest, red when lit or pressed,
// light grey when it holds the keyboard focus.
enum class ButtonTone
{
    Grey,
    Red,
    Light,
};

// The colours of one tone, top to bottom of the face, and of what is drawn on it.
struct ToneColours
{
    QRgb top;
    QRgb bottom;
    QRgb highlight;
    QRgb shadow;
    QRgb symbol;
    QRgb symbolShadow;
};

// A raised rectangular button face, opaque to its edges: buttons are copied without a key.
class ButtonFace
{
public:
    static const ToneColours& Colours(ButtonTone tone);

    static QImage Draw(int width, int height, ButtonTone tone, int scale);
};
