#include "tools/control_art.h"

#include "tools/colour_key.h"
#include "tools/skin_colours.h"

#include <QConicalGradient>
#include <QPainter>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace {

constexpr QRgb Skirt = qRgb(28, 30, 34);
constexpr QRgb SkirtEdge = qRgb(78, 83, 90);
constexpr QRgb FaceEdge = qRgb(86, 92, 100);
constexpr int KnobTicks = 11;

// Fader scale: a tick per tenth of the travel, long ones at the ends and the middle.
constexpr int ScaleTicks = 11;
constexpr int SlotLeft = 13;
constexpr int SlotWidth = 4;
constexpr int MinorTick = 4;
constexpr int MajorTick = 7;
constexpr int TickClearance = 2; // between the slot and the ticks

// The thumb, row by row from the top; the red line is the pointer.
constexpr QRgb ThumbRows[] = {qRgb(125, 132, 141), qRgb(74, 80, 88), qRgb(255, 52, 34),
                              qRgb(176, 26, 16),   qRgb(37, 40, 45), qRgb(18, 20, 23)};

// The indicator dot: a red core in a dark rim, keyed outside a circle so it reads as round.
// The radii are in window pixels from the dot's centre, measured to each picture pixel's
// centre: at scale 1 only the corners of the three by three dot fall outside.
constexpr QRgb DotRim = qRgb(122, 14, 8);
constexpr QRgb DotCore = qRgb(255, 70, 44);
constexpr double DotRadius = 1.35;
constexpr double DotCoreRadius = 0.85;

QPointF Direction(double degrees)
{
    const double radians = degrees * std::numbers::pi / 180.0;
    return {-std::sin(radians), std::cos(radians)};
}

void DrawTicks(QPainter& painter, QPointF centre, double inner, double outer)
{
    for (int tick = 0; tick < KnobTicks; ++tick) {
        const bool major = tick == 0 || tick == KnobTicks / 2 || tick == KnobTicks - 1;
        const double angle =
            ControlArt::StartAngle +
            (ControlArt::EndAngle - ControlArt::StartAngle) * tick / (KnobTicks - 1);
        const QPointF direction = Direction(angle);
        painter.setPen(
            QPen(QColor(SkinColours::PanelInk), major ? 1.5 : 1.1, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(centre + direction * (major ? inner - 0.6 : inner),
                         centre + direction * outer);
    }
}

int ScaleTickY(int tick, int travelTop, int travelBottom)
{
    return travelTop + (travelBottom - travelTop) * tick / (ScaleTicks - 1);
}

} // namespace

QImage ControlArt::KnobBody(int width, int height, int scale)
{
    QImage art = ColourKey::Canvas(width * scale, height * scale);
    QPainter painter(&art);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width / 2.0, height / 2.0);
    const double outer = width / 2.0 - 0.2;
    DrawTicks(painter, centre, outer - 1.9, outer);
    QRadialGradient skirt(centre + QPointF(-3, -4), outer);
    skirt.setColorAt(0.0, QColor(SkirtEdge));
    skirt.setColorAt(0.8, QColor(Skirt));
    painter.setPen(QPen(QColor(SkinColours::PanelInk), 0.8));
    painter.setBrush(skirt);
    painter.drawEllipse(centre, outer - 2.6, outer - 2.6);
    painter.end();
    return ColourKey::Apply(art, SkinColours::Panel);
}

void ControlArt::DrawKnobFace(QPainter& painter, QPointF centre, double radius)
{
    QConicalGradient spun(centre, 60);
    const QRgb bands[] = {qRgb(214, 218, 223), qRgb(246, 247, 249), qRgb(176, 182, 190),
                          qRgb(226, 229, 233), qRgb(190, 196, 203), qRgb(244, 246, 248),
                          qRgb(170, 176, 184), qRgb(222, 225, 229)};
    constexpr int BandCount = std::size(bands);
    for (int band = 0; band <= BandCount; ++band)
        spun.setColorAt(static_cast<double>(band) / BandCount, QColor(bands[band % BandCount]));
    painter.setPen(QPen(QColor(FaceEdge), radius > 20 ? radius / 12 : 1.0));
    painter.setBrush(spun);
    painter.drawEllipse(centre, radius, radius);
    QRadialGradient dome(centre + QPointF(-radius / 3, -radius / 3), radius * 1.3);
    dome.setColorAt(0.0, QColor(255, 255, 255, 90));
    dome.setColorAt(0.5, QColor(255, 255, 255, 0));
    dome.setColorAt(1.0, QColor(0, 0, 0, 70));
    painter.setPen(Qt::NoPen);
    painter.setBrush(dome);
    painter.drawEllipse(centre, radius, radius);
}

QImage ControlArt::KnobCap(int width, int height, int scale)
{
    QImage art = ColourKey::Canvas(width * scale, height * scale);
    QPainter painter(&art);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    // Centred on the body's middle pixel: the cap sits three pixels in from the body's top
    // left, and its last row is cut by the odd height.
    const double radius = height / 2.0 - 0.5;
    DrawKnobFace(painter, QPointF(width / 2.0, width / 2.0), radius);
    painter.end();
    return ColourKey::Apply(art, Skirt);
}

QImage ControlArt::KnobDot(int width, int height, int scale)
{
    QImage dot(width * scale, height * scale, QImage::Format_RGB32);
    const QPointF centre(dot.width() / 2.0, dot.height() / 2.0);
    for (int y = 0; y < dot.height(); ++y) {
        for (int x = 0; x < dot.width(); ++x) {
            const QPointF offset = QPointF(x + 0.5, y + 0.5) - centre;
            const double distance = std::hypot(offset.x(), offset.y()) / scale;
            const QRgb colour = distance > DotRadius       ? SkinColours::Key
                                : distance > DotCoreRadius ? DotRim
                                                           : DotCore;
            dot.setPixel(x, y, colour);
        }
    }
    return dot;
}

QImage ControlArt::FaderChannel(int width, int height, int scale)
{
    QImage channel(width * scale, height * scale, QImage::Format_RGB32);
    channel.fill(SkinColours::Key);
    QPainter painter(&channel);
    painter.scale(scale, scale);
    painter.fillRect(SlotLeft, 1, SlotWidth, height - 2, QColor(SkinColours::Recess));
    painter.fillRect(SlotLeft, 1, 1, height - 2, QColor(SkinColours::PanelInk));
    painter.fillRect(SlotLeft + SlotWidth, 1, 1, height - 2,
                     QColor(SkinColours::PanelEngraveLight));
    painter.fillRect(SlotLeft, height - 1, SlotWidth + 1, 1,
                     QColor(SkinColours::PanelEngraveLight));
    // The ticks line up with the thumb's red line at every tenth of its travel.
    const int thumbHalf = 3;
    for (int tick = 0; tick < ScaleTicks; ++tick) {
        const int y = ScaleTickY(tick, thumbHalf - 1, height - thumbHalf - 1);
        const int length = tick % 5 == 0 ? MajorTick : MinorTick;
        const int leftEnd = SlotLeft - TickClearance;
        const int rightStart = SlotLeft + SlotWidth + TickClearance;
        painter.fillRect(leftEnd - length, y, length, 1, QColor(SkinColours::PanelInk));
        painter.fillRect(rightStart, y, length, 1, QColor(SkinColours::PanelInk));
    }
    return channel;
}

QImage ControlArt::FaderThumb(int width, int height, int scale)
{
    // Only the outermost picture pixel of each corner is keyed, so the corners round more
    // finely on a finer grid.
    width *= scale;
    height *= scale;
    QImage thumb(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const QRgb row = ThumbRows[y * static_cast<int>(std::size(ThumbRows)) / height];
        for (int x = 0; x < width; ++x) {
            const bool corner = (x == 0 || x == width - 1) && (y == 0 || y == height - 1);
            const bool lineEnd = (x < 2 * scale || x >= width - 2 * scale) && row == ThumbRows[2];
            thumb.setPixel(x, y, corner ? SkinColours::Key : lineEnd ? ThumbRows[1] : row);
        }
    }
    return thumb;
}

QImage ControlArt::Lamp(bool lit, int width, int height, int scale)
{
    QImage art = ColourKey::Canvas(width * scale, height * scale);
    QPainter painter(&art);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width / 2.0, height / 2.0);
    const double radius = width / 2.0;
    // The same silhouette for both lamps, so switching them keeps the transparent area.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(SkinColours::LampGreyRim));
    painter.drawEllipse(centre, radius, radius);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    QRadialGradient glass(centre + QPointF(-1.2, -1.2), radius * 1.3);
    glass.setColorAt(0.0, QColor(lit ? SkinColours::LampRedGlow : SkinColours::LampGreyGlow));
    glass.setColorAt(0.4, QColor(lit ? SkinColours::LampRed : SkinColours::LampGrey));
    glass.setColorAt(0.85, QColor(lit ? SkinColours::LampRedRim : SkinColours::LampGreyRim));
    painter.setBrush(glass);
    painter.drawEllipse(centre, radius - 0.8, radius - 0.8);
    painter.end();
    return ColourKey::Apply(art, SkinColours::Panel);
}
