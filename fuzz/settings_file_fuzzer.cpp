// Settings files: any text read over the default panel, then used the way the panel uses a
// loaded file (slider positions, read-outs, device commands, saving it again).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/command_set.h"
#include "fuzz/require.h"
#include "model/number_format.h"
#include "model/value_labels.h"
#include "model/value_scale.h"
#include "storage/private_profile.h"
#include "storage/settings_file.h"

namespace {

// Values this small are saved whole with their two decimals, so saving and loading keeps them.
constexpr double LargestKeptValue = 1e9;
constexpr double SavedRounding = 0.005 * (1 + 1e-9);

constexpr std::string_view Blanks = " \t\r\v\f";

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }) != text.end();
}

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

std::string_view Unquoted(std::string_view value)
{
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return quoted ? value.substr(1, value.size() - 2) : value;
}

// The value of every line that sets key, in any section: a loose reading of the lines that
// never decides which of them the reader should have taken.
std::vector<std::string_view> ValuesOf(std::string_view text, std::string_view key)
{
    std::vector<std::string_view> values;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const auto equals = line.find('=');
        if (equals != std::string_view::npos &&
            EqualsIgnoringCase(Trimmed(line.substr(0, equals)), key))
            values.push_back(Unquoted(Trimmed(line.substr(equals + 1)))
                                 .substr(0, CPrivateProfile::MaxValueLength));
    }
    return values;
}

bool AnyValueIs(std::string_view text, std::string_view key, std::string_view wanted)
{
    const auto values = ValuesOf(text, key);
    return std::find(values.begin(), values.end(), wanted) != values.end();
}

std::string SectionName(int index)
{
    return index == MasterStrip ? "MASTER" : "CHANNEL" + std::to_string(ChannelNumber(index));
}

// A number that is not its default is the leading number of a value the file gives its key.
void CheckNumber(std::string_view text, int index, double value, double fallback, const char* key)
{
    Require(!std::isnan(value), "a number read is never NaN");
    if (value == fallback)
        return;
    const auto values = ValuesOf(text, key);
    Require(
        ContainsIgnoringCase(text, SectionName(index)) &&
            std::any_of(values.begin(), values.end(),
                        [&](std::string_view given) { return ParseLeadingNumber(given) == value; }),
        "a number read is the number its section and key give");
}

void CheckStrip(std::string_view text, int index, const StripSettings& strip)
{
    CheckNumber(text, index, strip.freq, 1000.0, "Freq");
    CheckNumber(text, index, strip.q, 0.71, "Q");
    CheckNumber(text, index, strip.gain, 0.0, "Gain");
    Require(IsFilterType(static_cast<int>(strip.filter)), "a filter type read is valid");
    if (index == MasterStrip) {
        Require(strip.filter == FilterType::Flat && !strip.freqLock && !strip.qLock &&
                    !strip.gainLock,
                "the master has no type or lock");
        return;
    }
    if (strip.filter != FilterType::Flat)
        Require(AnyValueIs(text, "Filter", FilterTypeToken(strip.filter)),
                "a filter type read is the token its key gives");
    Require((!strip.freqLock || AnyValueIs(text, "FreqLock", "1")) &&
                (!strip.qLock || AnyValueIs(text, "QLock", "1")) &&
                (!strip.gainLock || AnyValueIs(text, "GainLock", "1")),
            "a lock is on only where its key gives 1");
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
