// The built-in 5 x 8 patterns that dot-matrix rows draw ordinary characters with.
#pragma once

// The 8 dot rows of a character, top first, in the layout of a custom
// character: bit 4 (0x10) the leftmost column, bit 0 the rightmost. A code
// without a pattern of its own gives a hollow box.
const unsigned char *DotPattern(unsigned char code);

// True when the code has a pattern of its own.
bool DotPatternKnown(unsigned char code);

// True when every picture of the table is well formed and no code is drawn twice.
bool DotFontWellFormed();
