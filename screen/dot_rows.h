// Dot-matrix rows: every character cell a 5 x 8 grid of dots.
#pragma once

#include "platform/platform.h"

// Draws row 0 to 3 as a dot-matrix row: every character, custom ones too, a
// 5 x 8 grid of dots in a FontWidth x FontHeight cell, on the custom
// characters' grid. Advances the row's working X by FontWidth a character.
void DrawDotRow(int row, HDC surface);
