#pragma once

#include <QImage>

// How one of the read-out fonts lays its 5 x 7 dots out in pixels.
struct DotMatrixGeometry
{
    int dotSize;   // a lit dot is dotSize x dotSize pixels
    int unlitSize; // an unlit dot, from the same top-left corner
    int dotPitch;  // from one dot to the next, in both directions
    int glyphWidth;
    int glyphHeight;
    int gap; // gap after each glyph, in both directions
};

// The three fonts: large, medium and small (the one every read-out of the panel uses).
// Dots sit a pixel apart in the larger two. The small one has no room for that, so its lit
// dots touch and its unlit dots shrink to one pixel, leaving a dotted grid behind the text.
inline constexpr DotMatrixGeometry LargeFont = {3, 3, 4, 19, 27, 3};
inline constexpr DotMatrixGeometry MediumFont = {2, 2, 3, 14, 20, 2};
inline constexpr DotMatrixGeometry SmallFont = {2, 1, 2, 10, 14, 1};

// A read-out font: the characters 32 to 127 in 32 cells per row and three rows, each cell a
// glyph of lit and unlit dots on black followed by its gap. The controls recolour the three
// colours, so nothing else may appear in the picture.
class DotMatrixFont
{
public:
    static constexpr int CellsPerRow = 32;
    static constexpr int CellRows = 3;

    // The layout in picture pixels at a scale: every distance times the scale, and the dots
    // drawn anew on the finer grid rather than enlarged, with room between dots that touch at
    // scale 1. Dots of four or more pixels are drawn without their corner pixels.
    static DotMatrixGeometry AtScale(const DotMatrixGeometry& geometry, int scale);

    static QImage Render(const DotMatrixGeometry& geometry, int scale);

private:
    static void DrawGlyph(QImage& font, const DotMatrixGeometry& geometry, int character);
};
