// Profile (INI) files: any text, any section and key looked up, any value limit.
#include <algorithm>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <string_view>

#include "fuzz/require.h"
#include "storage/private_profile.h"

namespace {

constexpr std::size_t LongestName = 64;
// Past the longest limit in use: the remembered port name reads with 160.
constexpr std::size_t LargestLimit = 200;
const std::string Utf8Bom = "\xEF\xBB\xBF";

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view part)
{
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }) != text.end();
}

std::string UpperAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string WithCrLf(std::string_view text)
{
    std::string crlf;
    for (char c : text) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return crlf;
}

// Line ends, a byte-order mark and the case of the names never change what a lookup finds.
void CheckReadingRules(const std::string& text, const std::string& section, const std::string& key,
                       const std::string& fallback, const std::string& value)
{
    const auto lookUp = [&](const std::string& file, const std::string& sectionName,
                            const std::string& keyName) {
        return CPrivateProfile::FromText(file).GetString(sectionName, keyName, fallback);
    };
    Require(lookUp(WithCrLf(text), section, key) == value, "CRLF lines read as LF lines");
    if (!text.starts_with(Utf8Bom))
        Require(lookUp(Utf8Bom + text, section, key) == value, "a byte-order mark is skipped");
    Require(lookUp(text, UpperAscii(section), UpperAscii(key)) == value, "names match in any case");
}

bool SharePrefix(std::string_view a, std::string_view b)
{
    const auto common = std::min(a.size(), b.size());
    return a.substr(0, common) == b.substr(0, common);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const auto limit = input.ConsumeIntegralInRange<std::size_t>(0, LargestLimit);
    const std::string section = input.ConsumeRandomLengthString(LongestName);
    const std::string key = input.ConsumeRandomLengthString(LongestName);
    const std::string fallback = input.ConsumeRandomLengthString(LongestName);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const std::string value = CPrivateProfile::FromText(text).GetString(section, key, fallback);
    Require(value.size() <= CPrivateProfile::MaxValueLength, "a value is cut to 15 characters");
    if (value != fallback.substr(0, CPrivateProfile::MaxValueLength)) {
        Require(value.find('\n') == std::string::npos, "a value found never spans lines");
        Require(ContainsIgnoringCase(text, section) && ContainsIgnoringCase(text, key) &&
                    ContainsIgnoringCase(text, value),
                "a value found comes from the file under its section and key");
    }
    CheckReadingRules(text, section, key, fallback, value);

    const std::string limited =
        CPrivateProfile::FromText(text, limit).GetString(section, key, fallback);
    Require(limited.size() <= limit, "a value is cut to the given limit");
    Require(SharePrefix(value, limited), "the limit only cuts the value");
    return 0;
}
