// sonavire-help-pictures: draws the pictures of the operator's guide from the panel itself.
//
//   sonavire-help-pictures FOLDER   writes NAME.png for every picture the guide shows

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

#include "resources/skin_resources.h"
#include "tools/help_pictures/help_pictures.h"
#include "tools/help_pictures/picture_writer.h"

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform has no window system to grab the mouse, raise a window or hand
// size hints to, and says so at every click on a knob and every dialog; Qt's own handling,
// which the pictures rely on, works all the same.
void DropWindowSystemWarnings(QtMsgType type, const QMessageLogContext& context,
                              const QString& message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char* argv[])
{
    // No desktop is needed, nor shown anything while the pictures are taken.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultHandler = qInstallMessageHandler(DropWindowSystemWarnings);
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: sonavire-help-pictures FOLDER\n");
        return 2;
    }
    // The panel remembers its port in the user's settings; these runs neither read nor
    // change the operator's.
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    SkinResources::InstallSearchPath();

    CPictureWriter writer(arguments.front());
    CHelpPictures pictures(writer);
    if (!pictures.DrawAll()) {
        std::fprintf(stderr, "sonavire-help-pictures: %s\n", qPrintable(pictures.Error()));
        return 1;
    }
    for (const QString& name : writer.Written())
        std::printf("%s\n", qPrintable(name));
    return 0;
}
