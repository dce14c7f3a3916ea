#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A read-only view of a private-profile (INI) file, read the way the Windows profile
// functions read one: section and key names match without regard to case, spaces around
// names and values are trimmed, one pair of matching quotes around a value is removed,
// lines starting with ';' are comments, the first matching section and key win, and a
// value is cut to 15 characters. CRLF and LF line ends and a UTF-8 BOM read alike.
class CPrivateProfile
{
public:
    static constexpr std::size_t MaxValueLength = 15;

    // Files larger than this are not profiles the panel wrote; only their start is read.
    static constexpr std::size_t MaxFileBytes = 1 << 20;

    static CPrivateProfile FromText(std::string_view text,
                                    std::size_t maxValueLength = MaxValueLength);

    // Empty when the file cannot be opened or read.
    static std::optional<CPrivateProfile> FromFile(const std::string& path,
                                                   std::string* error = nullptr,
                                                   std::size_t maxValueLength = MaxValueLength);

    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;

private:
    struct Entry
    {
        std::string key;
        std::string value;
    };
    struct Section
    {
        std::string name;
        std::vector<Entry> entries;
    };

    void ParseLine(std::string_view line, Section*& current);
    const Section* FindSection(std::string_view name) const;

    std::vector<Section> sections;
    std::size_t valueLimit = MaxValueLength;
};
