// Recording: capture of the display window into the RecordFile, as a BMP
// or a PNG, at the interval the refresh cycle keeps.
#pragma once

#include "platform/platform.h"
#include "screen/compose.h"

// Writes the display's image to the RecordFile path (a frame of its own
// when the name holds a run of "#"), replacing the file in one step: the
// image the refresh just composed, or one composed for the recording when
// `composed` is null. What other windows cover of it is not recorded.
void CaptureAnImage(HWND window, ComposedImage *composed);

// Called by the refresh cycle when recording is on: captures the window
// when a recording is due (the first call at once, then each time more
// than RecordInterval seconds have passed; with RecordOnChange, only if
// the window was repainted since the last recording).
void RecordIfDue(HWND window, ComposedImage *composed);

// A start of the driver (DISPLAYDLL_Init): the next due recording is made
// at once; numbered frames go on from the last one written.
void RestartRecording();

// Called by the repaint each time the window got a new image.
void NoteRepaint();
