// Drawing of the text rows: runs of ordinary characters in the row's font
// and colours, and glyph codes as custom characters.
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

// Draws row 0 to 3 of the text rows at its working position in WorkingLayouts.
void DrawRow(int row, HDC surface);

// Draws row 0 to 3 as a dot-matrix row: every character, custom ones too, a
// 5 x 8 grid of dots in a FontWidth x FontHeight cell, on the custom
// characters' grid. Advances the row's working X by FontWidth a character.
void DrawDotRow(int row, HDC surface);

// Draws the characters at positions first to last (inclusive) of the row's text.
void DrawTextRun(int row, int first, int last, HDC surface);

// A new font from the row's values; the caller selects and deletes it.
HFONT MakeRowFont(int weight, int italicCode, int underlineCode, int height, int width,
                  int fontType, const char *faceName);

// The font description shared by every font creation.
extern LOGFONTA FontScratch;

// Draws GlyphStore slot `slot` as 5 x 8 blocks in the row's text colour at
// the row's working X and Y, then advances that X by the row's FontWidth.
void DrawGlyph(int row, unsigned char slot, HDC target);
