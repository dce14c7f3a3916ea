#pragma once

#include <QImage>
#include <QPainter>
#include <QRgb>
#include <QSize>

// A skin picture that knows its size and draws itself opaque, tiled, or with one key colour
// transparent so that whatever the owner painted underneath shows through. The size is read
// once and the mask built once; loading another picture starts both afresh, so an object
// may change to a picture of another size or shape.
//
// Sizes and positions are in window pixels at every device pixel ratio. The picture is
// loaded from the set for a ratio (see SkinResources), and a draw on a device whose ratio
// wants the other set loads that one in its place, with its mask, before drawing: a window
// moved to a screen of another density stays sharp.
class CMaskedBitmap
{
public:
    static constexpr QRgb Magenta = qRgb(255, 0, 255);

    // Replaces the picture with bitmap resource resourceId from the set for the highest
    // ratio of the application's screens; false, leaving the object empty, when it cannot
    // be read.
    bool Load(unsigned int resourceId);
    void Release();

    // Reads the size on first use; false while the picture has none (not loaded).
    bool GetSize(int& outWidth, int& outHeight);
    // GetSize as one value, empty while there is no size.
    QSize Size();

    // Each draw returns false and draws nothing until GetSize has succeeded.
    bool Draw(QPainter& painter, int x, int y);
    // Covers the area from (0, 0) with whole copies of the picture; reads the size itself.
    bool DrawTiled(QPainter& painter, int areaWidth, int areaHeight);
    bool BuildMask(QRgb key);
    // The mask is built on the first call with that call's key and kept; later keys are
    // not looked at.
    bool DrawTransparent(QPainter& painter, int x, int y, QRgb key);

    // Device pixels per window pixel where the painter draws.
    static qreal DeviceRatio(const QPainter& painter);
    // The highest ratio of the application's screens, 1 without an application.
    static qreal ApplicationRatio();

private:
    bool HasSize() const { return width > 0 && height > 0; }
    void FollowDevice(const QPainter& painter);
    static void Paint(QPainter& painter, int x, int y, const QImage& image);

    QImage picture;
    unsigned int number = 0;
    int width = 0;
    int height = 0;
    // One bit per pixel, set where the picture shows the key colour.
    QImage mask;
    QRgb keyColour = Magenta;
    // The picture with the mask applied as alpha, made with the mask so that a transparent
    // draw is a single composition.
    QImage keyed;
};
