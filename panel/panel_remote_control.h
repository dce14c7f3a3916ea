#pragma once

#include <QAction>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "remote/remote_control.h"

// The OSC remote control in the panel's event loop. A QSocketNotifier hands over what clients
// send; the device sends go out one exchange per turn of the loop, so that the window repaints
// and takes the operator's input between them, and a streamed value is read afresh for each.
class CPanelRemoteControl : public QObject, public IRemoteHost
{
    Q_OBJECT

public:
    // What the window does for a client.
    struct WindowHooks
    {
        std::function<void(int strip)> showStrip;
        std::function<std::string()> retrieve;
        std::function<std::string()> store;
        std::function<void(const QString& text)> showError;
    };

    CPanelRemoteControl(CDeviceLink& link, PanelSettings& settings, WindowHooks hooks,
                        QObject* parent);

    // Where this run listens and whom it lets in; the port is remembered between runs.
    void SetAddress(const std::string& bindAddress, const std::vector<std::string>& allowed);
    // Listens on the port and remembers it, on, for the next run. A failure is shown in a
    // message box, and the remote control stays off.
    bool Start(int port);
    void Stop();
    bool IsOn() const { return engine.IsOpen(); }
    std::string LocalAddress() const { return engine.LocalAddress(); }
    // The window menu's item that turns it on and off, checked while on.
    QAction& MenuAction() { return menuAction; }

    void Publish() { engine.Publish(); }
    void SendAll() { engine.SendAll(); }

    void ShowRemoteChange(int strip) override;
    std::string RetrieveForRemote() override;
    std::string StoreForRemote() override;
    bool KeepsOfflineEdits() const override { return true; }
    void LogRemote(const std::string& line) override;

private:
    void OnReadable();
    void OnSendDue();
    void OnMenuToggled(bool on);
    void ShowOnMenu();

    CRemoteControl engine;
    WindowHooks hooks;
    RemoteOptions options;
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer sendTimer;
    QAction menuAction;
};
