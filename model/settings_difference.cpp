#include "model/settings_difference.h"

#include <algorithm>

#include "model/number_format.h"

namespace {

// The decimals a settings file writes its numbers with.
constexpr int FileDecimals = 2;

// "-0.00" (a small negative value, or minus zero) is the setting 0.00.
std::string FileNumber(double value)
{
    std::string text = FormatFixed(value, FileDecimals);
    if (text.starts_with('-') &&
        std::all_of(text.begin() + 1, text.end(), [](char c) { return c == '0' || c == '.'; }))
        text.erase(0, 1);
    return text;
}

struct Field
{
    const char* name;
    std::string (*text)(const StripSettings&);
    bool onMaster;
};

// The locks are left out: the device holds none, so they could never be compared with it.
// The master's filter is never saved or sent.
constexpr Field Fields[] = {
    {"filter", [](const StripSettings& s) { return std::string(FilterTypeToken(s.filter)); },
     false},
    {"frequency", [](const StripSettings& s) { return FileNumber(s.freq); }, true},
    {"Q", [](const StripSettings& s) { return FileNumber(s.q); }, true},
    {"gain", [](const StripSettings& s) { return FileNumber(s.gain); }, true},
};

} // namespace

std::vector<StripDifference> CompareSettings(const PanelSettings& a, const PanelSettings& b)
{
    std::vector<StripDifference> differences;
    for (int strip = 0; strip < StripCount; ++strip) {
        for (const Field& field : Fields) {
            if (strip == MasterStrip && !field.onMaster)
                continue;
            std::string first = field.text(a[strip]);
            std::string second = field.text(b[strip]);
            if (first != second)
                differences.push_back({strip, field.name, std::move(first), std::move(second)});
        }
    }
    return differences;
}
