#pragma once

#include <QApplication>
#include <QList>

class QAction;

#include <memory>
#include <string>

#include "panel/panel_command_line.h"

class CEmulatedDevice;
class CPanelRemoteControl;

// The program: reads the command line, starts the emulated Sonavire for a demonstration,
// and runs the panel until it is closed.
class CPanelApp : public QApplication
{
    Q_OBJECT

public:
    CPanelApp(int& argc, char** argv);
    ~CPanelApp() override;

    // The whole life of the panel; returns the process's exit status.
    int InitInstance();

    // The names the settings, the usage and the version go by; needs no application object.
    static void NameTheProgram();

private:
    bool StartDemoDevice(std::string& portName);
    bool WriteScreenshot(QWidget& panel, const QString& path);
    QList<QAction*> DemoDeviceActions(QObject* owner);
    void StartRemoteControl(CPanelRemoteControl& remote, const CPanelCommandLine::Options& options);

    std::unique_ptr<CEmulatedDevice> demoDevice;
};
