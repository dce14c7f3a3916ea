#include "skin_folder.h"

#include <QDir>

#include "resources/skin_resources.h"

SkinFolder::SkinFolder()
{
    QDir::setSearchPaths(QLatin1String(SkinResources::SearchPrefix), {folder.path()});
}

SkinFolder::~SkinFolder()
{
    QDir::setSearchPaths(QLatin1String(SkinResources::SearchPrefix), {});
}

void SkinFolder::Write(unsigned int resourceId, const QImage& picture) const
{
    picture.save(folder.filePath(QStringLiteral("%1.bmp").arg(resourceId)), "BMP");
}

QImage Solid(QSize size, QRgb colour)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

QImage Round(QSize size, QRgb colour)
{
    QImage picture = Solid(size, Magenta);
    const double rx = size.width() / 2.0;
    const double ry = size.height() / 2.0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const double dx = (x + 0.5 - rx) / rx;
            const double dy = (y + 0.5 - ry) / ry;
            if (dx * dx + dy * dy <= 1.0)
                picture.setPixel(x, y, colour);
        }
    }
    return picture;
}
