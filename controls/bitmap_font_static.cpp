#include "controls/bitmap_font_static.h"

#include <QPainter>
#include <algorithm>
#include <iterator>
#include <span>
#include <utility>

#include "controls/masked_bitmap.h"
#include "resources/bitmap_ids.h"
#include "resources/skin_resources.h"

namespace {

struct FontChoice
{
    int size;
    unsigned int bitmap;
    int glyphWidth;
    int glyphHeight;
    int gapX;
    int gapY;
};

constexpr FontChoice Fonts[] = {{0, BitmapId::MediumFont, 14, 20, 2, 2},
                                {2, BitmapId::SmallFont, 10, 14, 1, 1}};
constexpr FontChoice LargeFont{-1, BitmapId::LargeFont, 19, 27, 3, 3};

// The colours the font bitmaps are drawn in.
constexpr QRgb FontLit = qRgb(63, 181, 255);
constexpr QRgb FontUnlit = qRgb(23, 64, 103);
constexpr QRgb FontGap = qRgb(0, 0, 0);

constexpr int FirstCharacter = 32;
constexpr int LastCharacter = 127;
constexpr int CellsPerRow = 32;
constexpr int SpaceCell = 0;

int CellOf(unsigned char c)
{
    return c >= FirstCharacter && c <= LastCharacter ? c - FirstCharacter : SpaceCell;
}

QImage Recoloured(const QImage& font, QRgb background, QRgb lit, QRgb unlit)
{
    const std::pair<QRgb, QRgb> colourMap[] = {
        {FontLit, lit}, {FontUnlit, unlit}, {FontGap, background}};
    QImage result = font.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (QRgb& pixel : std::span(line, result.width())) {
            const auto* mapped = std::ranges::find(colourMap, pixel, &std::pair<QRgb, QRgb>::first);
            if (mapped != std::end(colourMap))
                pixel = mapped->second;
        }
    }
    return result;
}

} // namespace

CBitmapFontStatic::CBitmapFontStatic(QWidget* parent) : QWidget(parent) {}

void CBitmapFontStatic::SetColors(QColor background, QColor lit, QColor unlit)
{
    if (background != backgroundColour || lit != litColour || unlit != unlitColour)
        recolouredFont = QImage();
    backgroundColour = background;
    litColour = lit;
    unlitColour = unlit;
    update();
}

void CBitmapFontStatic::SetLines(int n)
{
    lines = n;
    FitToLayout();
}

void CBitmapFontStatic::SetColumns(int n)
{
    columns = n != 0 ? n : static_cast<int>(text.size());
    FitToLayout();
}

void CBitmapFontStatic::SetFontSize(int size)
{
    const auto* choice = std::ranges::find(Fonts, size, &FontChoice::size);
    const FontChoice& chosen = choice != std::end(Fonts) ? *choice : LargeFont;
    fontBitmap = chosen.bitmap;
    glyphWidth = chosen.glyphWidth;
    glyphHeight = chosen.glyphHeight;
    gapX = chosen.gapX;
    gapY = chosen.gapY;
    LoadFont(CMaskedBitmap::ApplicationRatio());
    FitToLayout();
}

void CBitmapFontStatic::SetText(std::string_view s)
{
    if (s == text)
        return;
    text = s;
    if (columns == 0)
        columns = static_cast<int>(text.size());
    FitToLayout();
    repaint();
}

QSize CBitmapFontStatic::CellSize() const
{
    return {glyphWidth + gapX, glyphHeight + gapY};
}

std::vector<CBitmapFontStatic::Placement> CBitmapFontStatic::Layout() const
{
    const QSize cell = CellSize();
    std::vector<Placement> placements;
    for (int row = 0; row < lines; ++row) {
        for (int column = 0; column < columns; ++column)
            placements.push_back({SpaceCell, {column * cell.width(), row * cell.height()}});
    }
    int line = 1;
    int column = 0;
    QPoint at(0, 0);
    const auto newLine = [&] {
        at = QPoint(0, at.y() + cell.height());
        column = 0;
        ++line;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            if (at.x() != 0)
                newLine();
            ++i;
            continue;
        }
        placements.push_back({CellOf(static_cast<unsigned char>(text[i])), at});
        at.rx() += cell.width();
        if (++column != columns || lines == 0)
            continue;
        if (line >= lines)
            break;
        newLine();
    }
    return placements;
}

void CBitmapFontStatic::FitToLayout()
{
    const QSize cell = CellSize();
    QRect drawn;
    for (const Placement& placement : Layout())
        drawn |= QRect(placement.at, cell);
    resize(drawn.isEmpty() ? QSize(0, 0) : QSize(drawn.right() + 1, drawn.bottom() + 1));
}

void CBitmapFontStatic::LoadFont(qreal devicePixelRatio)
{
    font = SkinResources::LoadBitmap(static_cast<int>(fontBitmap), devicePixelRatio);
    recolouredFont = QImage();
}

const QImage& CBitmapFontStatic::RecolouredFont(qreal devicePixelRatio)
{
    if (fontBitmap != 0 &&
        qRound(font.devicePixelRatio()) != SkinResources::PictureScale(devicePixelRatio))
        LoadFont(devicePixelRatio);
    if (recolouredFont.isNull() && !font.isNull())
        recolouredFont =
            Recoloured(font, backgroundColour.rgb(), litColour.rgb(), unlitColour.rgb());
    return recolouredFont;
}

void CBitmapFontStatic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColour);
    const qreal ratio = CMaskedBitmap::DeviceRatio(painter);
    const QImage& glyphs = RecolouredFont(ratio);
    if (glyphs.isNull())
        return;
    // Cells are cut from the font in its own pixels and painted at their size in window
    // pixels; a fractional ratio resamples them smoothly.
    const int scale = qRound(glyphs.devicePixelRatio());
    if (ratio != scale)
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize cell = CellSize();
    for (const Placement& placement : Layout()) {
        const QPoint source(placement.cell % CellsPerRow * cell.width(),
                            placement.cell / CellsPerRow * cell.height());
        painter.drawImage(QRect(placement.at, cell), glyphs, QRect(source * scale, cell * scale));
    }
}
