#include "tools/skin_preview.h"

#include "model/strip_settings.h"
#include "panel/control_layout.h"
#include "resources/bitmap_ids.h"
#include "tools/dot_matrix_font.h"
#include "tools/readout_area.h"
#include "tools/skin_catalog.h"
#include "tools/skin_colours.h"

#include <QPainter>

#include <cmath>
#include <numbers>

namespace {

struct FixedButton
{
    ControlRole role;
    unsigned int picture;
};
constexpr FixedButton FixedButtons[] = {
    {ControlRole::MinimizeButton, BitmapId::MinimizeUp},
    {ControlRole::ExitButton, BitmapId::ExitUp},
    {ControlRole::HelpButton, BitmapId::HelpUp},
    {ControlRole::LoadButton, BitmapId::LoadUp},
    {ControlRole::SaveButton, BitmapId::SaveUp},
    {ControlRole::ConfigureButton, BitmapId::ConfigureUp},
    {ControlRole::ModeButton, BitmapId::ConnectUp},
    {ControlRole::TransferButton, BitmapId::DownloadUp},
    {ControlRole::RetrieveButton, BitmapId::RetrieveUp},
};

// The read-outs' colours as the window sets them.
constexpr QRgb ReadoutLit = qRgb(239, 243, 245);

const QString WelcomeText = QStringLiteral("Welcome! Click '?' button or press F1 for help.");

QImage Transparent(const QImage& picture)
{
    QImage shown = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if ((shown.pixel(x, y) & RGB_MASK) == (SkinColours::Key & RGB_MASK))
                shown.setPixel(x, y, qRgba(0, 0, 0, 0));
        }
    }
    return shown;
}

QImage Picture(unsigned int number)
{
    return SkinCatalog::Render(*SkinCatalog::Find(number));
}

// Strips show a spread of settings so that every position of the art gets seen.
double StripShare(int strip)
{
    return strip / static_cast<double>(MasterStrip);
}

} // namespace

QImage SkinPreview::Compose()
{
    QImage face = Picture(BitmapId::Background);
    QPainter painter(&face);
    for (const ControlEntry& entry : MainWindowLayout())
        PasteControl(painter, entry);
    return face;
}

void SkinPreview::PasteControl(QPainter& painter, const ControlEntry& entry)
{
    const PixelRect rect = ToPixels(entry.rect);
    const QPoint at(rect.x, rect.y);
    const double share = StripShare(entry.strip);
    switch (entry.role) {
    case ControlRole::FrequencyKnob:
    case ControlRole::QKnob:
        PasteKnob(painter, at, entry.role == ControlRole::QKnob ? 1.0 - share : share);
        break;
    case ControlRole::GainFader:
        Paste(painter, BitmapId::FaderChannel, at);
        Paste(painter, BitmapId::FaderThumb, at + QPoint(0, static_cast<int>(61 - 61 * share)));
        break;
    case ControlRole::FilterButton: {
        const BitmapId::LampPictures& key = BitmapId::FilterKeys[entry.filterType];
        Paste(painter, entry.strip % FilterTypeCount == entry.filterType ? key.lit : key.unlit, at);
        break;
    }
    case ControlRole::FrequencyLock:
    case ControlRole::QLock:
    case ControlRole::GainLock:
        Paste(painter, entry.strip % 5 == 0 ? BitmapId::LockLit : BitmapId::LockUnlit, at);
        break;
    case ControlRole::FrontPanelLamp:
        Paste(painter, BitmapId::LampOn, at);
        break;
    case ControlRole::FrequencyReadout:
        DrawReadout(painter, ReadoutArea::Cells(entry), QStringLiteral(" 1000"), 1);
        break;
    case ControlRole::GainReadout:
        DrawReadout(painter, ReadoutArea::Cells(entry), QString::number(share * 9.9, 'f', 1), 3);
        break;
    case ControlRole::StatusDisplay:
        DrawReadout(painter, ReadoutArea::Cells(entry), WelcomeText, 59);
        break;
    default:
        for (const FixedButton& button : FixedButtons) {
            if (button.role == entry.role)
                Paste(painter, button.picture, at);
        }
        break;
    }
}

void SkinPreview::Paste(QPainter& painter, unsigned int number, QPoint at)
{
    painter.drawImage(at, Transparent(Picture(number)));
}

void SkinPreview::PasteKnob(QPainter& painter, QPoint at, double share)
{
    // The dot's orbit as the knob control computes it: radius 8 about the body's centre.
    const double angle = 30.0 + 299.0 * share;
    const double theta = (360.0 - angle) * std::numbers::pi / 180.0;
    const int dotX = static_cast<int>(8 * std::sin(theta) + (15 - 1));
    const int dotY = static_cast<int>(8 * std::cos(theta) + (15 - 1));
    Paste(painter, BitmapId::KnobBody, at);
    Paste(painter, BitmapId::KnobCap, at + QPoint(3, 3));
    Paste(painter, BitmapId::KnobDot, at + QPoint(dotX, dotY));
}

void SkinPreview::DrawReadout(QPainter& painter, QRect cells, const QString& text, int columns)
{
    QImage font = Picture(BitmapId::SmallFont);
    for (int y = 0; y < font.height(); ++y) {
        for (int x = 0; x < font.width(); ++x) {
            if (font.pixel(x, y) == SkinColours::FontLit)
                font.setPixel(x, y, ReadoutLit);
        }
    }
    const int cellWidth = SmallFont.glyphWidth + SmallFont.gap;
    const int cellHeight = SmallFont.glyphHeight + SmallFont.gap;
    const int lines = cells.height() / cellHeight;
    for (int index = 0; index < lines * columns; ++index) {
        const int cell = index < text.size() ? text.at(index).unicode() - 32 : 0;
        const QRect source((cell % 32) * cellWidth, (cell / 32) * cellHeight, cellWidth,
                           cellHeight);
        const QPoint target(cells.left() + (index % columns) * cellWidth,
                            cells.top() + (index / columns) * cellHeight);
        painter.drawImage(target, font, source);
    }
}
