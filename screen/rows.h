// Drawing of the text rows: runs of ordinary characters in the row's font
// and colours, and glyph codes as custom characters.
#pragma once

#include "platform/platform.h"

#include <stdint.h>

// Draws row 0 to 3 of the text rows at its working position in WorkingLayouts.
void DrawRow(int row, HDC surface);

// Draws the characters at positions first to last (inclusive) of the row's text.
void DrawTextRun(int row, int first, int last, HDC surface);

// Gives back the fonts the rows keep between repaints: at Done and when
// the window goes.
void ReleaseRowFonts();

// A new font from the row's values; the caller selects and deletes it.
HFONT MakeRowFont(int weight, int italicCode, int underlineCode, int height, int width,
                  int fontType, const char *faceName);

// The font description shared by every font creation.
extern LOGFONTA FontScratch;
