// The display window's procedure: one short switch that hands each message
// to the file that handles it.
#pragma once

#include "platform/platform.h"

LRESULT CALLBACK ScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
