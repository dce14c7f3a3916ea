#pragma once

#include <array>
#include <string>

#include "model/filter_type.h"

inline constexpr int ChannelCount = 16;
inline constexpr int StripCount = 17;
inline constexpr int MasterStrip = 16;

// One strip. The master uses freq, q and gain only; its filter and locks keep their
// defaults and are never shown, saved or sent.
struct StripSettings
{
    double freq = 1000.0;
    double q = 0.707;
    double gain = 0.0;
    FilterType filter = FilterType::Flat;
    bool freqLock = false;
    bool qLock = false;
    bool gainLock = false;

    bool operator==(const StripSettings&) const = default;
};

// Index 0..15 are channels 1..16, index 16 is the master.
using PanelSettings = std::array<StripSettings, StripCount>;

// The one-based number under which a channel is shown, saved and sent.
constexpr int ChannelNumber(int index)
{
    return index + 1;
}

// "Channel 3" or "Master", as the operator reads a strip's name.
inline std::string StripName(int strip)
{
    return strip == MasterStrip ? "Master" : "Channel " + std::to_string(ChannelNumber(strip));
}
