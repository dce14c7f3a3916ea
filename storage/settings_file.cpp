#include "storage/settings_file.h"

#include <sys/stat.h>

#include "model/number_format.h"
#include "storage/atomic_file.h"
#include "storage/private_profile.h"
#include "storage/profile_writer.h"

namespace {

constexpr int FileDecimals = 2;
constexpr const char* LockOn = "1";
constexpr const char* LockOff = "0";

// Defaults are the texts a default strip would have been saved with.
struct NumberKey
{
    const char* name;
    const char* defaultText;
    double StripSettings::*field;
};
constexpr NumberKey NumberKeys[] = {
    {"Freq", "1000.00", &StripSettings::freq},
    {"Q", "0.71", &StripSettings::q},
    {"Gain", "0.00", &StripSettings::gain},
};

struct LockKey
{
    const char* name;
    bool StripSettings::*field;
};
constexpr LockKey LockKeys[] = {
    {"FreqLock", &StripSettings::freqLock},
    {"QLock", &StripSettings::qLock},
    {"GainLock", &StripSettings::gainLock},
};

constexpr const char* FilterKey = "Filter";
constexpr const char* FilterDefault = "FL";

std::string SectionName(int index)
{
    return index == MasterStrip ? "MASTER" : "CHANNEL" + std::to_string(ChannelNumber(index));
}

std::string UpperAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ReadStrip(const CPrivateProfile& profile, int index, StripSettings& strip)
{
    const std::string section = SectionName(index);
    for (const NumberKey& key : NumberKeys)
        strip.*key.field =
            ParseLeadingNumber(profile.GetString(section, key.name, key.defaultText));
    if (index == MasterStrip)
        return;
    if (auto type = ParseFilterType(profile.GetString(section, FilterKey, FilterDefault)))
        strip.filter = *type;
    for (const LockKey& key : LockKeys)
        strip.*key.field = profile.GetString(section, key.name, LockOff) == LockOn;
}

void ReadProfile(const CPrivateProfile& profile, PanelSettings& settings)
{
    for (int index = 0; index < StripCount; ++index)
        ReadStrip(profile, index, settings[index]);
}

} // namespace

std::string SettingsFileExtension(const std::string& path)
{
    const std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : UpperAscii(name.substr(dot + 1));
}

bool HasSettingsExtension(const std::string& path)
{
    return SettingsFileExtension(path) == SettingsExtension;
}

std::optional<std::string> SettingsSavePath(const std::string& path)
{
    const std::string extension = SettingsFileExtension(path);
    if (extension == SettingsExtension)
        return path;
    if (!extension.empty())
        return std::nullopt;
    // "name." already has its dot; only the extension is missing.
    return path + (path.ends_with('.') ? "snv" : ".snv");
}

std::string SettingsFileText(const PanelSettings& settings)
{
    CProfileWriter writer;
    for (int index = 0; index < StripCount; ++index) {
        const StripSettings& strip = settings[index];
        writer.BeginSection(SectionName(index));
        for (const NumberKey& key : NumberKeys)
            writer.WriteKey(key.name, FormatFixed(strip.*key.field, FileDecimals, 2));
        if (index == MasterStrip)
            continue;
        writer.WriteKey(FilterKey, FilterTypeToken(strip.filter));
        for (const LockKey& key : LockKeys)
            writer.WriteKey(key.name, strip.*key.field ? LockOn : LockOff);
    }
    return writer.Text();
}

bool WriteSettingsFile(const std::string& path, const PanelSettings& settings, std::string& error)
{
    return WriteFileAtomically(path, SettingsFileText(settings), error);
}

SettingsReadResult ReadSettingsFile(const std::string& path, PanelSettings& settings,
                                    std::string& error)
{
    struct stat info
    {};
    if (stat(path.c_str(), &info) != 0)
        return SettingsReadResult::NotFound;
    const auto profile = CPrivateProfile::FromFile(path, &error);
    if (!profile)
        return SettingsReadResult::Unreadable;
    ReadProfile(*profile, settings);
    return SettingsReadResult::Read;
}

void ReadSettingsText(const std::string& text, PanelSettings& settings)
{
    ReadProfile(CPrivateProfile::FromText(text), settings);
}
