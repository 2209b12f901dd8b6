// The simulation's built-in text font: one bitmap per printable ASCII
// character, scaled by the GDI part to the cell a font asks for.
#pragma once

#include <cstdint>

namespace sim {

const int kGlyphWidth = 8;
const int kGlyphHeight = 16;
const unsigned char kGlyphFirst = 0x20;
const unsigned char kGlyphLast = 0x7E;

// Whether the font has a picture of `code`.
bool has_glyph(unsigned char code);
// Row `row` (0 is the top) of the picture of `code`, the leftmost pixel in
// the high bit; 0 for a code without a picture.
uint8_t glyph_row(unsigned char code, int row);

} // namespace sim
