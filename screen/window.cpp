#include "window.h"

HWND DisplayWindow;
int32_t WindowCreated;

int create_screen() { return 0; }

void ProcessWindowMessages() {}

LRESULT CALLBACK ScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
