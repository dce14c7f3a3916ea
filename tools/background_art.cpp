#include "tools/background_art.h"

#include "model/strip_settings.h"
#include "panel/control_layout.h"
#include "tools/metal_texture.h"
#include "tools/readout_area.h"
#include "tools/skin_colours.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

constexpr std::uint32_t MetalSeed = 0x50A7'1BE5;
constexpr int TitleBandHeight = 33;
constexpr int Margin = 8;

// Column tabs sit under the title band, centred on each strip's frequency read-out.
constexpr int TabTop = TitleBandHeight + 2;
constexpr int TabHeight = 12;
constexpr int ChannelTabWidth = 24;
constexpr int MasterTabWidth = 46;

// Each caption is centred this far above the top of the first row of its section.
constexpr int CaptionLift = 10;
constexpr int CaptionGap = 6;

struct SectionCaption
{
    const char* text;
    ControlRole firstRow;
    int strip;
    int filterType;
};

constexpr SectionCaption Sections[] = {
    {"FREQUENCY", ControlRole::FrequencyReadout, 0, -1},
    {"FILTER Q", ControlRole::QKnob, 0, -1},
    {"FILTER TYPE", ControlRole::FilterButton, 0, static_cast<int>(FilterType::Flat)},
    {"GAIN", ControlRole::FrontPanelLamp, -1, -1},
};

// The master strip is set off by a groove halfway between channel 16's knobs and the
// master's widest control, its gain read-out.
constexpr int KnobWidth = 31;
constexpr int DividerInset = 6;

// The status bar frames the status read-out's slot.
constexpr int StatusBarPadding = 8;
constexpr int StatusBarLeft = 24;
// Neighbouring gain read-outs are only five pixels apart: room for one pixel of recess and
// the bevels between them.
constexpr QMargins SlotBorder(1, 2, 1, 2);

constexpr int ScrewInset = 13;
constexpr double ScrewRadius = 4.5;

constexpr QRgb TabInk = qRgb(232, 236, 240);
constexpr QRgb GrooveDark = qRgb(112, 117, 124);
constexpr QRgb SlotShadow = qRgb(92, 97, 104);

QFont LabelFont(int pixelSize, double spacing)
{
    QFont font("DejaVu Sans Condensed");
    font.setBold(true);
    font.setPixelSize(pixelSize);
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// Printed captions on the metal: dark ink with a light edge below, as if engraved.
int DrawEngraved(QPainter& painter, int x, int centreY, const QString& text, const QFont& font)
{
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int baseline = centreY + metrics.capHeight() / 2;
    painter.setPen(QColor(SkinColours::PanelEngraveLight));
    painter.drawText(x, baseline + 1, text);
    painter.setPen(QColor(SkinColours::PanelInk));
    painter.drawText(x, baseline, text);
    return x + metrics.horizontalAdvance(text);
}

void DrawHorizontalGroove(QPainter& painter, int left, int right, int y)
{
    painter.fillRect(left, y, right - left, 1, QColor(GrooveDark));
    painter.fillRect(left, y + 1, right - left, 1, QColor(SkinColours::PanelEngraveLight));
}

int StripCentre(int strip)
{
    const ControlEntry* readout = FindControl(ControlRole::FrequencyReadout, strip);
    const QRect cells = ReadoutArea::Cells(*readout);
    return cells.left() + cells.width() / 2;
}

int DividerX()
{
    const int channelRight =
        ToPixels(FindControl(ControlRole::FrequencyKnob, ChannelCount - 1)->rect).x + KnobWidth;
    const int masterLeft = ToPixels(FindControl(ControlRole::GainReadout, MasterStrip)->rect).x;
    return (channelRight + masterLeft) / 2;
}

} // namespace

QImage BackgroundArt::Draw(int width, int height, int scale)
{
    MetalTexture metal(MetalSeed);
    QImage face = metal.Render(width * scale, height * scale, SkinColours::Panel, scale);
    QPainter painter(&face);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    DrawTitleBand(painter, width);
    DrawLogo(painter);
    DrawColumnTabs(painter);
    DrawSectionCaptions(painter, width);
    DrawMasterDivider(painter);
    DrawLampCaption(painter);
    DrawStatusBar(painter);
    DrawReadoutSlots(painter);
    DrawScrews(painter, width);
    DrawFrame(painter, width, height);
    return face;
}

void BackgroundArt::DrawTitleBand(QPainter& painter, int width)
{
    QLinearGradient band(0, 0, 0, TitleBandHeight);
    band.setColorAt(0.0, QColor(52, 56, 62));
    band.setColorAt(0.5, QColor(SkinColours::Band));
    band.setColorAt(1.0, QColor(24, 26, 30));
    painter.fillRect(0, 0, width, TitleBandHeight, band);
    painter.fillRect(0, TitleBandHeight - 1, width, 1, QColor(10, 11, 13));
    painter.fillRect(0, TitleBandHeight, width, 1, QColor(SkinColours::PanelEngraveLight));
}

void BackgroundArt::DrawLogo(QPainter& painter)
{
    // Right-aligned before the window buttons, within the drag band.
    const int right = ToPixels(FindControl(ControlRole::MinimizeButton)->rect).x - 14;
    QFont logo("DejaVu Sans");
    logo.setBold(true);
    logo.setPixelSize(19);
    logo.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    logo.setHintingPreference(QFont::PreferFullHinting);
    const QString name = QStringLiteral("SONAVIRE");
    const int nameWidth = QFontMetrics(logo).horizontalAdvance(name) - 4;
    QPainterPath path;
    path.addText(right - nameWidth, 22, logo, name);
    QLinearGradient chrome(0, 8, 0, 22);
    chrome.setColorAt(0.0, QColor(250, 251, 252));
    chrome.setColorAt(0.55, QColor(196, 202, 210));
    chrome.setColorAt(1.0, QColor(140, 148, 158));
    painter.fillPath(path.translated(0, 1), QColor(0, 0, 0, 160));
    painter.fillPath(path, chrome);

    const QFont subtitle = LabelFont(8, 2.0);
    painter.setFont(subtitle);
    painter.setPen(QColor(150, 158, 168));
    const QString line = QStringLiteral("16 CHANNEL FILTER AMPLIFIER");
    const int lineWidth = QFontMetrics(subtitle).horizontalAdvance(line) - 2;
    painter.drawText(right - lineWidth, 31, line);
}

void BackgroundArt::DrawColumnTabs(QPainter& painter)
{
    const QFont font = LabelFont(9, 0.5);
    painter.setFont(font);
    for (int strip = 0; strip < StripCount; ++strip) {
        const bool master = strip == MasterStrip;
        const int tabWidth = master ? MasterTabWidth : ChannelTabWidth;
        const QRectF tab(StripCentre(strip) - tabWidth / 2.0, TabTop, tabWidth, TabHeight);
        painter.setPen(QPen(QColor(SkinColours::PanelEngraveLight), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(tab.translated(0, 1), 3, 3);
        QLinearGradient fill(tab.topLeft(), tab.bottomLeft());
        fill.setColorAt(0.0, QColor(60, 65, 72));
        fill.setColorAt(1.0, QColor(30, 33, 38));
        painter.setPen(QPen(QColor(14, 16, 19), 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(tab, 3, 3);
        painter.setPen(QColor(TabInk));
        const QString label = master ? QStringLiteral("MASTER") : QString::number(strip + 1);
        painter.drawText(tab.adjusted(0, 0, 1, 0), Qt::AlignCenter, label);
    }
}

void BackgroundArt::DrawSectionCaptions(QPainter& painter, int width)
{
    const QFont font = LabelFont(9, 1.2);
    const int divider = DividerX();
    for (const SectionCaption& section : Sections) {
        const ControlEntry* first =
            FindControl(section.firstRow, section.strip, section.filterType);
        const int centre = ToPixels(first->rect).y - CaptionLift;
        const int textEnd = DrawEngraved(painter, Margin, centre, section.text, font);
        DrawHorizontalGroove(painter, textEnd + CaptionGap, divider - DividerInset, centre);
        DrawHorizontalGroove(painter, divider + DividerInset, width - Margin, centre);
    }
}

void BackgroundArt::DrawMasterDivider(QPainter& painter)
{
    const int x = DividerX();
    const int bottom =
        ReadoutArea::Cells(*FindControl(ControlRole::GainReadout, MasterStrip)).bottom();
    painter.fillRect(x, TabTop, 1, bottom - TabTop, QColor(GrooveDark));
    painter.fillRect(x + 1, TabTop, 1, bottom - TabTop, QColor(SkinColours::PanelEngraveLight));
}

void BackgroundArt::DrawLampCaption(QPainter& painter)
{
    const PixelRect lamp = ToPixels(FindControl(ControlRole::FrontPanelLamp)->rect);
    constexpr int LampSize = 9;
    DrawEngraved(painter, lamp.x + LampSize + 5, lamp.y + LampSize / 2,
                 QStringLiteral("FRONT PANEL ACTIVE"), LabelFont(8, 1.0));
}

void BackgroundArt::DrawStatusBar(QPainter& painter)
{
    const QRect cells = ReadoutArea::Cells(*FindControl(ControlRole::StatusDisplay));
    const int right = WindowWidth - StatusBarLeft;
    const QRectF bar(StatusBarLeft, cells.top() - StatusBarPadding, right - StatusBarLeft,
                     cells.height() + 2 * StatusBarPadding);
    painter.setPen(QPen(QColor(SkinColours::PanelEngraveLight), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bar.translated(0.5, 1.5), 4, 4);
    QLinearGradient fill(bar.topLeft(), bar.bottomLeft());
    fill.setColorAt(0.0, QColor(22, 24, 28));
    fill.setColorAt(1.0, QColor(40, 43, 49));
    painter.setPen(QPen(QColor(12, 13, 15), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(bar.translated(0.5, 0.5), 4, 4);
}

void BackgroundArt::DrawReadoutSlots(QPainter& painter)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const ControlEntry& entry : MainWindowLayout()) {
        if (ReadoutArea::GridOf(entry.role) == nullptr)
            continue;
        const QRect slot = ReadoutArea::Cells(entry).marginsAdded(SlotBorder);
        painter.fillRect(slot.adjusted(-1, -1, 0, 0), QColor(SlotShadow));
        painter.fillRect(slot.adjusted(0, 0, 1, 1), QColor(SkinColours::PanelEngraveLight));
        painter.fillRect(slot, QColor(SkinColours::Recess));
    }
    painter.restore();
}

void BackgroundArt::DrawScrews(QPainter& painter, int width)
{
    // The lower pair sits level with the status read-out, either side of its bar.
    const int bottom = ReadoutArea::Cells(*FindControl(ControlRole::StatusDisplay)).center().y();
    const QPointF screws[] = {{ScrewInset, TitleBandHeight / 2.0},
                              {width - ScrewInset - 1.0, TitleBandHeight / 2.0},
                              {ScrewInset, bottom + 0.5},
                              {width - ScrewInset - 1.0, bottom + 0.5}};
    for (const QPointF& centre : screws) {
        QRadialGradient head(centre + QPointF(-1.5, -1.5), ScrewRadius * 1.6);
        head.setColorAt(0.0, QColor(238, 240, 243));
        head.setColorAt(0.6, QColor(150, 156, 164));
        head.setColorAt(1.0, QColor(84, 90, 98));
        painter.setPen(QPen(QColor(20, 22, 25), 0.8));
        painter.setBrush(head);
        painter.drawEllipse(centre, ScrewRadius, ScrewRadius);
        painter.setPen(QPen(QColor(40, 43, 48), 1.2));
        painter.drawLine(centre + QPointF(-2.6, 0), centre + QPointF(2.6, 0));
        painter.drawLine(centre + QPointF(0, -2.6), centre + QPointF(0, 2.6));
    }
}

void BackgroundArt::DrawFrame(QPainter& painter, int width, int height)
{
    // Rectangles rather than lines: a line's pen would straddle the finer grid's pixels.
    const QColor edge(10, 11, 13);
    painter.fillRect(0, 0, width, 1, edge);
    painter.fillRect(0, height - 1, width, 1, edge);
    painter.fillRect(0, 0, 1, height, edge);
    painter.fillRect(width - 1, 0, 1, height, edge);
    painter.fillRect(1, TitleBandHeight + 1, 1, height - TitleBandHeight - 2,
                     QColor(SkinColours::PanelEngraveLight));
}
