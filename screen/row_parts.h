// The small parts every kind of row drawing shares: font rows, custom
// characters and dot rows.
#pragma once

#include "platform/platform.h"

#include <stdint.h>

// The glyph slot (1 to 9) a character code draws, or 0 for an ordinary character.
int GlyphSlotOf(unsigned char code);

// A row's colour setting (red, green, blue, each taken to its low byte).
COLORREF RowColour(const int32_t rgb[3]);

// Row geometry is 32-bit with truncating division; sums are taken in 64
// bits and kept in the 32-bit range with this, so that no configured size
// can overflow them.
LONG ClampCoordinate(int64_t value);
