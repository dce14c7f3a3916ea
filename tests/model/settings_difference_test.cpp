#include <gtest/gtest.h>

#include "model/settings_difference.h"

namespace {

std::string Listed(const std::vector<StripDifference>& differences)
{
    std::string text;
    for (const StripDifference& difference : differences)
        text += StripName(difference.strip) + " " + difference.field + ": " + difference.a +
                " -> " + difference.b + "\n";
    return text;
}

// Each case changes default settings; the list compares the defaults with the changed ones.
TEST(SettingsDifference, ListsWhatAFileWouldWriteDifferently)
{
    struct Case
    {
        const char* name;
        void (*change)(PanelSettings&);
        const char* listed;
    };
    const Case cases[] = {
        {"nothing", [](PanelSettings&) {}, ""},
        {"frequency and gain of one channel",
         [](PanelSettings& s) {
             s[2].freq = 1250;
             s[2].gain = 2.5;
         },
         "Channel 3 frequency: 1000.00 -> 1250.00\nChannel 3 gain: 0.00 -> 2.50\n"},
        {"strips in order, then filter, frequency, Q, gain",
         [](PanelSettings& s) {
             s[MasterStrip].q = 2;
             s[15].gain = 9.9;
             s[15].filter = FilterType::High;
             s[0].q = 0.15;
         },
         "Channel 1 Q: 0.71 -> 0.15\nChannel 16 filter: FL -> HP\nChannel 16 gain: 0.00 -> 9.90\n"
         "Master Q: 0.71 -> 2.00\n"},
        {"values a file writes alike",
         [](PanelSettings& s) {
             s[4].freq = 1000.004;
             s[4].q = 0.7051;
             s[4].gain = -0.001;
             s[MasterStrip].gain = -0.0;
         },
         ""},
        {"a hundredth apart", [](PanelSettings& s) { s[6].gain = 0.006; },
         "Channel 7 gain: 0.00 -> 0.01\n"},
        {"locks and the master's filter, which the device does not hold",
         [](PanelSettings& s) {
             s[1].freqLock = s[1].qLock = s[1].gainLock = true;
             s[MasterStrip].filter = FilterType::Low;
         },
         ""},
    };
    for (const Case& c : cases) {
        PanelSettings changed{};
        c.change(changed);
        EXPECT_EQ(Listed(CompareSettings(PanelSettings{}, changed)), c.listed) << c.name;
    }
}

} // namespace
