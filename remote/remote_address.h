#pragma once

#include <optional>
#include <string>
#include <string_view>

// The OSC address space of the panel. Every strip value has one address, under which a client
// sets it (with a value), asks for it (without) and hears of its changes (as a subscriber):
//   /sonavire/channel/N/freq, /q, /gain          N is 1 to 16; one number
//   /sonavire/channel/N/filter                   a token ("LP") or a name ("low")
//   /sonavire/channel/N/lock/freq, /q, /gain     0 or 1
//   /sonavire/master/freq, /q, /gain
// and the requests /sonavire/retrieve, /sonavire/store, /sonavire/state, /sonavire/subscribe
// and /sonavire/unsubscribe.
enum class RemoteRequest
{
    Value,
    Retrieve,
    Store,
    State,
    Subscribe,
    Unsubscribe,
};

enum class RemoteField
{
    Frequency,
    Q,
    Gain,
    Filter,
    FrequencyLock,
    QLock,
    GainLock,
};

inline constexpr RemoteField RemoteFields[] = {
    RemoteField::Frequency,     RemoteField::Q,     RemoteField::Gain,     RemoteField::Filter,
    RemoteField::FrequencyLock, RemoteField::QLock, RemoteField::GainLock,
};

struct RemoteAddress
{
    RemoteRequest request = RemoteRequest::Value;
    // For a value: the strip (the master is MasterStrip) and its field.
    int strip = 0;
    RemoteField field = RemoteField::Frequency;
};

// Where errors go back to the client, with the address that caused them and why.
inline constexpr const char* RemoteErrorPath = "/sonavire/error";
inline constexpr const char* RemoteStatePath = "/sonavire/state";

// The address of a path; nothing for a path outside the address space (the master has no
// filter and no locks).
std::optional<RemoteAddress> ParseRemoteAddress(std::string_view path);

// The path of one strip value, as ParseRemoteAddress reads it.
std::string RemoteValuePath(int strip, RemoteField field);

bool HasRemoteField(int strip, RemoteField field);
