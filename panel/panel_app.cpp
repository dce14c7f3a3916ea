#include "panel/panel_app.h"

#include <QAction>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include "emulator/emulated_device.h"
#include "panel/control_panel_dlg.h"
#include "resources/skin_resources.h"

CPanelApp::CPanelApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setOrganizationName(QStringLiteral("Roravir Ude"));
    setApplicationName(QStringLiteral("Sonavire"));
    setApplicationVersion(QStringLiteral(SONAVIRE_VERSION));
    setWindowIcon(QIcon(SkinResources::IconPath()));
}

CPanelApp::~CPanelApp() = default;

int CPanelApp::InitInstance()
{
    SkinResources::InstallSearchPath();
    Options options;
    if (!ParseCommandLine(options))
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
    panel.exec();
    if (demoDevice)
        demoDevice->Stop();
    return 0;
}

bool CPanelApp::ParseCommandLine(Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Control panel of the Sonavire 16 channel filter amplifier."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Use the serial port PORT for this run."),
                                  QStringLiteral("PORT"));
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Connect to a built-in emulated Sonavire."));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Write a picture of the panel as it starts to PNG, and exit."),
        QStringLiteral("PNG"));
    parser.addOption(port);
    parser.addOption(demo);
    parser.addOption(screenshot);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A settings file (.snv) to load at start."),
                                 QStringLiteral("[FILE]"));
    parser.process(arguments());
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "sonavire-panel: one settings file at most\n");
        return false;
    }
    options.port = parser.value(port).toStdString();
    options.demo = parser.isSet(demo);
    options.screenshot = parser.value(screenshot);
    // Only a file that exists is a start-up file; anything else is ignored as before.
    if (!files.isEmpty() && QFileInfo(files.front()).isFile())
        options.startupFile = files.front().toStdString();
    return true;
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
