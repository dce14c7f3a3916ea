#include "remote/remote_address.h"

#include <charconv>

#include "model/strip_settings.h"

namespace {

constexpr std::string_view Root = "/sonavire/";
constexpr std::string_view ChannelPrefix = "channel/";
constexpr std::string_view MasterPrefix = "master/";

struct FieldName
{
    RemoteField field;
    std::string_view name;
};
constexpr FieldName FieldNames[] = {
    {RemoteField::Frequency, "freq"},
    {RemoteField::Q, "q"},
    {RemoteField::Gain, "gain"},
    {RemoteField::Filter, "filter"},
    {RemoteField::FrequencyLock, "lock/freq"},
    {RemoteField::QLock, "lock/q"},
    {RemoteField::GainLock, "lock/gain"},
};

struct RequestName
{
    RemoteRequest request;
    std::string_view name;
};
constexpr RequestName RequestNames[] = {
    {RemoteRequest::Retrieve, "retrieve"},
    {RemoteRequest::Store, "store"},
    {RemoteRequest::State, "state"},
    {RemoteRequest::Subscribe, "subscribe"},
    {RemoteRequest::Unsubscribe, "unsubscribe"},
};

std::optional<RemoteField> ParseField(std::string_view name)
{
    for (const FieldName& entry : FieldNames) {
        if (entry.name == name)
            return entry.field;
    }
    return std::nullopt;
}

// A channel number as a client writes it: 1 to 16, digits only, no leading zero.
std::optional<int> ParseChannelNumber(std::string_view text)
{
    int number = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, number);
    if (text.empty() || text.front() == '0' || result.ec != std::errc() || result.ptr != end ||
        number < 1 || number > ChannelCount)
        return std::nullopt;
    return number - 1;
}

std::optional<RemoteAddress> ParseValue(int strip, std::string_view fieldName)
{
    const auto field = ParseField(fieldName);
    if (!field || !HasRemoteField(strip, *field))
        return std::nullopt;
    return RemoteAddress{RemoteRequest::Value, strip, *field};
}

} // namespace

bool HasRemoteField(int strip, RemoteField field)
{
    return strip != MasterStrip || field == RemoteField::Frequency || field == RemoteField::Q ||
           field == RemoteField::Gain;
}

std::optional<RemoteAddress> ParseRemoteAddress(std::string_view path)
{
    if (!path.starts_with(Root))
        return std::nullopt;
    path.remove_prefix(Root.size());
    for (const RequestName& entry : RequestNames) {
        if (entry.name == path)
            return RemoteAddress{entry.request, 0, RemoteField::Frequency};
    }
    if (path.starts_with(MasterPrefix))
        return ParseValue(MasterStrip, path.substr(MasterPrefix.size()));
    if (!path.starts_with(ChannelPrefix))
        return std::nullopt;
    path.remove_prefix(ChannelPrefix.size());
    const auto slash = path.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const auto channel = ParseChannelNumber(path.substr(0, slash));
    if (!channel)
        return std::nullopt;
    return ParseValue(*channel, path.substr(slash + 1));
}

std::string RemoteValuePath(int strip, RemoteField field)
{
    std::string path(Root);
    if (strip == MasterStrip)
        path += MasterPrefix;
    else
        path += std::string(ChannelPrefix) + std::to_string(ChannelNumber(strip)) + "/";
    for (const FieldName& entry : FieldNames) {
        if (entry.field == field)
            path += entry.name;
    }
    return path;
}
