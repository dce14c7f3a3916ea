#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "device/device_link.h"
#include "model/strip_settings.h"
#include "remote/remote_control.h"
#include "remote/remote_host.h"
#include "serial/message_queue.h"

// `sonavire-cli serve`: the OSC remote control without a window. It holds the serial line for
// as long as it runs, polls the device as the panel does, and when the device is away keeps
// trying to reach it again, so that a show can run unattended. Every event is one line on the
// error stream, which a service manager keeps in its journal.
class CRemoteService : public IRemoteHost
{
public:
    CRemoteService(CDeviceLink& link, CMessageQueue& queue, std::ostream& err);

    // Serves until interruptDescriptor is readable (SIGINT or SIGTERM); false, with the reason
    // in error, when the OSC socket cannot be opened.
    bool Run(const std::string& portName, const RemoteOptions& options, int interruptDescriptor,
             std::string& error);

    void ShowRemoteChange(int strip) override;
    std::string RetrieveForRemote() override;
    std::string StoreForRemote() override;
    bool KeepsOfflineEdits() const override;
    void LogRemote(const std::string& line) override;

private:
    using Clock = std::chrono::steady_clock;

    void Serve(int interruptDescriptor);
    void WaitForTraffic(int interruptDescriptor);
    void HandleSerialMessages();
    void ServeClients();
    void KeepLinkUp();
    void Connect();
    std::string OpenLink();
    void ReadDevice();
    void Poll();
    void NoteLostLine();
    std::string NotLiveReason() const;
    void Log(const std::string& line);

    CDeviceLink& link;
    CMessageQueue& queue;
    std::ostream& err;
    PanelSettings settings{};
    CRemoteControl remote;
    std::string portName;
    bool connected = false;
    std::string lastConnectFailure;
    Clock::time_point nextPoll{};
    Clock::time_point nextConnect{};
};
