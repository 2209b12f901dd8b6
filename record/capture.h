// Recording: capture of the display window into the RecordFile, as a BMP
// or a PNG, at the interval the refresh cycle keeps.
#pragma once

#include "platform/platform.h"

// Copies the window's client area as it shows on the screen and writes it
// to the RecordFile path (a frame of its own when the name holds a run of
// "#"), replacing the file in one step.
void CaptureAnImage(HWND window);

// Called by the refresh cycle when recording is on: captures the window
// when a recording is due (the first call at once, then each time more
// than RecordInterval seconds have passed; with RecordOnChange, only if
// the window was repainted since the last recording).
void RecordIfDue(HWND window);

// A start of the driver (DISPLAYDLL_Init): the next due recording is made
// at once, and numbered frames count from 1 again.
void RestartRecording();

// Called by the repaint each time the window got a new image.
void NoteRepaint();
