#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "resources/skin_resources.h"

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform cannot grab the mouse at the window-system level and says so at
// every grab; Qt's own grab works all the same.
void DropGrabWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support grabbing")))
        defaultHandler(type, context, message);
}

} // namespace

// The panel remembers its port in the user's settings: the tests keep theirs in a folder of
// their own so that they neither read nor overwrite the user's.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultHandler = qInstallMessageHandler(DropGrabWarnings);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    SkinResources::InstallSearchPath();
    return RUN_ALL_TESTS();
}
