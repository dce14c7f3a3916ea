#include "panel/panel_app.h"
#include "panel/panel_command_line.h"

int main(int argc, char* argv[])
{
    // A QApplication without a display ends the program, so the usage and the version are
    // answered by a bare core application before one is made.
    if (CPanelCommandLine::AsksOnlyForUsageOrVersion(argc, argv)) {
        QCoreApplication core(argc, argv);
        CPanelApp::NameTheProgram();
        CPanelCommandLine::Options unused;
        return CPanelCommandLine().Parse(core.arguments(), unused) ? 0 : 2;
    }
    CPanelApp application(argc, argv);
    return application.InitInstance();
}
