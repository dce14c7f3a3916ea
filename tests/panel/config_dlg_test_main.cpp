#include <QApplication>
#include <gtest/gtest.h>

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform cannot grab the mouse for the port list's popup and says so at every
// grab; Qt's own grab works all the same.
void DropGrabWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support grabbing")))
        defaultHandler(type, context, message);
}

} // namespace

// Test discovery runs this program at build time, where there is no display.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultHandler = qInstallMessageHandler(DropGrabWarnings);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
