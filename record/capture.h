// Capture of the display window into an uncompressed 32-bit BMP file.
#pragma once

#include "platform/platform.h"

// Copies the window's client area as it shows on the screen and writes it
// to the RecordFile path, replacing the file.
void CaptureAnImage(HWND window);
