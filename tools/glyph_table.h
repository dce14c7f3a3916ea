#pragma once

#include <array>
#include <cstdint>

// The read-outs' character set: a 5 x 7 dot matrix for every character from 32 to 127.
// Each row holds five dots, the leftmost in bit 4; a set bit is a lit dot.

inline constexpr int GlyphColumns = 5;
inline constexpr int GlyphRows = 7;
inline constexpr int FirstGlyph = 32;
inline constexpr int LastGlyph = 127;

using GlyphBits = std::array<std::uint8_t, GlyphRows>;

// The dots of a character; characters outside FirstGlyph..LastGlyph have none lit.
const GlyphBits& DotMatrixGlyph(int character);
