// The window's DPI: with FollowDpi=1 the window is per-monitor DPI aware,
// made and drawn for its monitor's DPI, and driver code that works with it
// takes the window's DPI setting for the while.
#pragma once

#include "platform/platform.h"

#include <stdint.h>

// Follows the monitor's DPI from here on: the thread's DPI setting is the
// window's until the returned token restores it (null: not following).
void *StartFollowingDpi();

// True from a StartFollowingDpi that made the thread per-monitor aware.
bool FollowingDpi();

// The system's DPI while following the monitor's, else 96.
int32_t SystemDpi();

// The DPI of the monitor `window` is on; the system's where that cannot be told.
int32_t DpiOfWindow(HWND window);

// The calling thread's DPI setting switched to the window's for driver code
// that works with the window outside its window procedure; the token
// restores it. Nothing happens unless the window follows the DPI.
void *EnterDisplayDpi();
void LeaveDisplayDpi(void *kept);
