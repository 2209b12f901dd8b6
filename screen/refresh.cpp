#include "refresh.h"

#include "config/config.h"
#include "config/watch.h"
#include "driver/display_memory.h"
#include "log/log.h"
#include "record/capture.h"
#include "screen/compose.h"
#include "screen/placement.h"
#include "screen/window.h"

#include <cstring>

HDC PaintSurface;

static int DirtyFlag;
static LONG VirtualScreenBounds[4]; // left, top, right, bottom

void MarkDisplayDirty() {
    DirtyFlag = 1;
}

static void DetectTextChanges() {
    for (int r = 0; r < kRows; ++r) {
        // The whole text counts: a shortened, emptied or restored row is a change.
        if (strcmp(reinterpret_cast<const char *>(TextRows[r]),
                   reinterpret_cast<const char *>(ShadowRows[r])) != 0) {
            DirtyFlag = 1;
            memcpy(ShadowRows[r], TextRows[r], sizeof ShadowRows[r]);
        }
    }
}

static void DetectDesktopChanges() {
    LONG left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    LONG top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    LONG bounds[4] = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (memcmp(bounds, VirtualScreenBounds, sizeof bounds) != 0) DirtyFlag = 1;
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
// block transfer; the image stays in `image` for a recording. Returns
// false when the window gave no paint surface.
static bool Repaint(ComposedImage *image) {
    DirtyFlag = 0;
    ProcessWindowMessages();
    ShowAgain();
    InvalidateRect(DisplayWindow, NULL, FALSE);
    PAINTSTRUCT paint;
    PaintSurface = BeginPaint(DisplayWindow, &paint);
    if (!PaintSurface) {
        LogLastError("Error from BeginPaint");
        DirtyFlag = 1; // the change is still not on the window: try again next time
        return false;
    }
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

    ComposedImage image;
    memset(&image, 0, sizeof image);
    if (WindowCreated == 1 && DirtyFlag == 1 && !Repaint(&image)) return 0;

    // A recording right after a repaint writes the image just composed.
    if (ScreenSettings.Record != 0) RecordIfDue(DisplayWindow, image.surface ? &image : NULL);
    ReleaseComposed(&image);
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
