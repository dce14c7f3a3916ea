#include "remote/remote_control.h"

#include <algorithm>
#include <chrono>

#include "model/filter_type.h"
#include "model/number_format.h"
#include "model/value_scale.h"

namespace {

// A client streaming a fader sends far more datagrams than the line takes values; the socket
// is emptied between two exchanges, so that the next send takes the newest. The limit only
// keeps a client that never pauses from holding the owner's loop.
constexpr auto ReceiveTimeLimit = std::chrono::milliseconds(10);

struct FieldRule
{
    RemoteField field;
    double StripSettings::*value;
    bool StripSettings::*lock;
    const ValueScale* scale;
};
constexpr FieldRule FieldRules[] = {
    {RemoteField::Frequency, &StripSettings::freq, nullptr, &FrequencyScale},
    {RemoteField::Q, &StripSettings::q, nullptr, &QScale},
    {RemoteField::Gain, &StripSettings::gain, nullptr, &GainScale},
    {RemoteField::Filter, nullptr, nullptr, nullptr},
    {RemoteField::FrequencyLock, nullptr, &StripSettings::freqLock, nullptr},
    {RemoteField::QLock, nullptr, &StripSettings::qLock, nullptr},
    {RemoteField::GainLock, nullptr, &StripSettings::gainLock, nullptr},
};

const FieldRule& RuleOf(RemoteField field)
{
    return *std::find_if(std::begin(FieldRules), std::end(FieldRules),
                         [field](const FieldRule& rule) { return rule.field == field; });
}

// The lock through which a channel follows the master's value of this field.
bool StripSettings::*MasterLockOf(RemoteField field)
{
    switch (field) {
    case RemoteField::Frequency:
        return &StripSettings::freqLock;
    case RemoteField::Q:
        return &StripSettings::qLock;
    default:
        return &StripSettings::gainLock;
    }
}

// What a value message must carry, for the error that names what it carried instead.
std::string ExpectedArgument(RemoteField field)
{
    const FieldRule& rule = RuleOf(field);
    if (rule.scale)
        return "one number from " + ShortNumber(rule.scale->valueAtMin) + " to " +
               ShortNumber(rule.scale->valueAtMax);
    if (rule.lock)
        return "0 or 1";
    return "one filter: BP, FL, HP, LP, NO, TO (or band, flat, high, low, notch, tone)";
}

bool IsAcceptable(RemoteField field, const OscArgument& argument)
{
    const FieldRule& rule = RuleOf(field);
    if (rule.scale)
        return argument.IsNumber() && rule.scale->Holds(argument.number);
    if (rule.lock)
        return argument.IsNumber() && (argument.number == 0 || argument.number == 1);
    return argument.IsText() && ParseFilterTypeWord(argument.text).has_value();
}

OscMessage ValueMessage(int strip, RemoteField field, const StripSettings& values)
{
    const FieldRule& rule = RuleOf(field);
    const std::string path = RemoteValuePath(strip, field);
    if (rule.value)
        return {path, {OscNumber(static_cast<float>(values.*rule.value))}};
    if (rule.lock)
        return {path, {OscInteger(values.*rule.lock ? 1 : 0)}};
    return {path, {OscText(std::string(FilterTypeToken(values.filter)))}};
}

} // namespace

CRemoteControl::CRemoteControl(CDeviceLink& link, PanelSettings& settings, IRemoteHost& host)
    : link(link), settings(settings), host(host)
{}

bool CRemoteControl::Open(const RemoteOptions& options, std::string& error)
{
    Close();
    std::vector<OscEndpoint> clients;
    for (const std::string& client : options.allowedClients) {
        const auto endpoint = ParseOscEndpoint(client, 0, error);
        if (!endpoint) {
            error = "cannot allow " + client + ": " + error;
            return false;
        }
        clients.push_back(*endpoint);
    }
    const auto local = ParseOscEndpoint(options.bindAddress, options.port, error);
    if (!local)
        return false;
    if (!socket.Open(*local, error)) {
        error = "cannot listen on " + local->ToString() + ": " + error;
        return false;
    }
    allowed = std::move(clients);
    published = settings;
    publishedState = CurrentState();
    return true;
}

void CRemoteControl::Close()
{
    socket.Close();
    pending.clear();
    subscribers.clear();
    lastRefused.reset();
}

std::string CRemoteControl::LocalAddress() const
{
    return socket.IsOpen() ? socket.LocalEndpoint().ToString() : std::string();
}

void CRemoteControl::Receive()
{
    if (busy)
        return;
    const auto deadline = std::chrono::steady_clock::now() + ReceiveTimeLimit;
    OscEndpoint from;
    while (std::chrono::steady_clock::now() < deadline && socket.Receive(datagram, from))
        HandleOne(datagram.data(), datagram.size(), from);
    ShowChangedStrips();
    Publish();
}

void CRemoteControl::HandleDatagram(const std::uint8_t* data, std::size_t size,
                                    const OscEndpoint& from)
{
    HandleOne(data, size, from);
    ShowChangedStrips();
    Publish();
}

void CRemoteControl::HandleOne(const std::uint8_t* data, std::size_t size, const OscEndpoint& from)
{
    if (busy || !IsAllowed(from))
        return;
    busy = true;
    for (const OscMessage& message : DecodeOscPacket(data, size))
        Handle(message, from);
    busy = false;
}

// A streamed value moves the owner's controls once a batch, not once a datagram.
void CRemoteControl::ShowChangedStrips()
{
    for (int strip = 0; strip < StripCount; ++strip) {
        if (changedStrips[strip])
            host.ShowRemoteChange(strip);
    }
    changedStrips.fill(false);
}

// A refused client is logged once, not once a packet: a streaming client would fill the log.
bool CRemoteControl::IsAllowed(const OscEndpoint& from)
{
    const bool isAllowed =
        allowed.empty() || std::any_of(allowed.begin(), allowed.end(),
                                       [&](const OscEndpoint& e) { return e.SameHost(from); });
    if (!isAllowed && !(lastRefused && lastRefused->SameHost(from))) {
        host.LogRemote("ignoring " + from.Host() + ": not an allowed client");
        lastRefused = from;
    }
    return isAllowed;
}

void CRemoteControl::Handle(const OscMessage& message, const OscEndpoint& from)
{
    const auto address = ParseRemoteAddress(message.path);
    if (!address)
        return ReplyError(from, message.path, "unknown address");
    switch (address->request) {
    case RemoteRequest::Value:
        return HandleValue(*address, message, from);
    case RemoteRequest::Subscribe:
    case RemoteRequest::Unsubscribe:
        return HandleSubscription(*address, message, from);
    case RemoteRequest::State:
        if (!message.arguments.empty())
            return ReplyError(from, message.path, "takes no arguments");
        return SendTo(StateMessage(), from);
    case RemoteRequest::Retrieve:
    case RemoteRequest::Store:
        if (!message.arguments.empty())
            return ReplyError(from, message.path, "takes no arguments");
        if (link.programming)
            return ReplyError(from, message.path, "a firmware image is being sent");
        // Whatever a client set before is on the device before it is read back or stored.
        while (!pending.empty())
            SendPending();
        return HandleExchange(address->request == RemoteRequest::Retrieve ? host.RetrieveForRemote()
                                                                          : host.StoreForRemote(),
                              message, from);
    }
}

void CRemoteControl::HandleExchange(const std::string& failure, const OscMessage& message,
                                    const OscEndpoint& from)
{
    if (!failure.empty())
        return ReplyError(from, message.path, failure);
    SendTo({message.path, {OscInteger(1)}}, from);
}

void CRemoteControl::HandleValue(const RemoteAddress& address, const OscMessage& message,
                                 const OscEndpoint& from)
{
    if (message.arguments.empty())
        return SendTo(ValueMessage(address.strip, address.field, settings[address.strip]), from);
    if (message.arguments.size() != 1 || !IsAcceptable(address.field, message.arguments[0]))
        return ReplyError(from, message.path, "takes " + ExpectedArgument(address.field));
    const std::string refusal = SetValue(address.strip, address.field, message.arguments[0], from);
    if (!refusal.empty())
        ReplyError(from, message.path, refusal);
}

void CRemoteControl::HandleSubscription(const RemoteAddress& address, const OscMessage& message,
                                        const OscEndpoint& from)
{
    const bool hasPort =
        message.arguments.size() == 1 && message.arguments[0].IsNumber() &&
        message.arguments[0].number >= 1 && message.arguments[0].number <= 65535 &&
        message.arguments[0].number == static_cast<int>(message.arguments[0].number);
    if (!message.arguments.empty() && !hasPort)
        return ReplyError(from, message.path, "takes no arguments or a port from 1 to 65535");
    const OscEndpoint subscriber =
        hasPort ? from.WithPort(static_cast<int>(message.arguments[0].number)) : from;
    const auto known = std::find(subscribers.begin(), subscribers.end(), subscriber);
    if (address.request == RemoteRequest::Unsubscribe) {
        if (known != subscribers.end())
            subscribers.erase(known);
        return;
    }
    if (known == subscribers.end()) {
        if (subscribers.size() >= SubscriberLimit)
            return ReplyError(from, message.path, "too many subscribers");
        subscribers.push_back(subscriber);
    }
    // A new subscriber starts from the whole picture, then hears of changes.
    SendSnapshot(subscriber);
}

// Why the device cannot take a value now; empty when it can. Locks are the panel's own and are
// never refused.
std::string CRemoteControl::RefusalOf(RemoteField field) const
{
    if (RuleOf(field).lock)
        return {};
    if (link.programming)
        return "a firmware image is being sent";
    if (link.mode == ControlMode::FirmwareUpdate)
        return "Sonavire is in firmware-update mode";
    if (link.mode == ControlMode::Offline && !host.KeepsOfflineEdits())
        return "Sonavire is not connected";
    if (field == RemoteField::Gain && link.FrontPanelHasVolume())
        return "Sonavire's front panel has the volume";
    return {};
}

std::string CRemoteControl::SetValue(int strip, RemoteField field, const OscArgument& value,
                                     const OscEndpoint& from)
{
    if (std::string refusal = RefusalOf(field); !refusal.empty())
        return refusal;
    ApplyValue(strip, field, value);
    if (strip != MasterStrip) {
        QueueSend(strip, field, from);
        return {};
    }
    // The master moves every channel locked to it and never sends its own value, as on the
    // panel.
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (!(settings[channel].*MasterLockOf(field)))
            continue;
        ApplyValue(channel, field, value);
        QueueSend(channel, field, from);
    }
    return {};
}

void CRemoteControl::ApplyValue(int strip, RemoteField field, const OscArgument& value)
{
    changedStrips[strip] = true;
    const FieldRule& rule = RuleOf(field);
    StripSettings& target = settings[strip];
    if (rule.value)
        target.*rule.value = value.number;
    else if (rule.lock)
        target.*rule.lock = value.number != 0;
    else
        target.filter = *ParseFilterTypeWord(value.text);
}

void CRemoteControl::QueueSend(int channel, RemoteField field, const OscEndpoint& origin)
{
    if (RuleOf(field).lock || link.mode != ControlMode::Live)
        return;
    const auto queued = std::find_if(pending.begin(), pending.end(), [&](const PendingSend& send) {
        return send.channel == channel && send.field == field;
    });
    if (queued != pending.end())
        queued->origin = origin;
    else
        pending.push_back({channel, field, origin});
}

void CRemoteControl::SendNext()
{
    if (busy || pending.empty())
        return;
    busy = true;
    SendPending();
    busy = false;
}

void CRemoteControl::SendAll()
{
    if (busy)
        return;
    busy = true;
    while (!pending.empty())
        SendPending();
    busy = false;
}

void CRemoteControl::SendPending()
{
    if (link.mode != ControlMode::Live || link.programming) {
        pending.clear();
        return;
    }
    const PendingSend send = pending.front();
    pending.pop_front();
    if (!SendValue(send))
        ReplyError(send.origin, RemoteValuePath(send.channel, send.field),
                   "Sonavire did not acknowledge the change");
}

bool CRemoteControl::SendValue(const PendingSend& send)
{
    const StripSettings& strip = settings[send.channel];
    switch (send.field) {
    case RemoteField::Frequency:
        return link.SetFrequency(send.channel, strip.freq);
    case RemoteField::Q:
        return link.SetQ(send.channel, strip.q);
    case RemoteField::Gain:
        return link.SetGain(send.channel, strip.gain);
    case RemoteField::Filter:
        return link.SetFilterType(send.channel, strip.filter);
    default:
        return true;
    }
}

void CRemoteControl::Publish()
{
    if (!socket.IsOpen())
        return;
    const LinkState state = CurrentState();
    if (state != publishedState)
        SendToSubscribers(StateMessage());
    for (int strip = 0; strip < StripCount; ++strip) {
        if (settings[strip] == published[strip])
            continue;
        for (RemoteField field : RemoteFields) {
            if (!HasRemoteField(strip, field))
                continue;
            const OscMessage now = ValueMessage(strip, field, settings[strip]);
            const OscMessage before = ValueMessage(strip, field, published[strip]);
            if (now.arguments != before.arguments)
                SendToSubscribers(now);
        }
    }
    published = settings;
    publishedState = state;
}

CRemoteControl::LinkState CRemoteControl::CurrentState() const
{
    // Offline, the faders are the operator's, as they are while the front panel is locked, and
    // no device has a version.
    const bool connected = link.mode != ControlMode::Offline;
    return {connected, link.mode, !connected || link.frontPanelLocked,
            connected ? link.versionText : std::string()};
}

// Connected (1 or 0), the mode ("offline", "live", "firmware update"), who has the volume
// ("locked": the panel; "active": the device's front panel) and the firmware version.
OscMessage CRemoteControl::StateMessage() const
{
    const LinkState state = CurrentState();
    return {RemoteStatePath,
            {OscInteger(state.connected ? 1 : 0), OscText(std::string(ControlModeName(state.mode))),
             OscText(state.frontPanelLocked ? "locked" : "active"), OscText(state.version)}};
}

void CRemoteControl::SendSnapshot(const OscEndpoint& to)
{
    SendTo(StateMessage(), to);
    for (int strip = 0; strip < StripCount; ++strip) {
        for (RemoteField field : RemoteFields) {
            if (HasRemoteField(strip, field))
                SendTo(ValueMessage(strip, field, settings[strip]), to);
        }
    }
}

void CRemoteControl::SendTo(const OscMessage& message, const OscEndpoint& to)
{
    socket.Send(EncodeOscMessage(message), to);
}

void CRemoteControl::SendToSubscribers(const OscMessage& message)
{
    const std::vector<std::uint8_t> wire = EncodeOscMessage(message);
    for (const OscEndpoint& subscriber : subscribers)
        socket.Send(wire, subscriber);
}

void CRemoteControl::ReplyError(const OscEndpoint& to, const std::string& path,
                                const std::string& reason)
{
    SendTo({RemoteErrorPath, {OscText(path), OscText(reason)}}, to);
}
