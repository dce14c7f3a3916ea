#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// Where the panel finds its skin. Bitmaps are addressed by resource number through the
// search path "bitmaps", which ends with the pictures compiled into the program; folders
// put before it (a skin being worked on, a test's own pictures) take precedence.
//
// Every bitmap comes in two sets: <number>.bmp for screens of one device pixel per window
// pixel, and <number>@2x.bmp, twice as wide and high, for denser ones. A ratio above 1
// takes the finer set, scaled down where the ratio is fractional.
class SkinResources
{
public:
    static constexpr const char* SearchPrefix = "bitmaps";

    // Sets the search path to the given folders followed by the compiled-in bitmaps.
    static void InstallSearchPath(const QStringList& firstFolders = {});

    // Picture pixels per window pixel in the set drawn for a device pixel ratio: 1 or 2.
    static int PictureScale(qreal devicePixelRatio);

    // "bitmaps:<number>.bmp" at scale 1, "bitmaps:<number>@2x.bmp" at scale 2.
    static QString BitmapPath(int number, int scale = 1);

    // The picture for the ratio with its device pixel ratio set to its scale, so that it
    // paints at its size in window pixels. The first folder of the search path that has
    // either set decides; one that has only the coarser set gives that. Null when no folder
    // has the picture or it cannot be read.
    static QImage LoadBitmap(int number, qreal devicePixelRatio);

    // The desktop and window icon compiled into the program.
    static QString IconPath();
};
