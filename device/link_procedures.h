#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "model/strip_settings.h"

// The exchanges the panel and the command-line tool both make in the same order, written
// once so that the two cannot drift apart on the wire.

// What a read-all does after a query or read that failed without dropping the line.
enum class AfterReadFailure
{
    Stop,
    GoOn,
};

// Reads the front-panel state, then every channel's gain, filter type, frequency and Q, in that
// order. Returns the first failure in plain words (as CDeviceLink::TakeFailure words it), empty
// when every one was answered. With Stop it ends at the first failure (the CLI's behaviour);
// with GoOn it makes every read (the panel's behaviour).
std::string ReadAll(CDeviceLink& link, PanelSettings& settings, AfterReadFailure after);

// Sends the sixteen channels (SetChannel each); returns the indexes the device did not
// acknowledge, in order. goOn, when given, is asked before each channel; a false ends the
// download there (the CLI's interrupt).
std::vector<int> DownloadChannels(CDeviceLink& link, const PanelSettings& settings,
                                  const std::function<bool()>& goOn = {});

// What one round of the live poll changed.
struct LiveChanges
{
    bool mode = false;
    bool version = false;
    bool frontPanel = false;
    std::array<bool, ChannelCount> gains{};

    bool AnyGain() const;
};

// One round of the poll: the mode; then, when live, the version, the front panel and (when the
// front panel is not locked) the gain list.
LiveChanges PollLive(CDeviceLink& link, PanelSettings& settings);
