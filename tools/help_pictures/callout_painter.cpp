#include "tools/help_pictures/callout_painter.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// The guide's own paper and accent colours.
const QColor Paper(0xFB, 0xFB, 0xF9);
const QColor Accent(0x1F, 0x5A, 0x8F);
const QColor Halo(0xFF, 0xFF, 0xFF, 0xD0);

constexpr int DiscRadius = 9;
constexpr int DotRadius = 3;
constexpr int BracketTick = 4;
constexpr qreal FrameRounding = 4;
constexpr int NumberPixels = 11;

QPainter& Prepared(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    return painter;
}

// A light halo beneath each stroke keeps the accent readable on the dark parts of the face.
void StrokeWithHalo(QPainter& painter, const QPainterPath& path)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Halo, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(QPen(Accent, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
}

} // namespace

CCalloutPainter::CCalloutPainter(const QImage& picture, const QMargins& margins)
    : canvas(picture.size().grownBy(margins), QImage::Format_RGB32),
      offset(margins.left(), margins.top())
{
    canvas.fill(Paper);
    QPainter painter(&canvas);
    painter.drawImage(offset, picture);
}

void CCalloutPainter::Point(int number, QPoint part, QPoint disc)
{
    QPainter painter(&canvas);
    Leader(Prepared(painter), disc, part);
    painter.setPen(QPen(Halo, 1.5));
    painter.setBrush(Accent);
    painter.drawEllipse(part + offset, DotRadius, DotRadius);
    Disc(painter, number, disc);
}

void CCalloutPainter::Span(int number, QPoint first, QPoint last, QPoint disc)
{
    const bool vertical = first.x() == last.x();
    const QPoint tick = vertical ? QPoint(disc.x() < first.x() ? -BracketTick : BracketTick, 0)
                                 : QPoint(0, disc.y() < first.y() ? -BracketTick : BracketTick);
    QPainterPath bracket(first + offset);
    bracket.lineTo(first + tick + offset);
    bracket.lineTo(last + tick + offset);
    bracket.lineTo(last + offset);
    QPainter painter(&canvas);
    StrokeWithHalo(Prepared(painter), bracket);
    Leader(painter, disc, (first + last) / 2 + tick);
    Disc(painter, number, disc);
}

void CCalloutPainter::Frame(int number, const QRect& area, QPoint disc)
{
    QPainterPath outline;
    outline.addRoundedRect(QRectF(area.translated(offset)), FrameRounding, FrameRounding);
    QPainter painter(&canvas);
    StrokeWithHalo(Prepared(painter), outline);
    Disc(painter, number, disc);
}

void CCalloutPainter::Leader(QPainter& painter, QPoint from, QPoint to) const
{
    QPainterPath line(from + offset);
    line.lineTo(to + offset);
    StrokeWithHalo(painter, line);
}

void CCalloutPainter::Disc(QPainter& painter, int number, QPoint centre) const
{
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(Accent);
    painter.drawEllipse(centre + offset, DiscRadius, DiscRadius);
    QFont font = painter.font();
    font.setPixelSize(NumberPixels);
    font.setBold(true);
    painter.setFont(font);
    const QRect box(centre + offset - QPoint(DiscRadius, DiscRadius),
                    QSize(2 * DiscRadius + 1, 2 * DiscRadius + 1));
    painter.drawText(box, Qt::AlignCenter, QString::number(number));
}
