#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Writes Windows device-independent bitmaps at the depths the panel's resources use:
// 24 bits per pixel, or 8 and 4 with a colour table. Qt's own writer cannot produce the
// indexed depths, and the controls recolour the fonts through their colour tables.
class BmpWriter
{
public:
    // The file's bytes, or an empty array when an indexed depth cannot hold the picture's
    // colours. The colour table lists the colours in ascending RGB order.
    static QByteArray Encode(const QImage& image, int bitsPerPixel);

    static bool Save(const QImage& image, int bitsPerPixel, const QString& path);
};
