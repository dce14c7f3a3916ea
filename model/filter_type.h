#pragma once

#include <optional>
#include <string_view>

// The numbers and tokens are the same in memory, in settings files and on the wire.
enum class FilterType : int
{
    Band = 0,
    Flat = 1,
    High = 2,
    Low = 3,
    Notch = 4,
    Tone = 5,
};

inline constexpr int FilterTypeCount = 6;

bool IsFilterType(int value);

// The two-letter token of one of the six types; empty for any other value.
std::string_view FilterTypeToken(FilterType type);

// The type whose token equals text exactly (case-sensitive).
std::optional<FilterType> ParseFilterType(std::string_view text);

// What an operator may type for a type: its token or its name ("low", "notch", ...), in any
// case. Files and the wire keep the exact token.
std::optional<FilterType> ParseFilterTypeWord(std::string_view text);
