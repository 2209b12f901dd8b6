#include "window_proc.h"

#include "config/config.h"
#include "log/log.h"
#include "screen/dirty.h"
#include "screen/kept_image.h"
#include "screen/menu.h"
#include "screen/placement.h"
#include "screen/rows.h"
#include "screen/widget.h"
#include "screen/window.h"

#include <cstdlib>

LRESULT CALLBACK ScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        ReleaseKeptImage(); // the image and the fonts go with the window
        ReleaseRowFonts();
        if (ScreenSettings.EndHostOnClose != 0) exit(0);
        // The host goes on: display memory, glyphs and settings stay for
        // the next DISPLAYDLL_Init, which makes the window again.
        DisplayWindow = NULL;
        WindowCreated = 0;
        WriteLog("Window", "closed; the host goes on");
        return 0;
    case WM_ERASEBKGND:
        return 0;
    case WM_NCHITTEST:
        return WidgetHitTest(window, message, wParam, lParam);
    case WM_MOUSEACTIVATE:
        return WidgetMouseActivate(window, message, wParam, lParam);
    case WM_MOVING:
        return WidgetMoving(window, message, wParam, lParam);
    case WM_CONTEXTMENU:
    case WM_NCRBUTTONUP:
        return ShowDisplayMenu(window, message, wParam, lParam);
    case WM_COMMAND:
        return RunMenuCommand(window, message, wParam, lParam);
    case WM_PAINT:
        // The platform lost part of the image (uncovered, restored): the next
        // refresh composes the whole window again. Drawing happens only there.
        MarkDisplayDirty();
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_EXITSIZEMOVE:
        return OnExitSizeMove(window, wParam, lParam);
    case WM_SIZING:
        return OnSizing(window, wParam, lParam);
    case WM_SIZE:
        return OnSize(window, wParam, lParam);
    case WM_MOUSEWHEEL:
        return OnMouseWheel(window, wParam, lParam);
    case WM_DPICHANGED:
        return OnDpiChanged(window, wParam, lParam);
    case WM_DISPLAYCHANGE:
        return OnDisplayChange(window, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
