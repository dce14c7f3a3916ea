#include "tools/dot_matrix_font.h"

#include "tools/glyph_table.h"
#include "tools/skin_colours.h"

QImage DotMatrixFont::Render(const DotMatrixGeometry& geometry)
{
    const int cellWidth = geometry.glyphWidth + geometry.gap;
    const int cellHeight = geometry.glyphHeight + geometry.gap;
    QImage font(CellsPerRow * cellWidth, CellRows * cellHeight, QImage::Format_RGB32);
    font.fill(SkinColours::FontGap);
    for (int character = FirstGlyph; character <= LastGlyph; ++character)
        DrawGlyph(font, geometry, character);
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
                for (int dx = 0; dx < size; ++dx)
                    font.setPixel(left + column * geometry.dotPitch + dx,
                                  top + row * geometry.dotPitch + dy, colour);
            }
        }
    }
}
