#include "tools/skin_catalog.h"

#include "panel/control_layout.h"
#include "resources/bitmap_ids.h"
#include "tools/background_art.h"
#include "tools/bmp_writer.h"
#include "tools/button_art.h"
#include "tools/colour_key.h"
#include "tools/control_art.h"
#include "tools/dot_matrix_font.h"
#include "tools/icon_art.h"
#include "tools/pictogram_art.h"
#include "tools/skin_colours.h"

#include <QDir>

namespace {

QImage Title(Pictogram pictogram, ButtonTone tone, int width, int height, int scale)
{
    return PictogramArt::Button(pictogram, tone, width, height, scale);
}

using P = Pictogram;
using T = ButtonTone;

constexpr SkinBitmap Bitmaps[] = {
    {BitmapId::Icon, 32, 32, 24, "icon: a silver knob and its scale on a dark tile",
     [](int w, int, int s) { return ColourKey::Apply(IconArt::Draw(w * s), SkinColours::Panel); }},
    {BitmapId::LargeFont, 704, 90, 4, "large dot-matrix font, 19x27 glyphs",
     [](int, int, int s) { return DotMatrixFont::Render(LargeFont, s); }},
    {BitmapId::MediumFont, 512, 66, 4, "medium dot-matrix font, 14x20 glyphs",
     [](int, int, int s) { return DotMatrixFont::Render(MediumFont, s); }},
    {BitmapId::SmallFont, 352, 45, 4, "small dot-matrix font, 10x14 glyphs",
     [](int, int, int s) { return DotMatrixFont::Render(SmallFont, s); }},
    {BitmapId::FlatKeySelected, 28, 10, 8, "filter key FLAT, red lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("FLAT", true, w, h, s); }},
    {BitmapId::FlatKey, 28, 10, 8, "filter key FLAT, grey lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("FLAT", false, w, h, s); }},
    {BitmapId::NotchKeySelected, 28, 10, 8, "filter key NOTCH, red lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("NOTCH", true, w, h, s); }},
    {BitmapId::ToneKey, 28, 10, 8, "filter key 1 KHz, grey lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("1 KHz", false, w, h, s); }},
    {BitmapId::BandKey, 28, 10, 8, "filter key BAND, grey lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("BAND", false, w, h, s); }},
    {BitmapId::HighKey, 28, 10, 8, "filter key HIGH, grey lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("HIGH", false, w, h, s); }},
    {BitmapId::LowKey, 28, 10, 8, "filter key LOW, grey lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("LOW", false, w, h, s); }},
    {BitmapId::NotchKey, 28, 10, 8, "filter key NOTCH, grey lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("NOTCH", false, w, h, s); }},
    {BitmapId::ToneKeySelected, 28, 10, 8, "filter key 1 KHz, red lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("1 KHz", true, w, h, s); }},
    {BitmapId::BandKeySelected, 28, 10, 8, "filter key BAND, red lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("BAND", true, w, h, s); }},
    {BitmapId::HighKeySelected, 28, 10, 8, "filter key HIGH, red lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("HIGH", true, w, h, s); }},
    {BitmapId::LowKeySelected, 28, 10, 8, "filter key LOW, red lamp",
     [](int w, int h, int s) { return ButtonArt::FilterButton("LOW", true, w, h, s); }},
    {BitmapId::MinimizeUp, 14, 16, 24, "minimise: dash on grey",
     [](int w, int h, int s) { return Title(P::Minimise, T::Grey, w, h, s); }},
    {BitmapId::LockLit, 10, 10, 24, "lock key, red lamp",
     [](int w, int h, int s) { return ButtonArt::LockButton(true, w, h, s); }},
    {BitmapId::LockUnlit, 10, 10, 24, "lock key, grey lamp",
     [](int w, int h, int s) { return ButtonArt::LockButton(false, w, h, s); }},
    {BitmapId::KnobBody, 31, 31, 24, "knob body: dark skirt with eleven ticks, keyed",
     [](int w, int h, int s) { return ControlArt::KnobBody(w, h, s); }},
    {BitmapId::KnobCap, 25, 24, 24, "knob cap: spun aluminium face, keyed",
     [](int w, int h, int s) { return ControlArt::KnobCap(w, h, s); }},
    {BitmapId::KnobDot, 3, 3, 24, "knob dot: red indicator, keyed corners",
     [](int w, int h, int s) { return ControlArt::KnobDot(w, h, s); }},
    {BitmapId::Background, WindowWidth, WindowHeight, 24,
     "background: brushed panel, tabs, captions, slots",
     [](int w, int h, int s) { return BackgroundArt::Draw(w, h, s); }},
    {BitmapId::ExitUp, 14, 16, 24, "close: cross on grey",
     [](int w, int h, int s) { return Title(P::Close, T::Grey, w, h, s); }},
    {BitmapId::ExitDown, 14, 16, 24, "close: cross on red",
     [](int w, int h, int s) { return Title(P::Close, T::Red, w, h, s); }},
    {BitmapId::MinimizeDown, 14, 16, 24, "minimise: dash on red",
     [](int w, int h, int s) { return Title(P::Minimise, T::Red, w, h, s); }},
    {BitmapId::ExitFocus, 14, 16, 24, "close: cross on light grey",
     [](int w, int h, int s) { return Title(P::Close, T::Light, w, h, s); }},
    {BitmapId::MinimizeFocus, 14, 16, 24, "minimise: dash on light grey",
     [](int w, int h, int s) { return Title(P::Minimise, T::Light, w, h, s); }},
    {BitmapId::LoadUp, 20, 20, 24, "open: folder, grey",
     [](int w, int h, int s) { return Title(P::Folder, T::Grey, w, h, s); }},
    {BitmapId::SaveUp, 20, 20, 24, "save: floppy disk, grey",
     [](int w, int h, int s) { return Title(P::Floppy, T::Grey, w, h, s); }},
    {BitmapId::ConnectUp, 44, 20, 24, "connect: computer linked to the device, grey",
     [](int w, int h, int s) { return Title(P::Connect, T::Grey, w, h, s); }},
    {BitmapId::DownloadUp, 25, 20, 24, "download: arrow into the device, grey",
     [](int w, int h, int s) { return Title(P::Download, T::Grey, w, h, s); }},
    {BitmapId::RetrieveUp, 25, 20, 24, "retrieve: arrow out of the device, grey",
     [](int w, int h, int s) { return Title(P::Retrieve, T::Grey, w, h, s); }},
    {BitmapId::ConfigureUp, 20, 20, 24, "port configuration: ring, grey",
     [](int w, int h, int s) { return Title(P::Ring, T::Grey, w, h, s); }},
    {BitmapId::LoadDown, 20, 20, 24, "open: folder, red",
     [](int w, int h, int s) { return Title(P::Folder, T::Red, w, h, s); }},
    {BitmapId::SaveDown, 20, 20, 24, "save: floppy disk, red",
     [](int w, int h, int s) { return Title(P::Floppy, T::Red, w, h, s); }},
    {BitmapId::ConfigureDown, 20, 20, 24, "port configuration: ring, red",
     [](int w, int h, int s) { return Title(P::Ring, T::Red, w, h, s); }},
    {BitmapId::ConnectDown, 44, 20, 24, "connect: computer linked to the device, red",
     [](int w, int h, int s) { return Title(P::Connect, T::Red, w, h, s); }},
    {BitmapId::DownloadDown, 25, 20, 24, "download: arrow into the device, red",
     [](int w, int h, int s) { return Title(P::Download, T::Red, w, h, s); }},
    {BitmapId::RetrieveDown, 25, 20, 24, "retrieve: arrow out of the device, red",
     [](int w, int h, int s) { return Title(P::Retrieve, T::Red, w, h, s); }},
    {BitmapId::DisconnectUp, 44, 20, 24, "disconnect: the link struck through in red, grey",
     [](int w, int h, int s) { return Title(P::Disconnect, T::Grey, w, h, s); }},
    {BitmapId::DisconnectDown, 44, 20, 24, "disconnect: the link struck through in red, red",
     [](int w, int h, int s) { return Title(P::Disconnect, T::Red, w, h, s); }},
    {BitmapId::FaderChannel, 30, 67, 24, "fader channel: dark slot between two tick scales, keyed",
     [](int w, int h, int s) { return ControlArt::FaderChannel(w, h, s); }},
    {BitmapId::FaderThumb, 30, 6, 24, "fader thumb: flat handle with a red line, keyed corners",
     [](int w, int h, int s) { return ControlArt::FaderThumb(w, h, s); }},
    {BitmapId::FirmwareUp, 25, 20, 24, "firmware: chip, grey",
     [](int w, int h, int s) { return Title(P::Chip, T::Grey, w, h, s); }},
    {BitmapId::FirmwareDown, 25, 20, 24, "firmware: chip, red",
     [](int w, int h, int s) { return Title(P::Chip, T::Red, w, h, s); }},
    {BitmapId::LampOff, 9, 9, 24, "front-panel lamp off: dark grey ball, keyed",
     [](int w, int h, int s) { return ControlArt::Lamp(false, w, h, s); }},
    {BitmapId::LampOn, 9, 9, 24, "front-panel lamp on: red ball, keyed",
     [](int w, int h, int s) { return ControlArt::Lamp(true, w, h, s); }},
    {BitmapId::HelpUp, 20, 20, 24, "help: question mark, grey",
     [](int w, int h, int s) { return Title(P::Help, T::Grey, w, h, s); }},
    {BitmapId::HelpDown, 20, 20, 24, "help: question mark, red",
     [](int w, int h, int s) { return Title(P::Help, T::Red, w, h, s); }},
};

} // namespace

std::span<const SkinBitmap> SkinCatalog::Bitmaps()
{
    return ::Bitmaps;
}

const SkinBitmap* SkinCatalog::Find(unsigned int number)
{
    for (const SkinBitmap& bitmap : ::Bitmaps) {
        if (bitmap.number == number)
            return &bitmap;
    }
    return nullptr;
}

QImage SkinCatalog::Render(const SkinBitmap& bitmap, int scale)
{
    return bitmap.draw(bitmap.width, bitmap.height, scale);
}

QString SkinCatalog::FileName(const SkinBitmap& bitmap, int scale)
{
    if (scale == 1)
        return QStringLiteral("%1.bmp").arg(bitmap.number);
    return QStringLiteral("%1@%2x.bmp").arg(bitmap.number).arg(scale);
}

bool SkinCatalog::WriteAll(const QString& folder, QString& error)
{
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    for (const SkinBitmap& bitmap : ::Bitmaps) {
        for (int scale : Scales) {
            const QImage picture = Render(bitmap, scale);
            const QString name = FileName(bitmap, scale);
            if (picture.size() != QSize(bitmap.width, bitmap.height) * scale) {
                error = QStringLiteral("%1 was drawn at the wrong size").arg(name);
                return false;
            }
            const QString path = QDir(folder).filePath(name);
            if (!BmpWriter::Save(picture, bitmap.bitsPerPixel, path)) {
                error = QStringLiteral("cannot write %1").arg(path);
                return false;
            }
        }
    }
    return true;
}
