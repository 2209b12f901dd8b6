// The background picture: loaded once from a JPEG file, drawn at its
// natural size under the rows at every repaint.
#pragma once

#include "platform/platform.h"

struct ScreenPictureRecord {
    IPicture *picture; // null while none is loaded
    LONG width;        // HIMETRIC (0.01 mm)
    LONG height;
};
extern ScreenPictureRecord ScreenPicture;

// Reads the whole file into movable memory and, when its header declares a
// JPEG, BMP or GIF of up to kMaxImageSide pixels a side, decodes it through
// the platform's picture service; any other file is logged in one line
// that names it and says what it is. Success shows as a non-null *picture.
void LoadPicture(const char *fileName, IPicture **picture, LONG *width, LONG *height);

// Releases the loaded picture (DISPLAYDLL_Done); the next window made loads
// it again.
void ReleasePicture();

// Draws the picture with its top-left corner at (x, y) of the target, at its
// natural size for the screen's resolution, times the display's zoom.
void Render(HDC target, IPicture **picture, const RECT *bounds, int x, int y, LONG width,
            LONG height);
