// A small built-in bitmap face for the channel tags, sized like the 9-point terminal font at
// 96 dpi: 8 x 12 pixel cells, strokes two pixels wide, glyphs centred on row 5 of the cell.
#pragma once

#include <array>
#include <cstdint>

namespace corvane {

inline constexpr int kGlyphWidth = 8;
inline constexpr int kGlyphHeight = 12;

// One row per byte, top row first; bit 7 is the leftmost column of the cell.
using GlyphRows = std::array<uint8_t, kGlyphHeight>;

// The glyph of "1", "2" or "M" (the tags the display writes); nullptr for any other character,
// which draws as an empty cell.
const GlyphRows* terminalGlyph(char c);

}  // namespace corvane
