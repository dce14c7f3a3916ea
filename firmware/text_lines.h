// Line reading shared by the Intel HEX reader and format detection.
#pragma once

#include <cstdio>
#include <string>

// The longest line a valid record fills: the colon, count, offset and type, 255 data bytes,
// the checksum and a carriage return.
inline constexpr std::size_t LongestRecordLine = 1 + 2 + 4 + 2 + 2 * 255 + 2 + 1;

// One line of text without its line feed. A line longer than any record keeps only its first
// LongestRecordLine characters, so a file without line feeds costs no more memory than one
// record.
struct TextLine
{
    std::string text;
    bool tooLong = false;
};

enum class LineResult
{
    Line,
    EndOfText,
    // The stream gives more than the bytes it was allowed.
    OverLimit,
};

// Reads the next line, embedded NUL bytes kept, and takes the bytes it reads off `allowance`.
LineResult ReadTextLine(FILE* stream, std::size_t& allowance, TextLine& line);
