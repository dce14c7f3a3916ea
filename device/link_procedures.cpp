#include "device/link_procedures.h"

#include <algorithm>

namespace {

using Read = void (*)(CDeviceLink&, PanelSettings&);

// The reads of a read-all, in the order the device is asked.
constexpr Read Reads[] = {
    [](CDeviceLink& link, PanelSettings&) { link.QueryFrontPanel(); },
    [](CDeviceLink& link, PanelSettings& settings) { link.ReadGains(settings); },
    [](CDeviceLink& link, PanelSettings& settings) { link.ReadFilterTypes(settings); },
    [](CDeviceLink& link, PanelSettings& settings) { link.ReadFrequencies(settings); },
    [](CDeviceLink& link, PanelSettings& settings) { link.ReadQs(settings); },
};

bool QueryVersionChange(CDeviceLink& link)
{
    const std::string before = link.versionText;
    link.QueryVersion();
    return link.versionText != before;
}

std::array<bool, ChannelCount> ReadGainChanges(CDeviceLink& link, PanelSettings& settings)
{
    const PanelSettings before = settings;
    std::array<bool, ChannelCount> changed{};
    if (!link.ReadGains(settings))
        return changed;
    for (int index = 0; index < ChannelCount; ++index)
        changed[index] = settings[index].gain != before[index].gain;
    return changed;
}

} // namespace

std::string ReadAll(CDeviceLink& link, PanelSettings& settings, AfterReadFailure after)
{
    // A failure left from an earlier exchange is not this read's.
    link.TakeFailure();
    for (const Read read : Reads) {
        read(link, settings);
        if (after == AfterReadFailure::Stop && link.HasFailure())
            break;
    }
    return link.TakeFailure();
}

std::vector<int> DownloadChannels(CDeviceLink& link, const PanelSettings& settings,
                                  const std::function<bool()>& goOn)
{
    std::vector<int> unacknowledged;
    for (int index = 0; index < ChannelCount && (!goOn || goOn()); ++index) {
        const StripSettings& strip = settings[index];
        if (!link.SetChannel(index, strip.filter, strip.freq, strip.q, strip.gain))
            unacknowledged.push_back(index);
    }
    return unacknowledged;
}

bool LiveChanges::AnyGain() const
{
    return std::find(gains.begin(), gains.end(), true) != gains.end();
}

LiveChanges PollLive(CDeviceLink& link, PanelSettings& settings)
{
    LiveChanges changes;
    changes.mode = link.QueryMode();
    if (link.mode != ControlMode::Live)
        return changes;
    changes.version = QueryVersionChange(link);
    changes.frontPanel = link.QueryFrontPanel();
    if (!link.frontPanelLocked)
        changes.gains = ReadGainChanges(link, settings);
    return changes;
}
