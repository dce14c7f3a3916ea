#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "model/strip_settings.h"
#include "remote/osc_endpoint.h"
#include "remote/osc_message.h"
#include "remote/osc_socket.h"
#include "remote/remote_address.h"
#include "remote/remote_host.h"

struct RemoteOptions
{
    std::string bindAddress = "127.0.0.1";
    int port = 0;
    // Numeric addresses of the clients that may send; empty lets every client in.
    std::vector<std::string> allowedClients;
};

// Steers the panel's settings and device over OSC (the address space is in remote_address.h).
// It runs on the thread that owns the link: the owner waits on Descriptor() and calls Receive(),
// sends what clients set with SendNext() while HasPendingSends(), and calls Publish() after
// anything that may have changed the settings or the link's state.
//
// A client that streams a value faster than the 38400-baud line can take it never queues work:
// each value of each channel has at most one pending send, and the send takes the newest value
// when its turn comes.
class CRemoteControl
{
public:
    // More than a show needs; each one costs a datagram per change.
    static constexpr std::size_t SubscriberLimit = 32;

    CRemoteControl(CDeviceLink& link, PanelSettings& settings, IRemoteHost& host);

    bool Open(const RemoteOptions& options, std::string& error);
    void Close();
    bool IsOpen() const { return socket.IsOpen(); }
    int Descriptor() const { return socket.Descriptor(); }
    // Where clients send to, such as "127.0.0.1:9000".
    std::string LocalAddress() const;

    // Handles the datagrams waiting on the socket, shows the strips they changed and publishes.
    void Receive();
    // One datagram from one client, as Receive handles a batch of them.
    void HandleDatagram(const std::uint8_t* data, std::size_t size, const OscEndpoint& from);

    bool HasPendingSends() const { return !pending.empty(); }
    // One exchange: the oldest pending value, as it stands now.
    void SendNext();
    // Everything pending, before the owner reads values back from the device.
    void SendAll();

    // Tells every subscriber each value and state that changed since the last time.
    void Publish();
    std::size_t SubscriberCount() const { return subscribers.size(); }

private:
    struct LinkState
    {
        bool connected = false;
        ControlMode mode = ControlMode::Offline;
        bool frontPanelLocked = true;
        std::string version;

        bool operator==(const LinkState&) const = default;
    };
    struct PendingSend
    {
        int channel;
        RemoteField field;
        OscEndpoint origin;
    };

    void HandleOne(const std::uint8_t* data, std::size_t size, const OscEndpoint& from);
    void ShowChangedStrips();
    bool IsAllowed(const OscEndpoint& from);
    void Handle(const OscMessage& message, const OscEndpoint& from);
    void HandleValue(const RemoteAddress& address, const OscMessage& message,
                     const OscEndpoint& from);
    void HandleSubscription(const RemoteAddress& address, const OscMessage& message,
                            const OscEndpoint& from);
    void HandleExchange(const std::string& failure, const OscMessage& message,
                        const OscEndpoint& from);
    std::string RefusalOf(RemoteField field) const;
    std::string SetValue(int strip, RemoteField field, const OscArgument& value,
                         const OscEndpoint& from);
    void ApplyValue(int strip, RemoteField field, const OscArgument& value);
    void QueueSend(int channel, RemoteField field, const OscEndpoint& origin);
    // One exchange for the oldest pending value; the caller holds busy.
    void SendPending();
    bool SendValue(const PendingSend& send);

    OscMessage StateMessage() const;
    LinkState CurrentState() const;
    void SendSnapshot(const OscEndpoint& to);
    void SendTo(const OscMessage& message, const OscEndpoint& to);
    void SendToSubscribers(const OscMessage& message);
    void ReplyError(const OscEndpoint& to, const std::string& path, const std::string& reason);

    CDeviceLink& link;
    PanelSettings& settings;
    IRemoteHost& host;
    COscSocket socket;
    std::vector<OscEndpoint> allowed;
    std::optional<OscEndpoint> lastRefused;
    std::deque<PendingSend> pending;
    std::vector<OscEndpoint> subscribers;
    std::array<bool, StripCount> changedStrips{};
    PanelSettings published{};
    LinkState publishedState;
    // Set while a datagram or a send is being handled: the owner's exchanges may run its event
    // loop, and a nested call must not start another exchange in the middle of this one.
    bool busy = false;
    std::vector<std::uint8_t> datagram;
};
