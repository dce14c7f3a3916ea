#pragma once

#include <QImage>
#include <QList>

// A palette for one picture. The brushed metal of the panel has tens of thousands of
// colours that cost a hundred kilobytes a picture, yet a palette of its own, without
// dithering, looks the same on the page. Median cut over the picture's distinct colours,
// weighted by their pixels: the box with the widest spread in one channel is split at its
// median pixel until there are enough boxes, and each box gives its mean colour. The widest
// box goes first, so that small bright parts (the red knob dots, the lamp) keep a colour of
// their own however few pixels they have.
class CMedianCutPalette
{
public:
    // At most size colours; exactly the picture's own when it has no more than that.
    static QList<QRgb> For(const QImage& picture, int size);
};
