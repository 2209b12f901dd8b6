// Custom characters drawn in a font row: each a 5 x 8 grid of blocks.
#pragma once

#include "platform/platform.h"

// Draws GlyphStore slot `slot` as 5 x 8 blocks in the row's text colour at
// the row's working X and Y, then advances that X by the row's FontWidth.
void DrawGlyph(int row, unsigned char slot, HDC target);
