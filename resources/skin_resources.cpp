#include "resources/skin_resources.h"

#include <QDir>

void SkinResources::InstallSearchPath(const QStringList& firstFolders)
{
    QDir::setSearchPaths(QLatin1String(SearchPrefix), QStringList(firstFolders)
                                                          << QStringLiteral(":/bitmaps"));
}

QString SkinResources::BitmapPath(int number)
{
    return QStringLiteral("%1:%2.bmp").arg(QLatin1String(SearchPrefix)).arg(number);
}

QString SkinResources::IconPath()
{
    return QStringLiteral(":/icons/sonavire.png");
}
