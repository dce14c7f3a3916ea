#include "resources/skin_resources.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int FineScale = 2;

QString FileName(int number, int scale)
{
    if (scale == 1)
        return QStringLiteral("%1.bmp").arg(number);
    return QStringLiteral("%1@%2x.bmp").arg(number).arg(scale);
}

} // namespace

void SkinResources::InstallSearchPath(const QStringList& firstFolders)
{
    QDir::setSearchPaths(QLatin1String(SearchPrefix), QStringList(firstFolders)
                                                          << QStringLiteral(":/bitmaps"));
}

int SkinResources::PictureScale(qreal devicePixelRatio)
{
    return devicePixelRatio > 1.0 ? FineScale : 1;
}

QString SkinResources::BitmapPath(int number, int scale)
{
    return QStringLiteral("%1:%2").arg(QLatin1String(SearchPrefix), FileName(number, scale));
}

QImage SkinResources::LoadBitmap(int number, qreal devicePixelRatio)
{
    const int wanted = PictureScale(devicePixelRatio);
    for (const QString& folder : QDir::searchPaths(QLatin1String(SearchPrefix))) {
        for (int scale = wanted; scale >= 1; scale /= FineScale) {
            const QString path = QDir(folder).filePath(FileName(number, scale));
            if (!QFileInfo::exists(path))
                continue;
            QImage picture(path);
            picture.setDevicePixelRatio(scale);
            return picture;
        }
    }
    return {};
}

QString SkinResources::IconPath()
{
    return QStringLiteral(":/icons/sonavire.png");
}
