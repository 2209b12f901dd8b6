// Where the display window is and how large: made sharp for its monitor's
// DPI, kept on a monitor, sized with the mouse at its aspect ratio, zoomed
// with Ctrl and the mouse wheel, and its place remembered in a file of the
// driver's own (config/place.h). X= and Y= are 96-DPI units, like every
// length.
#pragma once

#include "platform/platform.h"

#include <stdint.h>

// Creates the display window (hidden) at the configured place and size, or
// with RememberPlace=1 at the remembered one when the configuration's
// place is still the one it was remembered with:
// with FollowDpi=1 per-monitor DPI aware, the thread's DPI setting switched
// for the creation only; then kept on a monitor when the settings ask.
HWND CreateDisplayWindow(DWORD exStyle, const char *className, HINSTANCE instance);

// Moves and sizes the window as the settings now say, with `insertAfter`
// for its top-most state, and keeps it on a monitor (live changes). After a
// read of the configuration that left its X=, Y= and Zoom= as they were,
// the window keeps its own place and zoom.
BOOL PlaceDisplayWindow(HWND insertAfter);

// The calling thread's DPI setting switched to the window's for driver code
// that works with the window outside its window procedure; the token
// restores it. Nothing happens unless the window follows the DPI.
void *EnterDisplayDpi();
void LeaveDisplayDpi(void *kept);

// Sets the zoom (25 to 800 percent): the window grows or shrinks about its
// top-left corner, and with RememberPlace=1 the place and zoom are saved
// once the zoom has stopped changing (SavePendingPlace).
void SetDisplayZoom(int percent);

// A zoom change not saved yet is saved: `now` (Done), or otherwise at the
// first call a second after the last change (the refresh cycle).
void SavePendingPlace(bool now);

// Writes the window's place (96-DPI units) and the zoom into the place
// file now (nothing without a window; a failure is logged).
void SaveWindowPlace();

// A window of which less than a quarter lies on `monitor`, moved into the
// work area `work` (its top-left corner first when it is larger). False,
// and `moved` untouched, when it may stay.
bool KeepRectOnScreen(const RECT &window, const RECT &monitor, const RECT &work, RECT *moved);

// Window messages, each handled here (a message not for us goes to the
// default procedure).
LRESULT OnExitSizeMove(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnSizing(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnSize(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnMouseWheel(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnDisplayChange(HWND window, WPARAM wParam, LPARAM lParam);
