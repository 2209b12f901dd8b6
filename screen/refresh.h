// The refresh cycle: change detection, off-screen repaint, capture timer.
#pragma once

#include "platform/platform.h"

// The window's paint context during a repaint; stale between repaints.
extern HDC PaintSurface;

// Runs one cycle; 0 when a repaint could not get the window's paint surface.
int RefreshScreen();
