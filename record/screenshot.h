// Pictures of the display saved on the user's request (the right-click
// menu): "screenshots\<module>-YYYYMMDD-HHMMSS.png".
#pragma once

#include "platform/platform.h"

#include <stddef.h>

// The name for a picture taken at `now`. When that file exists already (a
// second picture within the same second), "-2", "-3" and so on follow the
// time. False when the name does not fit in `size` or every number is taken.
bool ScreenshotPath(const SYSTEMTIME &now, char *path, size_t size);

// Writes the display's image, as the window shows it, to a new file in
// "screenshots" (made when missing) and logs its path. False on failure,
// after logging why.
bool SaveScreenshot(HWND window);
