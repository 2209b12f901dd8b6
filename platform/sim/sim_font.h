// The simulation's built-in text font: one bitmap per printable ASCII
// character, scaled by the GDI part to the cell a font asks for.
#pragma once

#include <cstdint>

namespace sim {

const int kGlyphWidth = 8;
const int kGlyphHeight = 16;
const unsigned char kGlyphFirst = 0x20;
const unsigned char kGlyphLast = 0x7E;

// The glyph's kGlyphHeight rows, top first, the leftmost pixel in the high
// bit; null for a code the font has no picture of.
const uint8_t *glyph_rows(unsigned char code);

} // namespace sim
