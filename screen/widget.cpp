#include "widget.h"

#include "log/log.h"

// The styles the settings own; the rest (shown, minimised, top-most,
// which SetWindowPos keeps) stay as the window has them.
static const DWORD kOwnStyle = kDisplayWindowStyle | kFramelessWindowStyle | WS_THICKFRAME;
static const DWORD kOwnExStyle =
    WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_TRANSPARENT;

void ApplyWidgetLayering(HWND window) {
    const ScreenSettingsRecord &s = ScreenSettings;
    if (!WidgetLayered(s)) return;
    BYTE alpha = static_cast<BYTE>(WidgetOpacity(s) * 255 / 100);
    DWORD flags = LWA_ALPHA;
    COLORREF key = 0;
    if (WidgetColourKeyed(s)) {
        key = WidgetColourKey(s);
        flags |= LWA_COLORKEY;
    }
    if (!SetLayeredWindowAttributes(window, key, alpha, flags))
        LogLastError("Error from SetLayeredWindowAttributes");
}

void ApplyWidgetStyles(HWND window) {
    const ScreenSettingsRecord &s = ScreenSettings;
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    DWORD ex = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    DWORD newStyle = (style & ~kOwnStyle) | WidgetStyle(s);
    DWORD newEx = (ex & ~kOwnExStyle) | (WidgetExStyle(s) & kOwnExStyle);
    if (newStyle != style || newEx != ex) {
        // The taskbar looks at a window's button only when it is shown.
        bool taskbar = ((newEx ^ ex) & WS_EX_TOOLWINDOW) != 0 && IsWindowVisible(window);
        if (taskbar) ShowWindow(window, SW_HIDE);
        if (newStyle != style) SetWindowLongPtrA(window, GWL_STYLE, static_cast<LONG_PTR>(newStyle));
        if (newEx != ex) SetWindowLongPtrA(window, GWL_EXSTYLE, static_cast<LONG_PTR>(newEx));
        if (!SetWindowPos(window, NULL, 0, 0, 0, 0,
                          SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER |
                              SWP_NOACTIVATE))
            LogLastError("Error from SetWindowPos");
        if (taskbar) ShowWindow(window, SW_SHOWNOACTIVATE);
        WriteLog("Window", "styles changed");
    }
    ApplyWidgetLayering(window);
}

LRESULT WidgetHitTest(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT hit = DefWindowProcA(window, message, wParam, lParam);
    if (ScreenSettings.Frame == 0 && hit == HTCLIENT) return HTCAPTION;
    return hit;
}

LRESULT WidgetMouseActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (ScreenSettings.NoActivate != 0) return MA_NOACTIVATE;
    return DefWindowProcA(window, message, wParam, lParam);
}

static bool Within(LONG edge, LONG target, int32_t distance) {
    return edge - target >= -distance && edge - target <= distance;
}

void SnapToWorkArea(RECT *rect, const RECT &work, int32_t distance) {
    if (distance <= 0) return;
    LONG dx = Within(rect->left, work.left, distance)     ? work.left - rect->left
              : Within(rect->right, work.right, distance) ? work.right - rect->right
                                                          : 0;
    LONG dy = Within(rect->top, work.top, distance)         ? work.top - rect->top
              : Within(rect->bottom, work.bottom, distance) ? work.bottom - rect->bottom
                                                            : 0;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
}

LRESULT WidgetMoving(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    RECT *rect = reinterpret_cast<RECT *>(lParam);
    if (ScreenSettings.SnapDistance <= 0 || !rect)
        return DefWindowProcA(window, message, wParam, lParam);
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    HMONITOR on = MonitorFromRect(rect, MONITOR_DEFAULTTONEAREST);
    if (on && GetMonitorInfoA(on, &monitor))
        SnapToWorkArea(rect, monitor.rcWork, ScreenSettings.SnapDistance);
    return TRUE;
}
