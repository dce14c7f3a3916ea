#pragma once

#include <string>
#include <string_view>

// The printf-style number texts of the system ("%5.0f", "%1.1f", "%2.3f", "%2.2f",
// "%3.0f"), rounded on the value's exact decimal digits with halves going away from zero.
// printf itself rounds exact ties to even, which would change labels, wire values and files.
std::string FormatFixed(double value, int decimals, int minWidth = 0);

// A value in words for an operator: the shortest form with up to six significant digits, as
// "%g" writes it ("40", "0.15", "9.9"), whatever the process locale.
std::string ShortNumber(double value);

// The leading decimal number of a text, as atof reads it: white space skipped, an optional
// sign, digits with an optional point and exponent; 0.0 when no number starts the text.
// Independent of the process locale, and hexadecimal, "inf" and "nan" are not numbers here.
double ParseLeadingNumber(std::string_view text);
