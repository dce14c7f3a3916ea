#include "model/filter_type.h"

#include <array>

namespace {

constexpr std::array<std::string_view, FilterTypeCount> Tokens = {"BP", "FL", "HP",
                                                                  "LP", "NO", "TO"};
constexpr std::array<std::string_view, FilterTypeCount> Names = {"band", "flat",  "high",
                                                                 "low",  "notch", "tone"};

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

} // namespace

bool IsFilterType(int value)
{
    return value >= 0 && value < FilterTypeCount;
}

std::string_view FilterTypeToken(FilterType type)
{
    const int value = static_cast<int>(type);
    return IsFilterType(value) ? Tokens[value] : std::string_view{};
}

std::optional<FilterType> ParseFilterType(std::string_view text)
{
    for (int value = 0; value < FilterTypeCount; ++value) {
        if (Tokens[value] == text)
            return static_cast<FilterType>(value);
    }
    return std::nullopt;
}

std::optional<FilterType> ParseFilterTypeWord(std::string_view text)
{
    for (int value = 0; value < FilterTypeCount; ++value) {
        if (EqualsIgnoringCase(Tokens[value], text) || EqualsIgnoringCase(Names[value], text))
            return static_cast<FilterType>(value);
    }
    return std::nullopt;
}
