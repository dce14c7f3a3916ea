#pragma once

#include "tools/button_face.h"

#include <QColor>
#include <QImage>
#include <QSizeF>

class QPainter;

// What a title-bar or window button shows.
enum class Pictogram
{
    Minimise,   // a dash
    Close,      // a cross
    Help,       // a question mark
    Folder,     // open a settings file
    Floppy,     // save a settings file
    Ring,       // port configuration
    Connect,    // a computer linked to the device
    Disconnect, // the same link struck through in red
    Download,   // an arrow down into the device
    Retrieve,   // an arrow up out of the device
    Chip,       // firmware
};

// The title-bar and window buttons: a face of the given tone with its pictogram, embossed
// by a one-pixel shadow.
class PictogramArt
{
public:
    static QImage Button(Pictogram pictogram, ButtonTone tone, int width, int height, int scale);

private:
    // Draws the pictogram centred on a button of the given size. Ink fills the shapes, cut
    // marks the details cut out of them and accent strikes a link through; the shadow pass
    // gives all three the shadow colour.
    static void DrawSymbol(QPainter& painter, Pictogram pictogram, QSizeF size, QColor ink,
                           QColor cut, QColor accent);
    static void DrawMonitorAndDevice(QPainter& painter, QColor ink, QColor cut);
    static void DrawTransfer(QPainter& painter, QSizeF size, bool towardsDevice, QColor ink,
                             QColor cut);
};
