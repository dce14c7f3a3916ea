#include "panel/panel_remote_control.h"

#include <QDebug>

#include "storage/port_preference.h"

CPanelRemoteControl::CPanelRemoteControl(CDeviceLink& link, PanelSettings& settings,
                                         WindowHooks hooks, QObject* parent)
    : QObject(parent), engine(link, settings, *this), hooks(std::move(hooks)),
      menuAction(QStringLiteral("OSC &Remote Control"), this)
{
    options.port = ReadRemoteControlPort();
    sendTimer.setSingleShot(true);
    sendTimer.setInterval(0);
    connect(&sendTimer, &QTimer::timeout, this, &CPanelRemoteControl::OnSendDue);
    menuAction.setCheckable(true);
    connect(&menuAction, &QAction::triggered, this, &CPanelRemoteControl::OnMenuToggled);
}

void CPanelRemoteControl::SetAddress(const std::string& bindAddress,
                                     const std::vector<std::string>& allowed)
{
    options.bindAddress = bindAddress;
    options.allowedClients = allowed;
}

bool CPanelRemoteControl::Start(int port)
{
    Stop();
    options.port = port;
    std::string error;
    if (!engine.Open(options, error)) {
        ShowOnMenu();
        hooks.showError(QStringLiteral("The OSC remote control could not be started: %1")
                            .arg(QString::fromStdString(error)));
        return false;
    }
    notifier = std::make_unique<QSocketNotifier>(engine.Descriptor(), QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, &CPanelRemoteControl::OnReadable);
    WriteRemoteControl(true, port);
    ShowOnMenu();
    return true;
}

void CPanelRemoteControl::Stop()
{
    // Stopped from the menu while a retrieve runs the event loop, the notifier may still be
    // inside its own signal; it stops watching now, before its socket is closed.
    if (notifier) {
        notifier->setEnabled(false);
        notifier.release()->deleteLater();
    }
    sendTimer.stop();
    engine.Close();
    ShowOnMenu();
}

void CPanelRemoteControl::OnMenuToggled(bool on)
{
    if (on) {
        Start(options.port);
        return;
    }
    Stop();
    WriteRemoteControl(false, options.port);
}

void CPanelRemoteControl::ShowOnMenu()
{
    menuAction.setChecked(engine.IsOpen());
    menuAction.setText(engine.IsOpen() ? QStringLiteral("OSC &Remote Control on %1")
                                             .arg(QString::fromStdString(engine.LocalAddress()))
                                       : QStringLiteral("OSC &Remote Control"));
}

// The socket stays quiet while its datagrams are handled: a retrieve shows its progress, which
// runs the event loop, and must not find itself called again from there.
void CPanelRemoteControl::OnReadable()
{
    notifier->setEnabled(false);
    engine.Receive();
    // A retrieve may have stopped the remote control from within; the notifier is then gone.
    if (notifier)
        notifier->setEnabled(true);
    OnSendDue();
}

void CPanelRemoteControl::OnSendDue()
{
    engine.SendNext();
    if (engine.HasPendingSends())
        sendTimer.start();
}

void CPanelRemoteControl::ShowRemoteChange(int strip)
{
    hooks.showStrip(strip);
}

std::string CPanelRemoteControl::RetrieveForRemote()
{
    return hooks.retrieve();
}

std::string CPanelRemoteControl::StoreForRemote()
{
    return hooks.store();
}

// The panel has no log of its own; a refused client is worth a line where the program was
// started.
void CPanelRemoteControl::LogRemote(const std::string& line)
{
    qWarning().noquote() << "sonavire-panel:" << QString::fromStdString(line);
}
