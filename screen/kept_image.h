// The image the last repaint put on the window, kept with its bitmap (and
// its pixels once a recording read them) until the display changes: a
// recording of an unchanged display writes it as it is, and the next
// repaint composes on the same bitmap when the size is the same.
#pragma once

#include "screen/compose.h"

// The image the repaint composes into.
ComposedImage *RepaintImage();

// The kept image while it is what the window shows: nothing was marked
// dirty since it was composed. Null otherwise, or when there is none.
ComposedImage *CurrentImage();

// Gives the kept image's bitmap, context and pixels back: at Done and when
// the window goes.
void ReleaseKeptImage();
