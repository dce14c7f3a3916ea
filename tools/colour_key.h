#pragma once

#include <QColor>
#include <QImage>

// Turns art drawn with an alpha channel into the keyed 24-bit form the controls expect:
// pixels at least half covered keep their colour, blended over the colour they will
// mostly sit on, and the rest become the key colour. Blending over the real surroundings
// instead of the key keeps magenta fringes off antialiased edges.
class ColourKey
{
public:
    static QImage Apply(const QImage& art, QRgb surroundings);

    // An empty, fully transparent canvas to draw keyed art on.
    static QImage Canvas(int width, int height);
};
