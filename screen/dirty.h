// Whether the window still shows what the display holds: every change that
// makes the next repaint differ marks the display dirty, and the refresh
// cycle repaints a dirty display.
#pragma once

// Tells the next cycle to repaint: a glyph changed, or the platform asked
// for the window to be painted again.
void MarkDisplayDirty();

// True when the next cycle repaints.
bool DisplayDirty();

// A repaint begins: what is marked from here on is for the next one.
void ClearDisplayDirty();
