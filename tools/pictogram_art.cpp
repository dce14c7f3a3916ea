#include "tools/pictogram_art.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

const QColor StrikeRed(255, 45, 30);

QColor Mix(QRgb a, QRgb b)
{
    return QColor((qRed(a) + qRed(b)) / 2, (qGreen(a) + qGreen(b)) / 2, (qBlue(a) + qBlue(b)) / 2);
}

void DrawQuestionMark(QPainter& painter, QSizeF size, QColor ink)
{
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(15);
    font.setHintingPreference(QFont::PreferFullHinting);
    painter.setFont(font);
    painter.setPen(ink);
    painter.drawText(QRectF(QPointF(0, 0), size), Qt::AlignCenter, QStringLiteral("?"));
}

void DrawFolder(QPainter& painter, QPointF c, QColor ink, QColor cut)
{
    QPainterPath folder;
    folder.moveTo(c + QPointF(-6.5, -5));
    folder.lineTo(c + QPointF(-2, -5));
    folder.lineTo(c + QPointF(-0.5, -3.5));
    folder.lineTo(c + QPointF(6.5, -3.5));
    folder.lineTo(c + QPointF(6.5, 5.5));
    folder.lineTo(c + QPointF(-6.5, 5.5));
    folder.closeSubpath();
    painter.fillPath(folder, ink);
    painter.setPen(QPen(cut, 1.2));
    painter.drawLine(c + QPointF(-6.5, -1.5), c + QPointF(6.5, -1.5));
}

void DrawFloppy(QPainter& painter, QPointF c, QColor ink, QColor cut)
{
    QPainterPath disk;
    disk.moveTo(c + QPointF(-6, -6));
    disk.lineTo(c + QPointF(4, -6));
    disk.lineTo(c + QPointF(6, -4));
    disk.lineTo(c + QPointF(6, 6));
    disk.lineTo(c + QPointF(-6, 6));
    disk.closeSubpath();
    painter.fillPath(disk, ink);
    painter.fillRect(QRectF(c + QPointF(-3, -6), QSizeF(6, 4)), cut);
    painter.fillRect(QRectF(c + QPointF(0.8, -5.2), QSizeF(1.4, 2.4)), ink);
    painter.fillRect(QRectF(c + QPointF(-4, 1), QSizeF(8, 5)), cut);
}

void DrawRing(QPainter& painter, QPointF c, QColor ink)
{
    painter.setPen(QPen(ink, 2.4));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(c, 4.6, 4.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawEllipse(c, 1.2, 1.2);
}

void DrawStroke(QPainter& painter, QPointF from, QPointF to, QColor ink, double width)
{
    painter.setPen(QPen(ink, width, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from, to);
}

void DrawChip(QPainter& painter, QPointF c, QColor ink, QColor cut)
{
    painter.fillRect(QRectF(c + QPointF(-5, -5.5), QSizeF(10, 11)), ink);
    for (double y : {-4.0, -1.0, 2.0}) {
        painter.fillRect(QRectF(c + QPointF(-7.5, y + 0.3), QSizeF(2, 1.4)), ink);
        painter.fillRect(QRectF(c + QPointF(5.5, y + 0.3), QSizeF(2, 1.4)), ink);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(cut);
    painter.drawEllipse(c + QPointF(-2.6, -3), 1.1, 1.1);
}

} // namespace

QImage PictogramArt::Button(Pictogram pictogram, ButtonTone tone, int width, int height, int scale)
{
    const ToneColours& colours = ButtonFace::Colours(tone);
    QImage button = ButtonFace::Draw(width, height, tone, scale);
    QPainter painter(&button);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF size(width, height);
    QColor shadow(colours.symbolShadow);
    shadow.setAlpha(150);
    painter.save();
    painter.translate(0.8, 0.8);
    DrawSymbol(painter, pictogram, size, shadow, shadow, shadow);
    painter.restore();
    DrawSymbol(painter, pictogram, size, QColor(colours.symbol), Mix(colours.top, colours.bottom),
               StrikeRed);
    return button;
}

void PictogramArt::DrawSymbol(QPainter& painter, Pictogram pictogram, QSizeF size, QColor ink,
                              QColor cut, QColor accent)
{
    const QPointF centre(size.width() / 2.0, size.height() / 2.0);
    switch (pictogram) {
    case Pictogram::Minimise:
        painter.fillRect(QRectF(centre + QPointF(-3.5, 2), QSizeF(7, 2)), ink);
        break;
    case Pictogram::Close:
        DrawStroke(painter, centre + QPointF(-3, -3), centre + QPointF(3, 3), ink, 1.9);
        DrawStroke(painter, centre + QPointF(3, -3), centre + QPointF(-3, 3), ink, 1.9);
        break;
    case Pictogram::Help:
        DrawQuestionMark(painter, size, ink);
        break;
    case Pictogram::Folder:
        DrawFolder(painter, centre, ink, cut);
        break;
    case Pictogram::Floppy:
        DrawFloppy(painter, centre, ink, cut);
        break;
    case Pictogram::Ring:
        DrawRing(painter, centre, ink);
        break;
    case Pictogram::Connect:
        DrawMonitorAndDevice(painter, ink, cut);
        break;
    case Pictogram::Disconnect:
        DrawMonitorAndDevice(painter, ink, cut);
        DrawStroke(painter, {19.5, 6.5}, {26.5, 13.5}, ink, 4.2);
        DrawStroke(painter, {26.5, 6.5}, {19.5, 13.5}, ink, 4.2);
        DrawStroke(painter, {19.5, 6.5}, {26.5, 13.5}, accent, 2.2);
        DrawStroke(painter, {26.5, 6.5}, {19.5, 13.5}, accent, 2.2);
        break;
    case Pictogram::Download:
        DrawTransfer(painter, size, true, ink, cut);
        break;
    case Pictogram::Retrieve:
        DrawTransfer(painter, size, false, ink, cut);
        break;
    case Pictogram::Chip:
        DrawChip(painter, centre, ink, cut);
        break;
    }
}

void PictogramArt::DrawMonitorAndDevice(QPainter& painter, QColor ink, QColor cut)
{
    // The computer on the left, the rack unit on the right, the cable between them.
    painter.fillRect(QRectF(5, 4, 13, 9.5), ink);
    painter.fillRect(QRectF(6.5, 5.5, 10, 6.5), cut);
    painter.fillRect(QRectF(10, 13.5, 3, 1.5), ink);
    painter.fillRect(QRectF(7.5, 15, 8, 1.5), ink);
    painter.fillRect(QRectF(28, 6, 13, 8), ink);
    painter.setPen(Qt::NoPen);
    painter.setBrush(cut);
    for (double x : {31.0, 35.0})
        painter.drawEllipse(QPointF(x, 10), 1.2, 1.2);
    painter.fillRect(QRectF(37.5, 8.5, 2, 3), cut);
    painter.fillRect(QRectF(18, 9.3, 10, 1.5), ink);
}

void PictogramArt::DrawTransfer(QPainter& painter, QSizeF size, bool towardsDevice, QColor ink,
                                QColor cut)
{
    const double x = size.width() / 2.0;
    painter.fillRect(QRectF(x - 7.5, 13, 15, 4.5), ink);
    painter.fillRect(QRectF(x + 3.5, 14.5, 2.5, 1.5), cut);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    if (towardsDevice) {
        painter.fillRect(QRectF(x - 1.2, 2.5, 2.4, 5), ink);
        painter.drawPolygon(QPolygonF({{x - 4.5, 7}, {x + 4.5, 7}, {x, 11.6}}));
    } else {
        painter.fillRect(QRectF(x - 1.2, 6.5, 2.4, 5), ink);
        painter.drawPolygon(QPolygonF({{x - 4.5, 7}, {x + 4.5, 7}, {x, 2.4}}));
    }
}
