// The display window as a desktop widget: its styles from the settings
// (frame, opacity, see-through colour, click-through, taskbar button,
// activation), dragging by any point of a frameless window, and snapping
// to the work area's edges while the user drags it.
#pragma once

#include "config/config.h"
#include "platform/platform.h"
#include "screen/window.h"

#include <stdint.h>

// WS_POPUP alone: no title bar, no border (Frame=0).
const DWORD kFramelessWindowStyle = 0x80000000;

// The window style the settings ask for: frame, and a sizing border. Inline: the module's layout (built
// into the configuration check as well) sizes the frame around it.
inline DWORD WidgetStyle(const ScreenSettingsRecord &s) {
    DWORD style = s.Frame != 0 ? kDisplayWindowStyle : kFramelessWindowStyle;
    return s.Resizable != 0 ? style | WS_THICKFRAME : style; // a sizing border
}

// Opacity as used: 10 to 100 percent.
const int32_t kMinOpacity = 10, kMaxOpacity = 100;
inline int32_t WidgetOpacity(const ScreenSettingsRecord &s) {
    return s.Opacity < kMinOpacity ? kMinOpacity : s.Opacity > kMaxOpacity ? kMaxOpacity : s.Opacity;
}

inline bool WidgetColourKeyed(const ScreenSettingsRecord &s) {
    return s.TransparentColor[0] >= 0 && s.TransparentColor[1] >= 0 &&
           s.TransparentColor[2] >= 0;
}

// The see-through colour, when WidgetColourKeyed.
inline COLORREF WidgetColourKey(const ScreenSettingsRecord &s) {
    return RGB(s.TransparentColor[0] & 0xFF, s.TransparentColor[1] & 0xFF,
               s.TransparentColor[2] & 0xFF);
}

// Opacity, a see-through colour and click-through each need a layered window.
inline bool WidgetLayered(const ScreenSettingsRecord &s) {
    return WidgetOpacity(s) < 100 || WidgetColourKeyed(s) || s.ClickThrough != 0;
}

// The extended style the settings ask for, WS_EX_TOPMOST included.
inline DWORD WidgetExStyle(const ScreenSettingsRecord &s) {
    DWORD ex = s.StayOnTop != 0 ? WS_EX_TOPMOST : 0;
    if (s.NoActivate != 0) ex |= WS_EX_NOACTIVATE;
    if (s.TaskbarButton == 0) ex |= WS_EX_TOOLWINDOW;
    if (WidgetLayered(s)) ex |= WS_EX_LAYERED;
    if (s.ClickThrough != 0) ex |= WS_EX_LAYERED | WS_EX_TRANSPARENT;
    return ex;
}

// Sets opacity and the see-through colour on a layered window (at its
// creation and after every change); a window that is not layered is left alone.
void ApplyWidgetLayering(HWND window);

// A live change of the settings: the window keeps its handle and takes the
// styles the settings now ask for, its frame redrawn, its layering set.
void ApplyWidgetStyles(HWND window);

// WM_NCHITTEST: inside a frameless window every point is the title bar,
// so the whole window drags.
LRESULT WidgetHitTest(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_MOUSEACTIVATE: with NoActivate a click does not activate the window.
LRESULT WidgetMouseActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_MOVING: snaps the dragged rectangle onto the work area's edges of the
// monitor it is on, with SnapDistance set.
LRESULT WidgetMoving(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Moves `rect` (keeping its size) so that a left or right edge, and a top
// or bottom edge, within `distance` pixels of the same edge of `work` lies
// on it. Nothing moves for a distance of 0 or less.
void SnapToWorkArea(RECT *rect, const RECT &work, int32_t distance);
