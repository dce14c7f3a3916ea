#include "tools/button_art.h"

#include "tools/caption_font.h"
#include "tools/skin_colours.h"

#include <QFont>
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

// The outline, the highlight and the shadow are a window pixel wide at every scale; the
// face's gradient gets a step per picture row.
void DrawKeyFace(QImage& key, int scale)
{
    const int w = key.width();
    const int h = key.height();
    key.fill(KeyOutline);
    for (int y = scale; y < h - scale; ++y) {
        const QRgb row = Interpolate(KeyTop, KeyBottom, y - scale, h - 2 * scale - 1);
        for (int x = scale; x < w - scale; ++x)
            key.setPixel(x, y, row);
    }
    for (int edge = scale; edge < 2 * scale; ++edge) {
        for (int x = scale; x < w - scale; ++x) {
            key.setPixel(x, edge, KeyHighlight);
            key.setPixel(x, h - 1 - edge, KeyShadow);
        }
        for (int y = scale; y < h - scale; ++y) {
            key.setPixel(edge, y, KeyHighlight);
            key.setPixel(w - 1 - edge, y, KeyShadow);
        }
    }
}

// Only the LED's corner pixels take the rim colour, so it rounds more finely on a finer
// grid; its glow covers the window pixel below and right of the top-left one.
void DrawLed(QImage& key, int top, const LampColours& lamp, int scale)
{
    const int width = LampWidth * scale;
    const int height = CaptionFont::Height * scale;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool corner = (x == 0 || x == width - 1) && (y == 0 || y == height - 1);
            const bool glow = x / scale == 1 && y / scale == 1;
            const QRgb colour = corner ? lamp.rim : glow ? lamp.glow : lamp.body;
            key.setPixel(LampLeft * scale + x, top + y, colour);
        }
    }
}

// Above scale 1 the caption has rows enough for an outline font, set without antialiasing
// so that the picture keeps to few colours.
void DrawFineCaption(QImage& key, QRect room, const QString& caption, QRgb colour, int scale)
{
    QFont font("DejaVu Sans Condensed");
    font.setPixelSize(CaptionFont::Height * scale * 13 / 10);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    QPainter painter(&key);
    painter.setFont(font);
    painter.setPen(QColor(colour));
    painter.drawText(room, Qt::AlignCenter, caption);
}

} // namespace

QImage ButtonArt::FilterButton(const QString& caption, bool lit, int width, int height, int scale)
{
    QImage key(width * scale, height * scale, QImage::Format_RGB32);
    DrawKeyFace(key, scale);
    const int top = (height - CaptionFont::Height + 1) / 2;
    DrawLed(key, top * scale, lit ? RedLamp : GreyLamp, scale);
    const int room = width - 2 - CaptionLeft;
    const QRgb ink = lit ? CaptionLit : CaptionUnlit;
    if (scale > 1) {
        DrawFineCaption(key, QRect(CaptionLeft * scale, scale, room * scale, (height - 2) * scale),
                        caption, ink, scale);
        return key;
    }
    const int left = CaptionLeft + (room - CaptionFont::Width(caption)) / 2;
    CaptionFont::Draw(key, left, top, caption, ink);
    return key;
}

QImage ButtonArt::LockButton(bool lit, int width, int height, int scale)
{
    QImage key(width * scale, height * scale, QImage::Format_RGB32);
    key.fill(KeyOutline);
    QPainter painter(&key);
    painter.scale(scale, scale);
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
