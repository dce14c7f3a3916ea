#include "model/filter_type.h"

#include <array>

namespace {

constexpr std::array<std::string_view, FilterTypeCount> Tokens = {"BP", "FL", "HP",
                                                                  "LP", "NO", "TO"};

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
