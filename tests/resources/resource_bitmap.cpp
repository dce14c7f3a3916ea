#include "tests/resources/resource_bitmap.h"

#include <QString>

#include <algorithm>

QImage ResourceBitmap(int number)
{
    return QImage(QStringLiteral(":/bitmaps/%1.bmp").arg(number));
}

bool IsMagenta(QRgb pixel)
{
    return (pixel & RGB_MASK) == (Magenta & RGB_MASK);
}

bool IsDark(QRgb pixel)
{
    return std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) <= 40;
}

bool IsRed(QRgb pixel)
{
    return !IsMagenta(pixel) && qRed(pixel) >= 170 && qGreen(pixel) <= 100 && qBlue(pixel) <= 100;
}
