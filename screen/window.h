// The display window: a popup of class "Tavlora" owned by the host's thread.
#pragma once

#include "platform/platform.h"

#include <stdint.h>

extern HWND DisplayWindow;    // null until a creation succeeds
extern int32_t WindowCreated; // 1 from the first successful creation on

// Creates the window at the configured rectangle (once); 1 when it exists.
int create_screen();

// Dispatches the window's pending messages without waiting.
void ProcessWindowMessages();

LRESULT CALLBACK ScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
