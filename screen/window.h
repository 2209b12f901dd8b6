// The display window: a popup of class "Tavlora" owned by the host's thread.
#pragma once

#include "platform/platform.h"

#include <stdint.h>

// WS_POPUP | WS_CAPTION | WS_SYSMENU: thin border, empty title bar, close button.
const DWORD kDisplayWindowStyle = 0x80C80000;

extern HWND DisplayWindow;    // null until a creation succeeds
extern int32_t WindowCreated; // 1 from the first successful creation on

// Creates the window at the configured rectangle (once); 1 when it exists.
int create_screen();

// Gives the window the styles, place and size the settings now say (the
// same window), shows or hides it and sets its top-most state, without
// taking the focus; repaints it next refresh.
void ApplyWindowSettings();

// Destroys the window (DISPLAYDLL_Done). With EndHostOnClose set that ends
// the host process; otherwise the next DISPLAYDLL_Init makes it again.
void CloseScreen();

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

LRESULT CALLBACK ScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
