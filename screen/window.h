// The display window: a popup of class "Tavlora" owned by the host's thread.
#pragma once

#include "platform/platform.h"

#include <stdint.h>

// WS_POPUP | WS_CAPTION | WS_SYSMENU: thin border, empty title bar, close button.
const DWORD kDisplayWindowStyle = 0x80C80000;

extern HWND DisplayWindow;    // null until a creation succeeds
extern int32_t WindowCreated; // 1 from the first successful creation on

// True when the calling thread may use the window (its messages, repaint
// and recordings): the thread that made it, or any while there is none.
// The first call from another thread says so in the log.
bool OnWindowThread();

// Dispatches the window's pending messages without waiting. Called again
// from inside a dispatched message (the menu's or a drag's own loop runs
// the host's timers, which call the driver), or from another thread, it
// does nothing: those messages are the running loop's or the window
// thread's.
void ProcessWindowMessages();
