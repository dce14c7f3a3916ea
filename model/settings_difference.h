#pragma once

#include <string>
#include <vector>

#include "model/strip_settings.h"

// One value of one strip that two sets of settings hold differently, as a settings file
// writes it.
struct StripDifference
{
    // 0..15 for channels 1..16, MasterStrip for the master.
    int strip;
    // "filter", "frequency", "Q" or "gain".
    std::string field;
    std::string a;
    std::string b;
};

// Every value that differs between a and b, in strip order and, within a strip, in the order
// filter, frequency, Q, gain. Values compare as the settings file writes them, so two values
// that a file would write alike are equal.
std::vector<StripDifference> CompareSettings(const PanelSettings& a, const PanelSettings& b);
