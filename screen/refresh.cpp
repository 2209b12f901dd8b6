#include "refresh.h"

#include "config/config.h"
#include "config/watch.h"
#include "driver/display_memory.h"
#include "log/log.h"
#include "record/capture.h"
#include "screen/panel.h"
#include "screen/picture.h"
#include "screen/rows.h"
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

// Composes the whole image off screen and puts it on the window in one
// block transfer. Returns false when the window gave no paint surface.
static bool Repaint(int32_t width, int32_t height) {
    DirtyFlag = 0;
    ProcessWindowMessages();
    RECT windowRect;
    GetWindowRect(DisplayWindow, &windowRect);
    InvalidateRect(DisplayWindow, NULL, FALSE);
    PAINTSTRUCT paint;
    PaintSurface = BeginPaint(DisplayWindow, &paint);
    if (!PaintSurface) {
        LogLastError("Error from BeginPaint");
        DirtyFlag = 1; // the change is still not on the window: try again next time
        return false;
    }

    HDC surface = CreateCompatibleDC(PaintSurface);
    HBITMAP bitmap = CreateCompatibleBitmap(PaintSurface, width, height);
    // A size below zero, or one too large for memory, gives no bitmap: say
    // so here, rather than through the selection and deletion of none.
    if (!bitmap) LogLastError("Error from CreateCompatibleBitmap");
    HGDIOBJ kept = bitmap ? SelectObject(surface, bitmap) : NULL;

    if (DrawModulePanel(surface))
        ; // a module: its glass and bezel instead of the picture
    else if (ScreenPicture.picture)
        Render(surface, &ScreenPicture.picture, &windowRect, 0, 0, ScreenPicture.width,
               ScreenPicture.height);
    else
        WriteLog("Lost the Picture", "So cant display it");
    for (int row = 0; row < kRows; ++row) DrawRow(row, surface);

    BitBlt(PaintSurface, 0, 0, width, height, surface, 0, 0, SRCCOPY);

    bool bitmapDeleted = true;
    if (bitmap) {
        HGDIOBJ returned = SelectObject(surface, kept);
        if (!returned || returned == HGDI_ERROR) LogLastError("Error from SelectObject(hbm)");
        bitmapDeleted = DeleteObject(bitmap) != 0;
        if (!bitmapDeleted) LogLastError("Error from DeleteObject(hbm)");
    }
    if (!DeleteDC(surface)) LogLastError("Error from DeleteObject(mhdc)");
    // A bitmap still held by the surface can go once the surface is gone.
    if (!bitmapDeleted) DeleteObject(bitmap);

    EndPaint(DisplayWindow, &paint);
    NoteRepaint();
    // Every repaint shows the window again, restored if it was minimised.
    if (ScreenSettings.DontShowWindow == 0) ShowWindow(DisplayWindow, SW_RESTORE);
    return true;
}

int RefreshScreen() {
    ProcessWindowMessages();
    if (ConfigFileSaved()) ApplyWindowSettings();
    DetectTextChanges();
    int32_t x, y, width, height;
    LoadWorkingLayouts(&x, &y, &width, &height, WorkingLayouts);
    DetectDesktopChanges();

    if (WindowCreated == 1 && DirtyFlag == 1 && !Repaint(width, height)) return 0;

    if (ScreenSettings.Record != 0) RecordIfDue(DisplayWindow);
    ProcessWindowMessages();
    return 1;
}
