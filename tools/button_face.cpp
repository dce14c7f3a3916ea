#include "tools/button_face.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

constexpr QRgb Outline = qRgb(14, 16, 19);

constexpr ToneColours Tones[] = {
    // Grey
    {qRgb(112, 124, 139), qRgb(64, 73, 86), qRgb(150, 161, 176), qRgb(40, 46, 55),
     qRgb(236, 240, 245), qRgb(30, 34, 40)},
    // Red
    {qRgb(222, 58, 42), qRgb(140, 24, 15), qRgb(246, 132, 114), qRgb(88, 14, 8),
     qRgb(255, 255, 255), qRgb(70, 10, 6)},
    // Light
    {qRgb(226, 230, 235), qRgb(170, 177, 186), qRgb(248, 250, 252), qRgb(120, 127, 136),
     qRgb(28, 32, 38), qRgb(250, 251, 252)},
};

} // namespace

const ToneColours& ButtonFace::Colours(ButtonTone tone)
{
    return Tones[static_cast<int>(tone)];
}

QImage ButtonFace::Draw(int width, int height, ButtonTone tone, int scale)
{
    // Rectangles rather than lines: a line's pen would straddle the finer grid's pixels.
    const ToneColours& colours = Colours(tone);
    QImage face(width * scale, height * scale, QImage::Format_RGB32);
    face.fill(Outline);
    QPainter painter(&face);
    painter.scale(scale, scale);
    QLinearGradient fill(0, 1, 0, height - 1);
    fill.setColorAt(0, QColor(colours.top));
    fill.setColorAt(1, QColor(colours.bottom));
    painter.fillRect(1, 1, width - 2, height - 2, fill);
    painter.fillRect(1, 1, width - 2, 1, QColor(colours.highlight));
    painter.fillRect(1, 1, 1, height - 2, QColor(colours.highlight));
    painter.fillRect(2, height - 2, width - 3, 1, QColor(colours.shadow));
    painter.fillRect(width - 2, 2, 1, height - 3, QColor(colours.shadow));
    return face;
}
