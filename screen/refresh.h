// The refresh cycle: change detection, off-screen repaint, capture timer.
#pragma once

// Runs one cycle; 0 when a repaint could not get the window's paint surface.
int RefreshScreen();

// Tells the next cycle to repaint (a glyph changed, the platform asked for paint).
void MarkDisplayDirty();
