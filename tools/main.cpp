// sonavire-skin: draws every bitmap of the panel's skin.
//
//   sonavire-skin [--icon ICON.png] BITMAP_FOLDER   writes <number>.bmp and <number>@2x.bmp
//                                                   for every bitmap
//   sonavire-skin --preview PREVIEW.png             the background with the controls on it

#include "tools/icon_art.h"
#include "tools/skin_catalog.h"
#include "tools/skin_preview.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int DesktopIconSize = 128;

int Usage()
{
    std::fprintf(stderr, "usage: sonavire-skin [--icon ICON.png] BITMAP_FOLDER\n"
                         "       sonavire-skin --preview PREVIEW.png\n");
    return 2;
}

int Fail(const QString& message)
{
    std::fprintf(stderr, "sonavire-skin: %s\n", qPrintable(message));
    return 1;
}

int WritePreview(const QString& path)
{
    if (!SkinPreview::Compose().save(path, "PNG"))
        return Fail(QStringLiteral("cannot write %1").arg(path));
    return 0;
}

int WriteSkin(const QString& folder, const QString& iconPath)
{
    QString error;
    if (!SkinCatalog::WriteAll(folder, error))
        return Fail(error);
    if (!iconPath.isEmpty() && !IconArt::Draw(DesktopIconSize).save(iconPath, "PNG"))
        return Fail(QStringLiteral("cannot write %1").arg(iconPath));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Text needs the font database, which needs an application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QStringList arguments = QGuiApplication::arguments().mid(1);

    if (arguments.size() == 2 && arguments[0] == QStringLiteral("--preview"))
        return WritePreview(arguments[1]);
    QString iconPath;
    if (arguments.size() == 3 && arguments[0] == QStringLiteral("--icon")) {
        iconPath = arguments[1];
        arguments = arguments.mid(2);
    }
    if (arguments.size() != 1 || arguments[0].startsWith(QLatin1Char('-')))
        return Usage();
    return WriteSkin(arguments[0], iconPath);
}
