#include "controls/masked_bitmap.h"

#include "resources/skin_resources.h"

bool CMaskedBitmap::Load(unsigned int resourceId)
{
    Release();
    const QImage loaded = QImage(SkinResources::BitmapPath(static_cast<int>(resourceId)));
    if (loaded.isNull())
        return false;
    picture = loaded.convertToFormat(QImage::Format_RGB32);
    return true;
}

void CMaskedBitmap::Release()
{
    picture = QImage();
    width = 0;
    height = 0;
    mask = QImage();
    keyed = QImage();
}

bool CMaskedBitmap::GetSize(int& outWidth, int& outHeight)
{
    if (!HasSize()) {
        width = picture.width();
        height = picture.height();
    }
    outWidth = width;
    outHeight = height;
    return HasSize();
}

QSize CMaskedBitmap::Size()
{
    int outWidth = 0;
    int outHeight = 0;
    GetSize(outWidth, outHeight);
    return {outWidth, outHeight};
}

bool CMaskedBitmap::Draw(QPainter& painter, int x, int y) const
{
    if (!HasSize())
        return false;
    painter.drawImage(x, y, picture);
    return true;
}

bool CMaskedBitmap::DrawTiled(QPainter& painter, int areaWidth, int areaHeight)
{
    int tileWidth = 0;
    int tileHeight = 0;
    if (!GetSize(tileWidth, tileHeight))
        return false;
    for (int y = 0; y < areaHeight; y += tileHeight) {
        for (int x = 0; x < areaWidth; x += tileWidth)
            Draw(painter, x, y);
    }
    return true;
}

bool CMaskedBitmap::BuildMask(QRgb key)
{
    if (!HasSize())
        return false;
    keyColour = key;
    mask = picture.createMaskFromColor(keyColour, Qt::MaskInColor);
    keyed = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (mask.pixelIndex(x, y) == 1)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    keyed.convertTo(QImage::Format_ARGB32_Premultiplied);
    return true;
}

bool CMaskedBitmap::DrawTransparent(QPainter& painter, int x, int y, QRgb key)
{
    if (!HasSize())
        return false;
    if (mask.isNull())
        BuildMask(key);
    painter.drawImage(x, y, keyed);
    return true;
}
