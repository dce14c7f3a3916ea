#include "storage/private_profile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

std::string_view Unquoted(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

CPrivateProfile CPrivateProfile::FromText(std::string_view text, std::size_t maxValueLength)
{
    if (text.starts_with(Utf8Bom))
        text.remove_prefix(Utf8Bom.size());

    CPrivateProfile profile;
    profile.valueLimit = maxValueLength;
    Section* current = nullptr;
    while (!text.empty()) {
        const auto end = text.find('\n');
        profile.ParseLine(text.substr(0, end), current);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return profile;
}

std::optional<CPrivateProfile>
CPrivateProfile::FromFile(const std::string& path, std::string* error, std::size_t maxValueLength)
{
    std::ifstream file(path, std::ios::binary);
    std::string text(MaxFileBytes, '\0');
    if (file)
        file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file && !file.eof()) {
        if (error)
            *error = std::strerror(errno ? errno : EIO);
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(file.gcount()));
    return FromText(text, maxValueLength);
}

void CPrivateProfile::ParseLine(std::string_view line, Section*& current)
{
    line = Trim(line);
    if (line.empty() || line.front() == ';')
        return;

    if (line.front() == '[') {
        const auto close = line.find(']');
        const auto name =
            Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
        // Later sections of the same name are never searched: the first one wins.
        current =
            FindSection(name) ? nullptr : &sections.emplace_back(Section{std::string(name), {}});
        return;
    }

    const auto equals = line.find('=');
    if (!current || equals == std::string_view::npos)
        return;
    const auto key = Trim(line.substr(0, equals));
    const bool known = std::any_of(current->entries.begin(), current->entries.end(),
                                   [&](const Entry& e) { return EqualsIgnoringCase(e.key, key); });
    if (known)
        return;
    const auto value = Unquoted(Trim(line.substr(equals + 1))).substr(0, valueLimit);
    current->entries.push_back(Entry{std::string(key), std::string(value)});
}

const CPrivateProfile::Section* CPrivateProfile::FindSection(std::string_view name) const
{
    const auto it = std::find_if(sections.begin(), sections.end(), [&](const Section& s) {
        return EqualsIgnoringCase(s.name, name);
    });
    return it == sections.end() ? nullptr : &*it;
}

std::string CPrivateProfile::GetString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue) const
{
    const Section* found = FindSection(section);
    if (found) {
        for (const Entry& entry : found->entries) {
            if (EqualsIgnoringCase(entry.key, key))
                return entry.value;
        }
    }
    return std::string(defaultValue.substr(0, valueLimit));
}
