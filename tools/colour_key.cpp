#include "tools/colour_key.h"

#include "tools/skin_colours.h"

namespace {

constexpr int CoverageThreshold = 128;

int Blend(int over, int under, int alpha)
{
    return (over * alpha + under * (255 - alpha) + 127) / 255;
}

} // namespace

QImage ColourKey::Apply(const QImage& art, QRgb surroundings)
{
    const QImage source = art.convertToFormat(QImage::Format_ARGB32);
    QImage keyed(source.size(), QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb pixel = source.pixel(x, y);
            const int alpha = qAlpha(pixel);
            if (alpha < CoverageThreshold) {
                keyed.setPixel(x, y, SkinColours::Key);
                continue;
            }
            keyed.setPixel(x, y,
                           qRgb(Blend(qRed(pixel), qRed(surroundings), alpha),
                                Blend(qGreen(pixel), qGreen(surroundings), alpha),
                                Blend(qBlue(pixel), qBlue(surroundings), alpha)));
        }
    }
    return keyed;
}

QImage ColourKey::Canvas(int width, int height)
{
    QImage canvas(width, height, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    return canvas;
}
