#include "tools/dot_matrix_font.h"

#include "tools/glyph_table.h"
#include "tools/skin_colours.h"

namespace {

// From this size on a dot has pixels enough to leave its corners dark and read as round.
constexpr int RoundDotSize = 4;

} // namespace

DotMatrixGeometry DotMatrixFont::AtScale(const DotMatrixGeometry& geometry, int scale)
{
    // Dots that touch at one pixel per dot keep a fine gap between them on a finer grid.
    const int touching = geometry.dotSize == geometry.dotPitch && scale > 1 ? 1 : 0;
    return {geometry.dotSize * scale - touching, geometry.unlitSize * scale,
            geometry.dotPitch * scale,           geometry.glyphWidth * scale,
            geometry.glyphHeight * scale,        geometry.gap * scale};
}

QImage DotMatrixFont::Render(const DotMatrixGeometry& geometry, int scale)
{
    const DotMatrixGeometry fine = AtScale(geometry, scale);
    const int cellWidth = fine.glyphWidth + fine.gap;
    const int cellHeight = fine.glyphHeight + fine.gap;
    QImage font(CellsPerRow * cellWidth, CellRows * cellHeight, QImage::Format_RGB32);
    font.fill(SkinColours::FontGap);
    for (int character = FirstGlyph; character <= LastGlyph; ++character)
        DrawGlyph(font, fine, character);
    return font;
}

void DotMatrixFont::DrawGlyph(QImage& font, const DotMatrixGeometry& geometry, int character)
{
    const int cell = character - FirstGlyph;
    const int left = (cell % CellsPerRow) * (geometry.glyphWidth + geometry.gap);
    const int top = (cell / CellsPerRow) * (geometry.glyphHeight + geometry.gap);
    const GlyphBits& rows = DotMatrixGlyph(character);
    for (int row = 0; row < GlyphRows; ++row) {
        for (int column = 0; column < GlyphColumns; ++column) {
            const bool lit = (rows[row] >> (GlyphColumns - 1 - column)) & 1;
            const QRgb colour = lit ? SkinColours::FontLit : SkinColours::FontUnlit;
            const int size = lit ? geometry.dotSize : geometry.unlitSize;
            for (int dy = 0; dy < size; ++dy) {
                for (int dx = 0; dx < size; ++dx) {
                    const bool corner = (dx == 0 || dx == size - 1) && (dy == 0 || dy == size - 1);
                    if (corner && size >= RoundDotSize)
                        continue;
                    font.setPixel(left + column * geometry.dotPitch + dx,
                                  top + row * geometry.dotPitch + dy, colour);
                }
            }
        }
    }
}
