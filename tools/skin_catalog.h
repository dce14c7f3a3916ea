#pragma once

#include <QImage>
#include <QString>

#include <span>

// One bitmap resource of the panel: its number, its size and depth, what it shows and how
// it is drawn. The drawing gets the size so that shared art can serve several sizes, and the
// scale, the number of picture pixels per window pixel each way: it returns a picture of
// width x height times the scale, drawn on that finer grid rather than enlarged.
struct SkinBitmap
{
    unsigned int number;
    int width;
    int height;
    int bitsPerPixel;
    const char* shows;
    QImage (*draw)(int width, int height, int scale);
};

// Every bitmap the panel loads, and writing them as <number>.bmp for screens of one device
// pixel per window pixel and <number>@2x.bmp, twice as wide and high, for denser ones.
class SkinCatalog
{
public:
    // The scales written, each with the suffix of its file names.
    static constexpr int Scales[] = {1, 2};

    static std::span<const SkinBitmap> Bitmaps();
    static const SkinBitmap* Find(unsigned int number);

    // The picture of an entry at its size times the scale.
    static QImage Render(const SkinBitmap& bitmap, int scale = 1);

    // "<number>.bmp" at scale 1, "<number>@<scale>x.bmp" above.
    static QString FileName(const SkinBitmap& bitmap, int scale);

    // Writes every bitmap at every scale into the folder; on failure returns false and says
    // why.
    static bool WriteAll(const QString& folder, QString& error);
};
