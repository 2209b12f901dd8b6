#include "placement.h"

#include "config/config.h"
#include "config/place.h"
#include "log/log.h"
#include "screen/dirty.h"
#include "screen/scale.h"
#include "screen/window.h"
#include "screen/window_dpi.h"
#include "screen/window_range.h"

#include <cstdio>
#include <cstring>

static int WheelRest; // wheel turns short of a whole step

// A zoom changed with RememberPlace=1 and not saved yet: saved once it has
// stopped changing for a second (a wheel burst is one save), or at Done.
static const ULONGLONG kZoomSettleMs = 1000;
static bool SavePending;
static ULONGLONG ZoomChangedAt;

// A sizing drag, from its first WM_SIZING to WM_EXITSIZEMOVE: the size and
// zoom it started from, and the size and zoom last proposed.
static struct {
    bool active;
    WPARAM edge;
    int32_t startZoom, proposedZoom;
    LONG startWidth, startHeight, proposedWidth, proposedHeight;
} Drag;

// Configured places are 96-DPI units; the window's are the system's pixels.
// Both ways round to the nearest, so that a place saved and read back at
// any DPI is the same place (truncating lost a unit at each start).
static int64_t ToScreen(int32_t value) {
    int64_t scaled = static_cast<int64_t>(value) * SystemDpi();
    return scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96);
}
static int32_t FromScreen(int32_t value) {
    int64_t scaled = static_cast<int64_t>(value) * 96;
    const int32_t dpi = SystemDpi();
    return static_cast<int32_t>(scaled >= 0 ? (scaled + dpi / 2) / dpi
                                            : -((-scaled + dpi / 2) / dpi));
}

// The window's place and outer size as the settings say, at `zoom`, within
// the range the system shows (screen/window_range.h). Corrections are
// logged for the zoom the window has.
static void Wanted(int32_t zoom, int32_t *x, int32_t *y, int32_t *width, int32_t *height) {
    static LineLayout scratch[4];
    int32_t kept = ScreenSettings.Zoom;
    ScreenSettings.Zoom = zoom;
    LoadWorkingLayouts(x, y, width, height, scratch);
    ScreenSettings.Zoom = kept;
    KeepWindowInRange(ToScreen(*x), ToScreen(*y), *width, *height, zoom == kept, x, y, width,
                      height);
}

bool KeepRectOnScreen(const RECT &window, const RECT &monitor, const RECT &work, RECT *moved) {
    const int64_t width = static_cast<int64_t>(window.right) - window.left;
    const int64_t height = static_cast<int64_t>(window.bottom) - window.top;
    if (width <= 0 || height <= 0) {
        // Nothing to see: it stays when its corner is on the monitor.
        if (window.left >= monitor.left && window.left < monitor.right &&
            window.top >= monitor.top && window.top < monitor.bottom)
            return false;
    } else {
        const int64_t seenWidth = (window.right < monitor.right ? window.right : monitor.right) -
                                  (window.left > monitor.left ? window.left : monitor.left);
        const int64_t seenHeight =
            (window.bottom < monitor.bottom ? window.bottom : monitor.bottom) -
            (window.top > monitor.top ? window.top : monitor.top);
        const int64_t seen = seenWidth > 0 && seenHeight > 0 ? seenWidth * seenHeight : 0;
        if (4 * seen >= width * height) return false;
    }
    const int64_t w = width > 0 ? width : 0, h = height > 0 ? height : 0;
    int64_t left = window.left, top = window.top;
    if (left > work.right - w) left = work.right - w;
    if (left < work.left) left = work.left;
    if (top > work.bottom - h) top = work.bottom - h;
    if (top < work.top) top = work.top;
    // Larger than the work area and at its corner already: as far on as it goes.
    if (left == window.left && top == window.top) return false;
    moved->left = static_cast<LONG>(left);
    moved->top = static_cast<LONG>(top);
    moved->right = static_cast<LONG>(left + w);
    moved->bottom = static_cast<LONG>(top + h);
    return true;
}

// With KeepOnScreen=1 or RememberPlace=1, a shown window mostly off its
// nearest monitor goes into that monitor's work area.
static void KeepOnScreen(HWND window) {
    const ScreenSettingsRecord &s = ScreenSettings;
    if ((s.KeepOnScreen == 0 && s.RememberPlace == 0) || s.DontShowWindow != 0) return;
    if (!window || IsIconic(window)) return;
    RECT rect;
    if (!GetWindowRect(window, &rect)) return;
    MONITORINFO monitor;
    memset(&monitor, 0, sizeof monitor);
    monitor.cbSize = sizeof monitor;
    HMONITOR nearest = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
    if (!nearest || !GetMonitorInfoA(nearest, &monitor)) {
        LogLastError("Error from GetMonitorInfo");
        return;
    }
    RECT moved;
    if (!KeepRectOnScreen(rect, monitor.rcMonitor, monitor.rcWork, &moved)) return;
    if (!SetWindowPos(window, NULL, moved.left, moved.top, 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)) {
        LogLastError("Error from SetWindowPos");
        return;
    }
    char detail[96];
    snprintf(detail, sizeof detail, "off the screen at %ld, %ld: moved to %ld, %ld",
             static_cast<long>(rect.left), static_cast<long>(rect.top),
             static_cast<long>(moved.left), static_cast<long>(moved.top));
    WriteLog("Window", detail);
}

HWND CreateDisplayWindow(DWORD exStyle, const char *className, HINSTANCE instance) {
    UseRememberedPlace();
    Drag.active = false;
    WheelRest = 0;
    void *kept = StartFollowingDpi();
    int32_t x, y, width, height;
    Wanted(ScreenSettings.Zoom, &x, &y, &width, &height);
    HWND window = CreateWindowExA(exStyle, className, NULL, DisplayWindowStyle(), x, y, width,
                                  height, NULL, NULL, instance, NULL);
    if (window && FollowingDpi()) {
        // On a monitor of another DPI than the system's: its own size there.
        int32_t dpi = DpiOfWindow(window);
        if (dpi > 0 && dpi != SystemDpi()) {
            SetDisplayDpi(dpi);
            Wanted(ScreenSettings.Zoom, &x, &y, &width, &height);
            SetWindowPos(window, NULL, 0, 0, width, height,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        char detail[64];
        snprintf(detail, sizeof detail, "%d DPI (the system's %d)", DisplayDpi(), SystemDpi());
        WriteLog("create_screen", detail);
    }
    if (window) KeepOnScreen(window);
    LeaveDisplayDpi(kept);
    return window;
}

BOOL PlaceDisplayWindow(HWND insertAfter) {
    KeepPlaceUnlessConfigured();
    int32_t x, y, width, height;
    Wanted(ScreenSettings.Zoom, &x, &y, &width, &height);
    BOOL placed = SetWindowPos(DisplayWindow, insertAfter, x, y, width, height, SWP_NOACTIVATE);
    if (placed) KeepOnScreen(DisplayWindow);
    return placed;
}

// The window's place in 96-DPI units (the next start on a screen of
// another DPI puts it at the same place, neither halved nor doubled) and
// the zoom, also kept in the settings; false when there is no window.
static bool TakeWindowPlace(WindowPlace *place) {
    if (!DisplayWindow || IsIconic(DisplayWindow)) return false;
    void *kept = EnterDisplayDpi();
    RECT rect;
    bool known = GetWindowRect(DisplayWindow, &rect) != 0;
    LeaveDisplayDpi(kept);
    if (!known) {
        LogLastError("Error from GetWindowRect");
        return false;
    }
    ScreenSettings.X = FromScreen(rect.left);
    ScreenSettings.Y = FromScreen(rect.top);
    ScreenSettings.Zoom = ClampZoom(ScreenSettings.Zoom);
    place->X = ScreenSettings.X;
    place->Y = ScreenSettings.Y;
    place->Zoom = ScreenSettings.Zoom;
    return true;
}

// RememberPlace=1: the place saved unless the next start would use it anyway.
static void RememberWindowPlace() {
    WindowPlace place;
    if (TakeWindowPlace(&place)) RememberPlace(place, false);
}

void SaveWindowPlace() {
    WindowPlace place;
    if (TakeWindowPlace(&place)) RememberPlace(place, true);
}

void SavePendingPlace(bool now) {
    if (!SavePending) return;
    if (!now && GetTickCount64() - ZoomChangedAt < kZoomSettleMs) return;
    if (ScreenSettings.RememberPlace != 0) RememberWindowPlace();
    SavePending = false;
}

void SetDisplayZoom(int percent) {
    int32_t zoom = ClampZoom(percent);
    if (zoom == ScreenSettings.Zoom) return;
    ScreenSettings.Zoom = zoom;
    if (DisplayWindow) {
        int32_t x, y, width, height;
        void *kept = EnterDisplayDpi();
        Wanted(zoom, &x, &y, &width, &height);
        if (!SetWindowPos(DisplayWindow, NULL, 0, 0, width, height,
                          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
            LogLastError("Error from SetWindowPos");
        LeaveDisplayDpi(kept);
    }
    MarkDisplayDirty();
    if (ScreenSettings.RememberPlace == 0) return;
    SavePending = true;
    ZoomChangedAt = GetTickCount64();
}

// The zoom a window of this outer size shows, dragged by `edge`: the zoom
// it started from or the one last proposed when it has their size, else
// the zoom its dragged edge comes nearest. 0 when there is no telling.
static int32_t ZoomOfSize(LONG outerWidth, LONG outerHeight, WPARAM edge) {
    if (Drag.active && outerWidth == Drag.startWidth && outerHeight == Drag.startHeight)
        return Drag.startZoom;
    if (Drag.active && outerWidth == Drag.proposedWidth && outerHeight == Drag.proposedHeight)
        return Drag.proposedZoom;
    int32_t x, y, baseWidth, baseHeight;
    Wanted(100, &x, &y, &baseWidth, &baseHeight);
    RECT frame;
    WindowFrame(DisplayWindowStyle(), &frame);
    const int32_t frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
    const int64_t clientWidth = baseWidth - frameWidth, clientHeight = baseHeight - frameHeight;
    if (clientWidth <= 0 || clientHeight <= 0) return 0;
    const int64_t byWidth = 100 * (outerWidth - frameWidth) / clientWidth;
    const int64_t byHeight = 100 * (outerHeight - frameHeight) / clientHeight;
    int64_t zoom = edge == WMSZ_LEFT || edge == WMSZ_RIGHT    ? byWidth
                   : edge == WMSZ_TOP || edge == WMSZ_BOTTOM ? byHeight
                   : byWidth > byHeight                      ? byWidth
                                                             : byHeight;
    return static_cast<int32_t>(zoom < kMinZoom ? kMinZoom : zoom > kMaxZoom ? kMaxZoom : zoom);
}

// During a sizing drag the zoom is the one of the size the window has.
static void FollowWindowSize(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return;
    int32_t zoom = ZoomOfSize(rect.right - rect.left, rect.bottom - rect.top, Drag.edge);
    if (zoom == 0 || zoom == ScreenSettings.Zoom) return;
    ScreenSettings.Zoom = zoom;
    MarkDisplayDirty();
}

LRESULT OnExitSizeMove(HWND window, WPARAM wParam, LPARAM lParam) {
    if (Drag.active) FollowWindowSize(window);
    Drag.active = false;
    if (ScreenSettings.RememberPlace != 0) RememberWindowPlace();
    return DefWindowProcA(window, WM_EXITSIZEMOVE, wParam, lParam);
}

LRESULT OnSize(HWND window, WPARAM wParam, LPARAM lParam) {
    if (Drag.active && !IsIconic(window)) FollowWindowSize(window);
    return DefWindowProcA(window, WM_SIZE, wParam, lParam);
}

// Dragging a sizing edge proposes a zoom: the rectangle is made the size of
// the zoom its dragged edge comes nearest, its opposite edges held. The zoom
// is the window's once the system gives it that size.
LRESULT OnSizing(HWND window, WPARAM wParam, LPARAM lParam) {
    RECT *rect = reinterpret_cast<RECT *>(lParam);
    if (ScreenSettings.Resizable == 0 || !rect) return DefWindowProcA(window, WM_SIZING, wParam, lParam);
    const WPARAM edge = wParam;
    if (!Drag.active) {
        RECT start;
        if (!GetWindowRect(window, &start)) return TRUE;
        Drag.startWidth = start.right - start.left;
        Drag.startHeight = start.bottom - start.top;
        Drag.startZoom = ScreenSettings.Zoom;
        Drag.proposedWidth = Drag.proposedHeight = -1;
        Drag.active = true;
    }
    Drag.edge = edge;
    int32_t zoom = ZoomOfSize(rect->right - rect->left, rect->bottom - rect->top, edge);
    if (zoom == 0) return TRUE;
    int32_t x, y, width, height;
    Wanted(zoom, &x, &y, &width, &height);
    if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT)
        rect->left = rect->right - width;
    else
        rect->right = rect->left + width;
    if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT)
        rect->top = rect->bottom - height;
    else
        rect->bottom = rect->top + height;
    Drag.proposedZoom = zoom;
    Drag.proposedWidth = width;
    Drag.proposedHeight = height;
    return TRUE;
}

// Ctrl and the wheel: 10 percent a notch (120 units of turn).
LRESULT OnMouseWheel(HWND window, WPARAM wParam, LPARAM lParam) {
    if (ScreenSettings.Resizable == 0 || (wParam & MK_CONTROL) == 0)
        return DefWindowProcA(window, WM_MOUSEWHEEL, wParam, lParam);
    const int turn = static_cast<short>((wParam >> 16) & 0xFFFF);
    // A turn back starts afresh: what was left of the other way is dropped.
    if ((turn < 0 && WheelRest > 0) || (turn > 0 && WheelRest < 0)) WheelRest = 0;
    WheelRest += turn;
    int notches = WheelRest / 120;
    WheelRest -= notches * 120;
    if (notches != 0) SetDisplayZoom(ScreenSettings.Zoom + 10 * notches);
    return 0;
}

// Moved to a monitor of another DPI (or its DPI changed): the system's
// suggested rectangle, and everything drawn at the new DPI.
LRESULT OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam) {
    static int32_t loggedDpi; // a DPI out of range, logged while it lasts
    const RECT *suggested = reinterpret_cast<const RECT *>(lParam);
    if (!FollowingDpi() || !suggested) return DefWindowProcA(window, WM_DPICHANGED, wParam, lParam);
    const int32_t asked = static_cast<int32_t>(wParam & 0xFFFF);
    const int32_t dpi = asked < kMinDpi ? kMinDpi : asked > kMaxDpi ? kMaxDpi : asked;
    SetDisplayDpi(dpi);
    int32_t x = suggested->left, y = suggested->top;
    int32_t width = suggested->right - suggested->left, height = suggested->bottom - suggested->top;
    if (dpi != asked) {
        // The suggested size is for a DPI not used: the window's own at this one.
        int32_t wantedX, wantedY;
        Wanted(ScreenSettings.Zoom, &wantedX, &wantedY, &width, &height);
        if (asked != loggedDpi) {
            char detail[96];
            snprintf(detail, sizeof detail, "%d DPI is outside %d to %d: %d used", asked, kMinDpi,
                     kMaxDpi, dpi);
            WriteLog("Window", detail);
        }
    }
    loggedDpi = dpi != asked ? asked : 0;
    if (!SetWindowPos(window, NULL, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE))
        LogLastError("Error from SetWindowPos");
    char detail[32];
    snprintf(detail, sizeof detail, "%d DPI", DisplayDpi());
    WriteLog("Window", detail);
    MarkDisplayDirty();
    return 0;
}

// A monitor unplugged or its resolution changed.
LRESULT OnDisplayChange(HWND window, WPARAM wParam, LPARAM lParam) {
    KeepOnScreen(window);
    MarkDisplayDirty();
    return DefWindowProcA(window, WM_DISPLAYCHANGE, wParam, lParam);
}
