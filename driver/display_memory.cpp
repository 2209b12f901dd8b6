#include "display_memory.h"

#include <cstring>

unsigned char TextRows[kRows][kColumns + 1] = {{' '}, {' '}, {' '}, {' '}};
unsigned char ShadowRows[kRows][kColumns + 1] = {{' '}, {' '}, {' '}, {' '}};
CursorPosition Cursor = {0, 0};
unsigned char GlyphStore[kGlyphSlots][8] = {
    {0}, {0}, {0}, {0}, {0}, {0}, {0}, {0}, {0}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
};

static const char kStartupText[] = "Tavlora Starting";

void FillStartupRows() {
    for (int r = 0; r < kRows; ++r) {
        TextRows[r][0] = ' ';
        TextRows[r][1] = 0;
    }
    memcpy(TextRows[0], kStartupText, sizeof kStartupText);
    Cursor.Column = 1;
    Cursor.Row = 1;
}

// Two host threads may write at once (display memory has no lock): each
// call reads the cursor once into a copy it keeps on the display, so their
// texts may mix but no write leaves the rows or their terminator cells.
void WriteAtCursor(const char *text) {
    if (!text) return;
    // A column or row of 0 names no cell: write as if it were 1.
    int column = Cursor.Column, row = Cursor.Row;
    if (column < 1) column = 1;
    if (row < 1) row = 1;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        if (column > kColumns) {
            column = 1;
            row = row % kRows + 1;
        }
        TextRows[row - 1][column - 1] = *p;
        ++column;
    }
    // Column 81 is the row's terminator cell, so a full row keeps its 80 cells.
    TextRows[row - 1][column - 1] = 0;
    Cursor.Column = column;
    Cursor.Row = row;
}

void MoveCursor(unsigned column, unsigned row) {
    Cursor.Column = column > kColumns ? kColumns : static_cast<int>(column);
    Cursor.Row = row > kRows ? kRows : static_cast<int>(row);
}

bool StoreGlyph(unsigned chr, const unsigned char *data) {
    if (chr >= kGlyphSlots || !data) return false;
    bool changed = memcmp(GlyphStore[chr], data, 8) != 0;
    memcpy(GlyphStore[chr], data, 8);
    return changed;
}
