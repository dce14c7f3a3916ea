#pragma once

#include <QImage>
#include <QMargins>
#include <QPoint>
#include <QRect>

class QPainter;

// Numbered callouts on a picture of the panel, which the guide's text explains by number: a
// disc with the number, and a leader line with a dot on the part it names, a bracket along a
// row of parts that one number names together, or a frame around an area. Discs may sit in margins
// added around the picture, filled with the page's paper colour, so that they hide nothing of the
// panel. Points are given in the picture's own pixels.
class CCalloutPainter
{
public:
    explicit CCalloutPainter(const QImage& picture, const QMargins& margins = {});

    void Point(int number, QPoint part, QPoint disc);
    // The bracket runs from first to last, on the side of them where the disc is.
    void Span(int number, QPoint first, QPoint last, QPoint disc);
    // The disc sits on the frame's outline where the caller puts it.
    void Frame(int number, const QRect& area, QPoint disc);

    const QImage& Picture() const { return canvas; }

private:
    void Leader(QPainter& painter, QPoint from, QPoint to) const;
    void Disc(QPainter& painter, int number, QPoint centre) const;

    QImage canvas;
    QPoint offset;
};
