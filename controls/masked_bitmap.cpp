#include "controls/masked_bitmap.h"

#include <QGuiApplication>

#include <cmath>

#include "resources/skin_resources.h"

bool CMaskedBitmap::Load(unsigned int resourceId)
{
    Release();
    const QImage loaded =
        SkinResources::LoadBitmap(static_cast<int>(resourceId), ApplicationRatio());
    if (loaded.isNull())
        return false;
    picture = loaded.convertToFormat(QImage::Format_RGB32);
    number = resourceId;
    return true;
}

void CMaskedBitmap::Release()
{
    picture = QImage();
    number = 0;
    width = 0;
    height = 0;
    mask = QImage();
    keyed = QImage();
}

bool CMaskedBitmap::GetSize(int& outWidth, int& outHeight)
{
    if (!HasSize()) {
        const QSizeF size = picture.deviceIndependentSize();
        width = qRound(size.width());
        height = qRound(size.height());
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

qreal CMaskedBitmap::DeviceRatio(const QPainter& painter)
{
    // The device transform holds the device's pixel ratio and any scaling of the painter,
    // as when a widget is rendered into an image of another ratio than its screen's.
    const QTransform& transform = painter.deviceTransform();
    return std::hypot(transform.m11(), transform.m12());
}

qreal CMaskedBitmap::ApplicationRatio()
{
    return qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
}

void CMaskedBitmap::FollowDevice(const QPainter& painter)
{
    const qreal ratio = DeviceRatio(painter);
    if (number == 0 || qRound(picture.devicePixelRatio()) == SkinResources::PictureScale(ratio))
        return;
    const QImage loaded = SkinResources::LoadBitmap(static_cast<int>(number), ratio);
    if (loaded.isNull())
        return;
    picture = loaded.convertToFormat(QImage::Format_RGB32);
    if (!mask.isNull())
        BuildMask(keyColour);
}

void CMaskedBitmap::Paint(QPainter& painter, int x, int y, const QImage& image)
{
    // Pictures meet the device pixel for pixel unless the ratio is fractional or the finer
    // set is missing; then they are resampled, and smoothly rather than by dropping pixels.
    const bool resampled = DeviceRatio(painter) != image.devicePixelRatio();
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    if (resampled)
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(x, y, image);
    if (resampled)
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

bool CMaskedBitmap::Draw(QPainter& painter, int x, int y)
{
    if (!HasSize())
        return false;
    FollowDevice(painter);
    Paint(painter, x, y, picture);
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
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
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
    FollowDevice(painter);
    if (mask.isNull())
        BuildMask(key);
    Paint(painter, x, y, keyed);
    return true;
}
