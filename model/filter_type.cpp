#include "model/filter_type.h"

#include <array>

#include "model/ascii_case.h"

namespace {

constexpr std::array<std::string_view, FilterTypeCount> Tokens = {"BP", "FL", "HP",
                                                                  "LP", "NO", "TO"};
constexpr std::array<std::string_view, FilterTypeCount> Names = {"band", "flat",  "high",
                                                                 "low",  "notch", "tone"};

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
    const std::string word = LowerAscii(text);
    for (int value = 0; value < FilterTypeCount; ++value) {
        if (word == LowerAscii(Tokens[value]) || word == Names[value])
            return static_cast<FilterType>(value);
    }
    return std::nullopt;
}
