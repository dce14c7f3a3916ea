#include "emulator/control_language.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "emulator/emulated_device.h"
#include "model/strip_settings.h"

namespace {

constexpr std::string_view Blanks = " \t\r\n";
constexpr char PrefixMark = '*';

struct NamedFault
{
    Fault fault;
    std::string_view name;
};
constexpr NamedFault FaultNames[] = {
    {Fault::None, "none"},      {Fault::Silence, "silence"}, {Fault::Garbage, "garbage"},
    {Fault::Refusal, "refuse"}, {Fault::Trickle, "trickle"}, {Fault::Flood, "flood"},
    {Fault::HangUp, "hangup"},
};

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

// Takes the next word off the front of rest.
std::string_view TakeWord(std::string_view& rest)
{
    rest = Trimmed(rest);
    const auto end = std::min(rest.find_first_of(Blanks), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

template <typename Number>
std::optional<Number> ParseWord(std::string_view word)
{
    Number value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    return value;
}

std::optional<int> Count(std::string_view word)
{
    const auto count = ParseWord<int>(word);
    return count && *count >= 0 ? count : std::nullopt;
}

std::optional<Fault> FaultNamed(std::string_view name)
{
    for (const NamedFault& entry : FaultNames) {
        if (entry.name == name)
            return entry.fault;
    }
    return std::nullopt;
}

bool Ok(std::string& reply)
{
    reply = "ok";
    return true;
}

bool Fail(std::string& reply, std::string_view why)
{
    reply = "error: " + std::string(why);
    return false;
}

// One of two words, as true or false; nothing may follow it.
std::optional<bool> Choice(std::string_view rest, std::string_view yes, std::string_view no)
{
    const std::string_view word = TakeWord(rest);
    if (!Trimmed(rest).empty())
        return std::nullopt;
    if (word == yes)
        return true;
    if (word == no)
        return false;
    return std::nullopt;
}

bool SetMode(CEmulatedDevice& device, std::string_view rest, std::string& reply)
{
    const auto update = Choice(rest, "update", "normal");
    if (!update)
        return Fail(reply, "usage: mode update|normal");
    device.SetUpdateMode(*update);
    return Ok(reply);
}

bool SetFrontPanel(CEmulatedDevice& device, std::string_view rest, std::string& reply)
{
    const auto active = Choice(rest, "active", "locked");
    if (!active)
        return Fail(reply, "usage: frontpanel active|locked");
    device.SetFrontPanelActive(*active);
    return Ok(reply);
}

bool TurnVolume(CEmulatedDevice& device, std::string_view rest, std::string& reply)
{
    const auto channel = ParseWord<int>(TakeWord(rest));
    const auto gain = ParseWord<double>(TakeWord(rest));
    if (!channel || !gain || !Trimmed(rest).empty() || *channel < ChannelNumber(0) ||
        *channel > ChannelNumber(ChannelCount - 1))
        return Fail(reply, "usage: volume CH VALUE, CH from 1 to 16");
    if (!device.SetFrontPanelVolume(*channel - ChannelNumber(0), *gain))
        return Fail(reply, "the front panel is locked");
    return Ok(reply);
}

std::optional<FaultTrigger> Trigger(std::string_view rest)
{
    const std::string_view word = TakeWord(rest);
    if (word.empty())
        return FaultTrigger::AtOnce();
    if (word == "after") {
        const auto count = Count(TakeWord(rest));
        if (!count || !Trimmed(rest).empty())
            return std::nullopt;
        return FaultTrigger::AfterCommands(*count);
    }
    const std::string_view text = Trimmed(rest);
    if (word != "at" || text.empty())
        return std::nullopt;
    if (text.size() > 1 && text.ends_with(PrefixMark))
        return FaultTrigger::AtCommandPrefix(std::string(text.substr(0, text.size() - 1)));
    return FaultTrigger::AtCommand(std::string(text));
}

bool StartFault(CEmulatedDevice& device, std::string_view rest, std::string& reply)
{
    constexpr std::string_view Usage =
        "usage: fault silence|garbage|refuse|trickle [MS]|flood|hangup|none "
        "[after N | at TEXT]";
    const auto fault = FaultNamed(TakeWord(rest));
    if (!fault)
        return Fail(reply, Usage);
    std::optional<int> delay;
    if (*fault == Fault::Trickle) {
        std::string_view afterDelay = rest;
        delay = Count(TakeWord(afterDelay));
        if (delay)
            rest = afterDelay;
    }
    const auto trigger = Trigger(rest);
    if (!trigger)
        return Fail(reply, Usage);
    if (delay)
        device.SetTrickleDelay(std::chrono::milliseconds(*delay));
    device.InjectFault(*fault, *trigger);
    return Ok(reply);
}

bool AbortAfter(CEmulatedDevice& device, std::string_view rest, std::string& reply)
{
    const auto pages = Count(TakeWord(rest));
    if (!pages || !Trimmed(rest).empty())
        return Fail(reply, "usage: abort-after N");
    device.AbortTransferAfterPages(*pages);
    return Ok(reply);
}

bool ClearFaults(CEmulatedDevice& device, std::string_view rest, std::string& reply)
{
    if (!Trimmed(rest).empty())
        return Fail(reply, "usage: clear");
    device.ClearFaults();
    return Ok(reply);
}

std::string_view TransferState(const CEmulatedDevice& device)
{
    if (device.TransferRunning())
        return "running";
    return device.TransferComplete() ? "complete" : "idle";
}

bool ReportStatus(CEmulatedDevice& device, std::string_view rest, std::string& reply)
{
    if (!Trimmed(rest).empty())
        return Fail(reply, "usage: status");
    reply = "ok mode=" + std::string(device.UpdateMode() ? "update" : "normal") +
            " frontpanel=" + (device.FrontPanelActive() ? "active" : "locked") +
            " fault=" + std::string(FaultName(device.ActiveFault())) +
            " pending=" + std::string(FaultName(device.PendingFault())) +
            " line=" + (device.LineUp() ? "up" : "down") +
            " lines=" + std::to_string(device.ReceivedLineCount()) +
            " pages=" + std::to_string(device.PagesReceived()) +
            " transfer=" + std::string(TransferState(device));
    return true;
}

using Verb = bool (*)(CEmulatedDevice&, std::string_view rest, std::string& reply);

struct NamedVerb
{
    std::string_view name;
    Verb verb;
};
constexpr NamedVerb Verbs[] = {
    {"mode", &SetMode},        {"frontpanel", &SetFrontPanel}, {"volume", &TurnVolume},
    {"fault", &StartFault},    {"abort-after", &AbortAfter},   {"clear", &ClearFaults},
    {"status", &ReportStatus},
};

} // namespace

bool RunControlLine(CEmulatedDevice& device, std::string_view line, std::string& reply)
{
    const std::string_view name = TakeWord(line);
    for (const NamedVerb& entry : Verbs) {
        if (entry.name == name)
            return entry.verb(device, line, reply);
    }
    return Fail(reply, "unknown command '" + std::string(name) + "'");
}

std::string_view FaultName(Fault fault)
{
    for (const NamedFault& entry : FaultNames) {
        if (entry.fault == fault)
            return entry.name;
    }
    return {};
}
