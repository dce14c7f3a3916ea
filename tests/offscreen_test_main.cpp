#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "resources/skin_resources.h"

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform cannot grab the mouse at the window-system level and says so at
// every grab; Qt's own grab, which the controls rely on, works all the same.
void DropGrabWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support grabbing")))
        defaultHandler(type, context, message);
}

} // namespace

// The widget tests read pixels and move the cursor; they never need a display, and test
// discovery runs them at build time. The panel remembers its port in the user's settings:
// the tests keep theirs in a folder of their own, so they neither read nor overwrite it.
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
