// The display's scale: every configured length (the window's size, the
// rows' places and fonts, custom characters, dots and the module) times
// Zoom= percent and, while the window follows the monitor's DPI, times
// that DPI over 96. Applied where the working layouts are made from the
// configured ones, so drawing works with scaled numbers throughout.
#pragma once

#include "config/config.h"
#include "platform/platform.h"

#include <stdint.h>

const int32_t kMinZoom = 25, kMaxZoom = 800;
// The DPIs a window is drawn for: a monitor's DPI outside is taken as the
// nearest of these.
const int32_t kMinDpi = 48, kMaxDpi = 960;

// A zoom within 25 to 800 percent.
int32_t ClampZoom(int32_t percent);

// The DPI the window is drawn for; 0 while it does not follow the DPI
// (then only the zoom scales).
void SetDisplayDpi(int32_t dpi);
int32_t DisplayDpi();

// A length at the display's scale, rounded to the nearest pixel (halves
// away from zero). At 100 percent and 96 DPI every length stays as it is.
int32_t ScaleLength(int32_t length);

// The style the display window has: a sizing border when Resizable=1.
DWORD DisplayWindowStyle();

// The frame a window of `style` adds around its client area, for the DPI
// the display is drawn for.
void WindowFrame(DWORD style, RECT *frame);
// The same for a given DPI; 0: as the calling thread's DPI setting says.
void FrameFor(DWORD style, int32_t dpi, RECT *frame);

// Scales the rows (a module's rows are laid out at scale already) and the
// outer window size: the configured client area scaled, in the frame of
// the window's own style.
void ScaleWorkingLayouts(int32_t *width, int32_t *height, LineLayout rows[4], bool module);

// Pixels per inch a picture is drawn at on `target` (LOGPIXELSX or
// LOGPIXELSY) times the zoom, in hundredths: its natural size, scaled.
int32_t PictureDotsPerInch(HDC target, int index);
