#include "storage/private_profile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "model/ascii_case.h"
#include "storage/regular_file.h"

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

std::string_view Unquoted(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Stops at limit even when the file says it is smaller: a file under /proc reports no size
// and gives more.
bool ReadStart(int fd, std::size_t limit, std::string& text, std::string& error)
{
    text.resize(limit);
    std::size_t count = 0;
    while (count < limit) {
        const ssize_t got = read(fd, text.data() + count, limit - count);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = std::strerror(errno);
            return false;
        }
        if (got == 0)
            break;
        count += static_cast<std::size_t>(got);
    }
    text.resize(count);
    return true;
}

} // namespace

CPrivateProfile CPrivateProfile::FromText(std::string_view text, std::size_t maxValueLength)
{
    if (text.starts_with(Utf8Bom))
        text.remove_prefix(Utf8Bom.size());

    CPrivateProfile profile;
    profile.valueLimit = maxValueLength;
    Entries* current = nullptr;
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
    std::string reason;
    std::string text;
    const int fd = OpenRegularFileForReading(path, reason);
    const bool gotText = fd >= 0 && ReadStart(fd, MaxFileBytes, text, reason);
    if (fd >= 0)
        close(fd);
    if (!gotText) {
        if (error)
            *error = reason;
        return std::nullopt;
    }
    return FromText(text, maxValueLength);
}

void CPrivateProfile::ParseLine(std::string_view line, Entries*& current)
{
    line = Trim(line);
    if (line.empty() || line.front() == ';')
        return;

    if (line.front() == '[') {
        const auto close = line.find(']');
        const auto name =
            Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
        // Later sections of the same name are never searched: the first one wins.
        const auto [section, isNew] = sections.try_emplace(LowerAscii(name));
        current = isNew ? &section->second : nullptr;
        return;
    }

    const auto equals = line.find('=');
    if (!current || equals == std::string_view::npos)
        return;
    const auto value = Unquoted(Trim(line.substr(equals + 1))).substr(0, valueLimit);
    // The first key of a name wins: a later one finds its place taken.
    current->try_emplace(LowerAscii(Trim(line.substr(0, equals))), value);
}

std::string CPrivateProfile::GetString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue) const
{
    const auto found = sections.find(LowerAscii(section));
    if (found != sections.end()) {
        const auto entry = found->second.find(LowerAscii(key));
        if (entry != found->second.end())
            return entry->second;
    }
    return std::string(defaultValue.substr(0, valueLimit));
}
