// Settings files: any text read over the default panel, then used the way the panel uses a
// loaded file (slider positions, read-outs, device commands, saving it again).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/command_set.h"
#include "fuzz/require.h"
#include "model/value_labels.h"
#include "model/value_scale.h"
#include "storage/settings_file.h"

namespace {

// Values this small are saved whole with their two decimals, so saving and loading keeps them.
constexpr double LargestKeptValue = 1e9;
constexpr double SavedRounding = 0.005 * (1 + 1e-9);

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }) != text.end();
}

std::string SectionName(int index)
{
    return index == MasterStrip ? "MASTER" : "CHANNEL" + std::to_string(ChannelNumber(index));
}

// A value that is not its default came from the file, under its section and key.
void CheckNumber(std::string_view text, int index, double value, double fallback, const char* key)
{
    Require(!std::isnan(value), "a number read is never NaN");
    if (value != fallback)
        Require(ContainsIgnoringCase(text, SectionName(index)) && ContainsIgnoringCase(text, key),
                "a number read comes from its section and key");
}

void CheckStrip(std::string_view text, int index, const StripSettings& strip)
{
    CheckNumber(text, index, strip.freq, 1000.0, "Freq");
    CheckNumber(text, index, strip.q, 0.71, "Q");
    CheckNumber(text, index, strip.gain, 0.0, "Gain");
    Require(IsFilterType(static_cast<int>(strip.filter)), "a filter type read is valid");
    const bool anyLock = strip.freqLock || strip.qLock || strip.gainLock;
    if (index == MasterStrip) {
        Require(strip.filter == FilterType::Flat && !anyLock, "the master has no type or lock");
        return;
    }
    if (strip.filter != FilterType::Flat)
        Require(text.find(FilterTypeToken(strip.filter)) != std::string_view::npos,
                "a filter type read comes from its token");
    if (anyLock)
        Require(ContainsIgnoringCase(text, "Lock") && text.find('1') != std::string_view::npos,
                "a lock read comes from a lock key set to 1");
}

// What the panel does with a loaded strip must hold for any number in it.
void UseStrip(int index, const StripSettings& strip)
{
    FrequencyScale.ToPosition(strip.freq);
    QScale.ToPosition(strip.q);
    GainScale.ToPosition(strip.gain);
    FormatFrequencyLabel(strip.freq);
    FormatGainLabel(strip.gain);
    if (index != MasterStrip)
        Require(
            MakeChannelCommand(index, strip.filter, strip.freq, strip.q, strip.gain).has_value(),
            "a loaded strip can be sent");
}

bool IsKeptWhenSaved(const StripSettings& strip)
{
    return std::fabs(strip.freq) < LargestKeptValue && std::fabs(strip.q) < LargestKeptValue &&
           std::fabs(strip.gain) < LargestKeptValue;
}

bool IsNearlySaved(const StripSettings& loaded, const StripSettings& saved)
{
    return std::fabs(loaded.freq - saved.freq) <= SavedRounding &&
           std::fabs(loaded.q - saved.q) <= SavedRounding &&
           std::fabs(loaded.gain - saved.gain) <= SavedRounding && loaded.filter == saved.filter &&
           loaded.freqLock == saved.freqLock && loaded.qLock == saved.qLock &&
           loaded.gainLock == saved.gainLock;
}

// Saving a loaded panel and loading the file again gives the panel back, rounded to the
// file's two decimals, and saving that gives the same file.
void CheckSaveAndLoad(const PanelSettings& settings)
{
    if (!std::all_of(settings.begin(), settings.end(), IsKeptWhenSaved))
        return;
    const std::string saved = SettingsFileText(settings);
    PanelSettings reloaded{};
    ReadSettingsText(saved, reloaded);
    Require(std::equal(reloaded.begin(), reloaded.end(), settings.begin(), IsNearlySaved),
            "a saved panel loads back");
    Require(SettingsFileText(reloaded) == saved, "a loaded file saves unchanged");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    PanelSettings settings{};
    ReadSettingsText(text, settings);
    for (int index = 0; index < StripCount; ++index) {
        CheckStrip(text, index, settings[index]);
        UseStrip(index, settings[index]);
    }
    CheckSaveAndLoad(settings);
    return 0;
}
