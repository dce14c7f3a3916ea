#include "panel/panel_app.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>

#include "emulator/emulated_device.h"
#include "panel/control_panel_dlg.h"
#include "panel/panel_command_line.h"
#include "resources/skin_resources.h"
#include "storage/port_preference.h"

CPanelApp::CPanelApp(int& argc, char** argv) : QApplication(argc, argv)
{
    NameTheProgram();
    setWindowIcon(QIcon(SkinResources::IconPath()));
}

void CPanelApp::NameTheProgram()
{
    setOrganizationName(QString::fromUtf8(PreferenceOrganisation));
    setApplicationName(QString::fromUtf8(PreferenceApplication));
    setApplicationVersion(QStringLiteral(SONAVIRE_VERSION));
}

CPanelApp::~CPanelApp() = default;

int CPanelApp::InitInstance()
{
    SkinResources::InstallSearchPath();
    CPanelCommandLine::Options options;
    if (!CPanelCommandLine().Parse(arguments(), options))
        return 2;
    std::string portName = options.port;
    if (options.demo && !StartDemoDevice(portName))
        return 1;

    CControlPanelDlg panel(options.startupFile);
    if (!portName.empty())
        panel.SetPortName(portName, !options.demo);
    if (demoDevice)
        panel.AddMenuActions(DemoDeviceActions(&panel));
    if (!options.screenshot.isEmpty())
        return WriteScreenshot(panel, options.screenshot) ? 0 : 1;
    StartRemoteControl(panel.RemoteControl(), options);
    // Once the panel stands on the screen, the response window opens beside it if it was open.
    QTimer::singleShot(0, &panel.ResponseView(), &CResponseView::RestorePlacement);
    panel.exec();
    if (demoDevice)
        demoDevice->Stop();
    return 0;
}

// The demonstration device's own switches, which a real Sonavire has on its case.
QList<QAction*> CPanelApp::DemoDeviceActions(QObject* owner)
{
    CEmulatedDevice* device = demoDevice.get();
    auto* updateSwitch = new QAction(QStringLiteral("Demo Sonavire: 'OS Update' Switch On"), owner);
    updateSwitch->setCheckable(true);
    connect(updateSwitch, &QAction::toggled, owner,
            [device](bool on) { device->SetUpdateMode(on); });
    auto* frontPanel = new QAction(QStringLiteral("Demo Sonavire: Front Panel Active"), owner);
    frontPanel->setCheckable(true);
    connect(frontPanel, &QAction::toggled, owner,
            [device](bool on) { device->SetFrontPanelActive(on); });
    return {updateSwitch, frontPanel};
}

bool CPanelApp::WriteScreenshot(QWidget& panel, const QString& path)
{
    panel.show();
    processEvents();
    if (panel.grab().save(path, "PNG"))
        return true;
    std::fprintf(stderr, "sonavire-panel: cannot write %s\n", qPrintable(path));
    return false;
}

bool CPanelApp::StartDemoDevice(std::string& portName)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    EmulatorOptions options;
    options.stateFile = QDir(folder).filePath(QStringLiteral("demo-device.snv")).toStdString();
    options.firmwareOut = QDir(folder).filePath(QStringLiteral("demo-firmware.bin")).toStdString();
    options.paced = true;
    demoDevice = std::make_unique<CEmulatedDevice>(options);
    std::string error;
    if (!demoDevice->Start(error)) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"),
                              QStringLiteral("The demonstration Sonavire could not be started: %1")
                                  .arg(QString::fromStdString(error)));
        return false;
    }
    portName = demoDevice->PortPath();
    return true;
}

// Asked for on the command line, or left on in the window menu at the last run.
void CPanelApp::StartRemoteControl(CPanelRemoteControl& remote,
                                   const CPanelCommandLine::Options& options)
{
    remote.SetAddress(options.oscBind, options.oscAllow);
    if (options.oscPort >= 0)
        remote.Start(options.oscPort);
    else if (ReadRemoteControlOn())
        remote.Start(ReadRemoteControlPort());
}
