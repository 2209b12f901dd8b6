// Display memory: the four text rows, their shadow copies, the cursor and
// the custom glyphs. Static, alive for the whole process.
#pragma once

const int kRows = 4;
const int kColumns = 80;
const int kGlyphSlots = 10;

// Row r (0 to 3) is text row r + 1; cell c (0 to 79) is column c + 1, and
// cell 80 is the terminator cell, which always holds zero.
extern unsigned char TextRows[kRows][kColumns + 1];
extern unsigned char ShadowRows[kRows][kColumns + 1];

struct CursorPosition {
    int Column; // 1 to 81; 0 before start-up or after MoveCursor(0, ...)
    int Row;    // 1 to 4; 0 likewise
};
extern CursorPosition Cursor;

// Slot n, byte k: pixel line k (top first); bit 4 is the leftmost column.
extern unsigned char GlyphStore[kGlyphSlots][8];

void FillStartupRows();
void WriteAtCursor(const char *text);
void MoveCursor(unsigned column, unsigned row);
// Returns true when the slot's bytes changed (a refresh must repaint).
bool StoreGlyph(unsigned chr, const unsigned char *data);
