#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

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

    // Empty when the file cannot be opened or read, or is no regular file.
    static std::optional<CPrivateProfile> FromFile(const std::string& path,
                                                   std::string* error = nullptr,
                                                   std::size_t maxValueLength = MaxValueLength);

    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;

private:
    // Names are kept lower-cased, so that one ordered lookup matches them in any case. An
    // ordered map, unlike a hash map, keeps a file of names made to collide from bringing back
    // a search of every name for every line.
    using Entries = std::map<std::string, std::string>;

    void ParseLine(std::string_view line, Entries*& current);

    std::map<std::string, Entries> sections;
    std::size_t valueLimit = MaxValueLength;
};
