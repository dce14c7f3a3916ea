#include "cli/remote_service.h"
#include "cli/interrupt_guard.h"

#include <algorithm>
#include <ostream>
#include <poll.h>

#include "device/link_procedures.h"
#include "serial/serial_wnd.h"

namespace {

constexpr auto PollInterval = std::chrono::milliseconds(1000);
constexpr auto ReconnectInterval = std::chrono::milliseconds(2000);
// The longest the loop sleeps: a hang-up waits in the message queue, which poll() cannot see.
constexpr auto WakeInterval = std::chrono::milliseconds(100);
// Rounds of CRemoteControl::Receive between two sends. The kernel drops what does not fit the
// socket's buffer, and the newest value of a flood is the one that must not be dropped; the
// limit keeps a client that never stops from holding the line's sends back for ever.
constexpr int ReceiveRoundLimit = 16;

std::string ClientsText(const std::vector<std::string>& clients)
{
    if (clients.empty())
        return "any client";
    std::string text = "clients";
    for (const std::string& client : clients)
        text += (&client == &clients.front() ? " " : ", ") + client;
    return text;
}

bool IsReadable(int descriptor)
{
    pollfd waiting{descriptor, POLLIN, 0};
    return ::poll(&waiting, 1, 0) > 0 && (waiting.revents & POLLIN);
}

} // namespace

CRemoteService::CRemoteService(CDeviceLink& link, CMessageQueue& queue, std::ostream& err)
    : link(link), queue(queue), err(err), remote(link, settings, *this)
{}

bool CRemoteService::Run(const std::string& port, const RemoteOptions& options,
                         int interruptDescriptor, std::string& error)
{
    if (!remote.Open(options, error))
        return false;
    portName = port;
    Log("listening for OSC on " + remote.LocalAddress() + " (" +
        ClientsText(options.allowedClients) + ")");
    Serve(interruptDescriptor);
    remote.Close();
    link.Disconnect();
    Log("stopped; " + portName + " is closed");
    return true;
}

void CRemoteService::Serve(int interruptDescriptor)
{
    while (!CInterruptGuard::Interrupted()) {
        KeepLinkUp();
        WaitForTraffic(interruptDescriptor);
        HandleSerialMessages();
        ServeClients();
    }
}

void CRemoteService::WaitForTraffic(int interruptDescriptor)
{
    const auto untilDue = (connected ? nextPoll : nextConnect) - Clock::now();
    const auto wait = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(untilDue),
                                 std::chrono::milliseconds(0), WakeInterval);
    pollfd waiting[] = {{remote.Descriptor(), POLLIN, 0}, {interruptDescriptor, POLLIN, 0}};
    ::poll(waiting, std::size(waiting), static_cast<int>(wait.count()));
}

// A hang-up arrives here, between exchanges; the link closes the line when it sees it.
void CRemoteService::HandleSerialMessages()
{
    while (const auto message = queue.Take(std::chrono::milliseconds(0))) {
        if (message->message == CSerialWnd::DefaultMessage())
            link.OnSerialEvent(message->wParam);
    }
}

// Each send is one exchange on the line; what clients sent meanwhile is read before the next,
// so that a streamed value goes out as its newest.
void CRemoteService::ServeClients()
{
    remote.Receive();
    while (remote.HasPendingSends() && !CInterruptGuard::Interrupted()) {
        remote.SendNext();
        for (int round = 0; round < ReceiveRoundLimit && IsReadable(remote.Descriptor()); ++round)
            remote.Receive();
    }
}

void CRemoteService::KeepLinkUp()
{
    if (connected && link.mode == ControlMode::Offline)
        NoteLostLine();
    const auto now = Clock::now();
    if (!connected && now >= nextConnect)
        Connect();
    else if (connected && now >= nextPoll)
        Poll();
}

void CRemoteService::Connect()
{
    const std::string failure = OpenLink();
    // From the end of the attempt: a silent port takes seconds to give up on, and the clients
    // are served in between.
    nextConnect = Clock::now() + ReconnectInterval;
    if (CInterruptGuard::Interrupted())
        return;
    if (!failure.empty()) {
        // Logged once: the service keeps trying, and the journal would fill with the same line.
        if (failure != lastConnectFailure)
            Log("unable to connect to Sonavire: " + failure + "; trying again every 2 s");
        lastConnectFailure = failure;
        return;
    }
    connected = true;
    lastConnectFailure.clear();
    if (link.mode == ControlMode::Live)
        link.QueryVersion();
    Log("connected to Sonavire on " + portName + " (" +
        (link.mode == ControlMode::Live ? "version " + link.versionText : "firmware-update mode") +
        ")");
    if (link.mode == ControlMode::Live)
        ReadDevice();
    nextPoll = Clock::now() + PollInterval;
    remote.Publish();
}

// Opens the port and asks the device's mode; why it is not there, or empty when it is.
std::string CRemoteService::OpenLink()
{
    if (!link.Connect(portName))
        return link.ConnectFailure();
    link.TakeFailure();
    link.QueryMode();
    if (link.mode != ControlMode::Offline)
        return {};
    // A device that named itself but gave no mode is not one to serve.
    const std::string failure = link.TakeFailure();
    link.Disconnect();
    return "no mode from the device on " + portName + " (" + failure + ")";
}

void CRemoteService::ReadDevice()
{
    const std::string failure = ReadAll(link, settings, AfterReadFailure::Stop);
    if (!failure.empty() && !CInterruptGuard::Interrupted())
        Log("unable to read Sonavire's settings: " + failure);
}

// As the panel's timer does it: what clients set goes out before values are read back.
void CRemoteService::Poll()
{
    nextPoll = Clock::now() + PollInterval;
    remote.SendAll();
    const LiveChanges changes = PollLive(link, settings);
    // Back from firmware-update mode, the device may hold anything.
    if (changes.mode && link.mode == ControlMode::Live)
        ReadDevice();
    remote.Publish();
}

void CRemoteService::NoteLostLine()
{
    connected = false;
    nextConnect = Clock::now() + ReconnectInterval;
    remote.Publish();
    if (!CInterruptGuard::Interrupted())
        Log("Lost Connection with Sonavire; reconnecting every 2 s");
}

std::string CRemoteService::NotLiveReason() const
{
    return link.mode == ControlMode::FirmwareUpdate ? "Sonavire is in firmware-update mode"
                                                    : "Sonavire is not connected";
}

void CRemoteService::ShowRemoteChange(int) {}

std::string CRemoteService::RetrieveForRemote()
{
    if (link.mode != ControlMode::Live)
        return NotLiveReason();
    return ReadAll(link, settings, AfterReadFailure::Stop);
}

std::string CRemoteService::StoreForRemote()
{
    if (link.mode != ControlMode::Live)
        return NotLiveReason();
    return link.StoreSettings() ? std::string() : "the store was not acknowledged";
}

bool CRemoteService::KeepsOfflineEdits() const
{
    return false;
}

void CRemoteService::LogRemote(const std::string& line)
{
    Log(line);
}

void CRemoteService::Log(const std::string& line)
{
    err << "serve: " << line << std::endl;
}
