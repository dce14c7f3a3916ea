// Line reading shared by the Intel HEX reader and format detection.
#pragma once

#include <cstdio>
#include <string>

// The longest piece of a line that one read delivers; the rest of a longer line arrives in
// further pieces, each of which counts as a line of its own.
inline constexpr std::size_t kMaxLinePiece = 255;

// Reads the next piece of a line: up to and including a line feed, at most kMaxLinePiece
// bytes, embedded NUL bytes kept. Returns false when the stream has nothing more to give.
bool ReadLinePiece(FILE* stream, std::string& piece);

// Removes one line feed from the end of the piece, if it has one.
void DropTrailingLineFeed(std::string& piece);
