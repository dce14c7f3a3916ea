#include "tools/caption_font.h"

#include <array>
#include <cstdint>

namespace {

struct CaptionGlyph
{
    char character;
    int width;
    std::array<std::uint8_t, CaptionFont::Height> rows; // leftmost pixel in the highest bit
};

constexpr CaptionGlyph Glyphs[] = {
    {' ', 2, {0b00, 0b00, 0b00, 0b00, 0b00}},
    {'1', 3, {0b010, 0b110, 0b010, 0b010, 0b111}},
    {'A', 3, {0b010, 0b101, 0b111, 0b101, 0b101}},
    {'B', 3, {0b110, 0b101, 0b110, 0b101, 0b110}},
    {'C', 3, {0b011, 0b100, 0b100, 0b100, 0b011}},
    {'D', 3, {0b110, 0b101, 0b101, 0b101, 0b110}},
    {'F', 3, {0b111, 0b100, 0b110, 0b100, 0b100}},
    {'G', 3, {0b011, 0b100, 0b101, 0b101, 0b011}},
    {'H', 3, {0b101, 0b101, 0b111, 0b101, 0b101}},
    {'I', 3, {0b111, 0b010, 0b010, 0b010, 0b111}},
    {'K', 3, {0b101, 0b101, 0b110, 0b101, 0b101}},
    {'L', 3, {0b100, 0b100, 0b100, 0b100, 0b111}},
    {'N', 4, {0b1001, 0b1101, 0b1011, 0b1001, 0b1001}},
    {'O', 3, {0b010, 0b101, 0b101, 0b101, 0b010}},
    {'T', 3, {0b111, 0b010, 0b010, 0b010, 0b010}},
    {'W', 5, {0b10001, 0b10001, 0b10101, 0b10101, 0b01010}},
    {'z', 3, {0b000, 0b111, 0b001, 0b010, 0b111}},
};

const CaptionGlyph* Find(QChar character)
{
    for (const CaptionGlyph& glyph : Glyphs) {
        if (QChar(glyph.character) == character)
            return &glyph;
    }
    return nullptr;
}

} // namespace

int CaptionFont::Width(const QString& text)
{
    int width = 0;
    for (QChar character : text) {
        if (const CaptionGlyph* glyph = Find(character))
            width += glyph->width + 1;
    }
    return width > 0 ? width - 1 : 0;
}

void CaptionFont::Draw(QImage& image, int x, int y, const QString& text, QRgb colour)
{
    for (QChar character : text) {
        const CaptionGlyph* glyph = Find(character);
        if (glyph == nullptr)
            continue;
        for (int row = 0; row < Height; ++row) {
            for (int column = 0; column < glyph->width; ++column) {
                if ((glyph->rows[row] >> (glyph->width - 1 - column)) & 1)
                    image.setPixel(x + column, y + row, colour);
            }
        }
        x += glyph->width + 1;
    }
}
