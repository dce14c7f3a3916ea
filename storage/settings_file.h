#pragma once

#include <optional>
#include <string>

#include "model/strip_settings.h"

inline constexpr const char* SettingsExtension = "SNV";
inline constexpr const char* SettingsFileFilter = "Sonavire Config Files(*.snv)";

// The text after the last dot of the file name, upper-cased; empty when there is none.
std::string SettingsFileExtension(const std::string& path);

// A settings file is recognised by its extension alone.
bool HasSettingsExtension(const std::string& path);

// The path a save writes to: unchanged with the settings extension, with ".snv" added when
// the name has no extension, and nothing when the name has any other extension.
std::optional<std::string> SettingsSavePath(const std::string& path);

// The whole file text for the seventeen strips, sections and keys in their fixed order.
std::string SettingsFileText(const PanelSettings& settings);

// Writes the file in one piece (see WriteFileAtomically); error receives the reason.
bool WriteSettingsFile(const std::string& path, const PanelSettings& settings, std::string& error);

enum class SettingsReadResult
{
    Read,
    NotFound,
    Unreadable,
};

// Reads the file over settings: missing keys take their defaults, an unknown filter token
// keeps the channel's type. A FIFO, a device or a folder is Unreadable. NotFound and
// Unreadable leave settings untouched.
SettingsReadResult ReadSettingsFile(const std::string& path, PanelSettings& settings,
                                    std::string& error);

// The same reading rules on a file's text.
void ReadSettingsText(const std::string& text, PanelSettings& settings);
