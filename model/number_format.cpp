#include "model/number_format.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

// Enough fractional digits for the exact expansion of any double, so that the digits
// handed back are never rounded before we round them ourselves.
constexpr int ExactFractionDigits = 1100;

std::string NonFiniteText(double value)
{
    std::string text = std::signbit(value) ? "-" : "";
    text += std::isnan(value) ? "nan" : "inf";
    return text;
}

std::string ExactDigits(double magnitude)
{
    static thread_local std::string buffer(400 + ExactFractionDigits, '\0');
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                std::chars_format::fixed, ExactFractionDigits);
    return std::string(buffer.data(), result.ptr);
}

// Adds one unit in the last place of a string of decimal digits.
void IncrementDigits(std::string& digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

std::string RoundHalfAwayFromZero(double magnitude, int decimals)
{
    const std::string exact = ExactDigits(magnitude);
    const auto point = exact.find('.');
    const std::string whole = exact.substr(0, point);
    const std::string fraction = exact.substr(point + 1);

    std::string digits = whole + fraction.substr(0, decimals);
    if (fraction[decimals] >= '5')
        IncrementDigits(digits);

    const auto wholeLength = digits.size() - decimals;
    if (decimals == 0)
        return digits;
    return digits.substr(0, wholeLength) + '.' + digits.substr(wholeLength);
}

locale_t CLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Length of the decimal number at the start of text (sign, digits, point, exponent), 0 if none.
std::size_t DecimalNumberLength(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsAsciiDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsAsciiDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsAsciiDigit(text[j])) {
            while (j < text.size() && IsAsciiDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

} // namespace

std::string FormatFixed(double value, int decimals, int minWidth)
{
    std::string text;
    if (!std::isfinite(value)) {
        text = NonFiniteText(value);
    } else {
        text = RoundHalfAwayFromZero(std::fabs(value), decimals);
        if (std::signbit(value))
            text.insert(text.begin(), '-');
    }
    if (static_cast<int>(text.size()) < minWidth)
        text.insert(text.begin(), minWidth - text.size(), ' ');
    return text;
}

double ParseLeadingNumber(std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size() && IsAsciiSpace(text[start]))
        ++start;
    const std::string number(text.substr(start, DecimalNumberLength(text.substr(start))));
    if (number.empty())
        return 0.0;
    return strtod_l(number.c_str(), nullptr, CLocale());
}

std::string ShortNumber(double value)
{
    constexpr int SignificantDigits = 6;
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::general,
                                       SignificantDigits);
    return std::string(text, written.ptr);
}
