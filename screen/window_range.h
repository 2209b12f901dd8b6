// The places and sizes the display window is kept within: whatever the
// configuration says, the window is made where the system can show it and
// large enough to be seen, and no larger than the driver draws.
#pragma once

#include <stdint.h>

// The window's left and top edges, screen pixels: the system keeps window
// places in 16 bits in many of its messages (and -32000 means minimised).
const int32_t kMinWindowPlace = -30000, kMaxWindowPlace = 30000;
// The outer width and height, pixels: a small window still to be seen and
// grabbed, and a large one no larger than the image the driver composes.
const int32_t kMinWindowSide = 8, kMaxWindowSide = 8192;

// Brings a wanted place and outer size (screen pixels) within the range.
// With `log`, a correction is logged once while it stays the same.
void KeepWindowInRange(int64_t x, int64_t y, int64_t width, int64_t height, bool log,
                       int32_t *keptX, int32_t *keptY, int32_t *keptWidth, int32_t *keptHeight);
