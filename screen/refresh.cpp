#include "refresh.h"

#include "config/config.h"
#include "config/watch.h"
#include "driver/display_memory.h"
#include "log/log.h"
#include "record/capture.h"
#include "screen/compose.h"
#include "screen/dirty.h"
#include "screen/kept_image.h"
#include "screen/placement.h"
#include "screen/window.h"
#include "screen/window_dpi.h"
#include "screen/window_settings.h"
#include "web/server.h"

#include <cstring>

HDC PaintSurface;

static LONG VirtualScreenBounds[4]; // left, top, right, bottom

static void DetectTextChanges() {
    for (int r = 0; r < kRows; ++r) {
        // The whole text counts: a shortened, emptied or restored row is a change.
        if (strcmp(reinterpret_cast<const char *>(TextRows[r]),
                   reinterpret_cast<const char *>(ShadowRows[r])) != 0) {
            MarkDisplayDirty();
            memcpy(ShadowRows[r], TextRows[r], sizeof ShadowRows[r]);
        }
    }
}

static void DetectDesktopChanges() {
    LONG left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    LONG top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    LONG bounds[4] = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (memcmp(bounds, VirtualScreenBounds, sizeof bounds) != 0) MarkDisplayDirty();
    memcpy(VirtualScreenBounds, bounds, sizeof bounds);
}

// A hidden or minimised window is shown again at the next repaint, without
// taking the activation from the host's own windows.
static void ShowAgain() {
    if (ScreenSettings.DontShowWindow != 0) return;
    if (IsWindowVisible(DisplayWindow) && !IsIconic(DisplayWindow)) return;
    ShowWindow(DisplayWindow, SW_SHOWNOACTIVATE);
}

// Composes the whole image off screen and puts it on the window in one
// block transfer; the image is kept for recordings until the display
// changes. Returns false when the window gave no paint surface.
static bool Repaint() {
    ClearDisplayDirty();
    ProcessWindowMessages();
    ShowAgain();
    InvalidateRect(DisplayWindow, NULL, FALSE);
    PAINTSTRUCT paint;
    PaintSurface = BeginPaint(DisplayWindow, &paint);
    if (!PaintSurface) {
        LogLastError("Error from BeginPaint");
        MarkDisplayDirty(); // the change is still not on the window: try again next time
        return false;
    }
    ComposedImage *image = RepaintImage();
    if (ComposeDisplay(DisplayWindow, image) &&
        !BitBlt(PaintSurface, 0, 0, image->info.bmiHeader.biWidth, image->info.bmiHeader.biHeight,
                image->surface, 0, 0, SRCCOPY))
        LogLastError("Error from BitBlt");
    EndPaint(DisplayWindow, &paint);
    NoteRepaint();
    return true;
}

static int RefreshWindow() {
    ProcessWindowMessages();
    if (ConfigFileSaved()) ApplyWindowSettings();
    DetectTextChanges();
    int32_t x, y, width, height;
    LoadWorkingLayouts(&x, &y, &width, &height, WorkingLayouts);
    DetectDesktopChanges();

    bool repaint = WindowCreated == 1 && DisplayDirty();
    if (repaint && !Repaint()) return 0;
    PublishWebView(repaint);

    // A recording of what the window shows writes the kept image.
    if (ScreenSettings.Record != 0) RecordIfDue(DisplayWindow, CurrentImage());
    ProcessWindowMessages();
    SavePendingPlace(false);
    return 1;
}

// Another thread's call leaves the window and its recording to the
// window's thread, whose next refresh shows what that call stored. A call
// from inside the menu's or a drag's loop refreshes at once: its message
// processing does nothing there, and no paint is open while a loop runs.
int RefreshScreen() {
    if (!OnWindowThread()) return 1;
    // The window's sizes as the window sees them, whatever the host's DPI setting.
    void *kept = EnterDisplayDpi();
    int refreshed = RefreshWindow();
    LeaveDisplayDpi(kept);
    return refreshed;
}
