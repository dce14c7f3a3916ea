#include "tools/button_art.h"

#include "tools/caption_font.h"
#include "tools/skin_colours.h"

#include <QPainter>
#include <QRadialGradient>

namespace {

constexpr QRgb KeyOutline = qRgb(16, 18, 22);
constexpr QRgb KeyHighlight = qRgb(104, 114, 128);
constexpr QRgb KeyShadow = qRgb(34, 38, 45);
constexpr QRgb KeyTop = qRgb(80, 89, 101);
constexpr QRgb KeyBottom = qRgb(50, 56, 65);
constexpr QRgb CaptionUnlit = qRgb(196, 204, 214);
constexpr QRgb CaptionLit = qRgb(255, 255, 255);

// The filter key's lamp: a three by five LED, its corners darker so it reads as rounded.
constexpr int LampLeft = 2;
constexpr int LampWidth = 3;
constexpr int CaptionLeft = 6;

struct LampColours
{
    QRgb body;
    QRgb glow;
    QRgb rim;
};

constexpr LampColours RedLamp = {SkinColours::LampRed, SkinColours::LampRedGlow,
                                 SkinColours::LampRedRim};
constexpr LampColours GreyLamp = {SkinColours::LampGrey, SkinColours::LampGreyGlow,
                                  SkinColours::LampGreyRim};

QRgb Interpolate(QRgb from, QRgb to, int step, int steps)
{
    const auto mix = [&](int a, int b) { return a + (b - a) * step / steps; };
    return qRgb(mix(qRed(from), qRed(to)), mix(qGreen(from), qGreen(to)),
                mix(qBlue(from), qBlue(to)));
}

void DrawKeyFace(QImage& key)
{
    const int w = key.width();
    const int h = key.height();
    key.fill(KeyOutline);
    for (int y = 1; y < h - 1; ++y) {
        const QRgb row = Interpolate(KeyTop, KeyBottom, y - 1, h - 3);
        for (int x = 1; x < w - 1; ++x)
            key.setPixel(x, y, row);
    }
    for (int x = 1; x < w - 1; ++x) {
        key.setPixel(x, 1, KeyHighlight);
        key.setPixel(x, h - 2, KeyShadow);
    }
    for (int y = 1; y < h - 1; ++y) {
        key.setPixel(1, y, KeyHighlight);
        key.setPixel(w - 2, y, KeyShadow);
    }
}

void DrawLed(QImage& key, int top, const LampColours& lamp)
{
    for (int y = 0; y < CaptionFont::Height; ++y) {
        for (int x = 0; x < LampWidth; ++x) {
            const bool corner = (x == 0 || x == LampWidth - 1) && (y == 0 || y == 4);
            const QRgb colour = corner ? lamp.rim : (x == 1 && y == 1) ? lamp.glow : lamp.body;
            key.setPixel(LampLeft + x, top + y, colour);
        }
    }
}

} // namespace

QImage ButtonArt::FilterButton(const QString& caption, bool lit, int width, int height)
{
    QImage key(width, height, QImage::Format_RGB32);
    DrawKeyFace(key);
    const int top = (height - CaptionFont::Height + 1) / 2;
    DrawLed(key, top, lit ? RedLamp : GreyLamp);
    const int room = width - 2 - CaptionLeft;
    const int left = CaptionLeft + (room - CaptionFont::Width(caption)) / 2;
    CaptionFont::Draw(key, left, top, caption, lit ? CaptionLit : CaptionUnlit);
    return key;
}

QImage ButtonArt::LockButton(bool lit, int width, int height)
{
    QImage key(width, height, QImage::Format_RGB32);
    key.fill(KeyOutline);
    QPainter painter(&key);
    painter.fillRect(1, 1, width - 2, height - 2, QColor(KeyShadow));
    painter.setRenderHint(QPainter::Antialiasing);
    const LampColours& lamp = lit ? RedLamp : GreyLamp;
    const QPointF centre(width / 2.0, height / 2.0);
    const double radius = width / 2.0 - 1.6;
    QRadialGradient glass(centre + QPointF(-1, -1), radius * 1.4);
    glass.setColorAt(0.0, QColor(lamp.glow));
    glass.setColorAt(0.45, QColor(lamp.body));
    glass.setColorAt(1.0, QColor(lamp.rim));
    painter.setPen(QPen(QColor(KeyOutline), 0.8));
    painter.setBrush(glass);
    painter.drawEllipse(centre, radius, radius);
    return key;
}
