#pragma once

#include <QImage>
#include <QString>

// A five-pixel-high pixel font for the captions on the filter-type buttons, which are too
// small for outline fonts to stay legible. Only the letters those captions use exist.
class CaptionFont
{
public:
    static constexpr int Height = 5;

    // Width in pixels of text with one pixel between letters.
    static int Width(const QString& text);

    // Draws text with its top-left corner at (x, y).
    static void Draw(QImage& image, int x, int y, const QString& text, QRgb colour);
};
