#pragma once

#include <QImage>
#include <QTemporaryDir>

inline constexpr QRgb Magenta = qRgb(255, 0, 255);

// A folder of test pictures behind the "bitmaps" prefix, for as long as the object lives.
class SkinFolder
{
public:
    SkinFolder();
    ~SkinFolder();

    void Write(unsigned int resourceId, const QImage& picture) const;

private:
    QTemporaryDir folder;
};

QImage Solid(QSize size, QRgb colour);
// colour inside the ellipse that fills the picture, magenta around it.
QImage Round(QSize size, QRgb colour);
