#pragma once

#include <QImage>
#include <QString>

#include <span>

// One bitmap resource of the panel: its number, its size and depth, what it shows and how
// it is drawn. The drawing gets the size so that shared art can serve several sizes.
struct SkinBitmap
{
    unsigned int number;
    int width;
    int height;
    int bitsPerPixel;
    const char* shows;
    QImage (*draw)(int width, int height);
};

// Every bitmap the panel loads, and writing them as <number>.bmp.
class SkinCatalog
{
public:
    static std::span<const SkinBitmap> Bitmaps();
    static const SkinBitmap* Find(unsigned int number);

    // The picture of an entry at its size.
    static QImage Render(const SkinBitmap& bitmap);

    // Writes every bitmap into the folder; on failure returns false and says why.
    static bool WriteAll(const QString& folder, QString& error);
};
