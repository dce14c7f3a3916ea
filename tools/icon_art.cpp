#include "tools/icon_art.h"

#include "tools/colour_key.h"
#include "tools/control_art.h"
#include "tools/skin_colours.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace {

constexpr int ScaleMarks = 11;

QPointF Direction(double degrees)
{
    const double radians = degrees * std::numbers::pi / 180.0;
    return {-std::sin(radians), std::cos(radians)};
}

} // namespace

QImage IconArt::Draw(int size)
{
    QImage icon = ColourKey::Canvas(size, size);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QRectF tile(s * 0.03, s * 0.03, s * 0.94, s * 0.94);
    QLinearGradient anodised(tile.topLeft(), tile.bottomLeft());
    anodised.setColorAt(0.0, QColor(70, 76, 84));
    anodised.setColorAt(1.0, QColor(22, 24, 28));
    painter.setPen(QPen(QColor(8, 9, 11), s / 32));
    painter.setBrush(anodised);
    painter.drawRoundedRect(tile, s * 0.18, s * 0.18);

    const QPointF centre(s / 2, s / 2);
    painter.setPen(QPen(QColor(SkinColours::BandInk), s / 20, Qt::SolidLine, Qt::RoundCap));
    for (int mark = 0; mark < ScaleMarks; ++mark) {
        const double angle =
            ControlArt::StartAngle +
            (ControlArt::EndAngle - ControlArt::StartAngle) * mark / (ScaleMarks - 1);
        painter.drawLine(centre + Direction(angle) * s * 0.33,
                         centre + Direction(angle) * s * 0.41);
    }
    ControlArt::DrawKnobFace(painter, centre, s * 0.27);
    const QPointF pointer = centre + Direction(ControlArt::EndAngle - 60) * s * 0.17;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(SkinColours::LampRed));
    painter.drawEllipse(pointer, s * 0.05, s * 0.05);
    return icon;
}
