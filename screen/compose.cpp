#include "compose.h"

#include "config/config.h"
#include "log/log.h"
#include "screen/panel.h"
#include "screen/picture.h"
#include "driver/display_memory.h"
#include "screen/rows.h"

#include <cstdio>
#include <cstring>

// The inside as last seen while the window was not minimised: a minimised
// window's inside is empty, but it still shows the display when restored.
static LONG KnownWidth, KnownHeight;
static bool ReportedTooLarge;

// The image's size: the window's inside, within the largest the driver
// draws. A window too large for it is reported once while it lasts.
static void ImageSize(HWND window, LONG *width, LONG *height) {
    RECT client;
    memset(&client, 0, sizeof client);
    if (!IsIconic(window) && GetClientRect(window, &client)) {
        KnownWidth = client.right - client.left;
        KnownHeight = client.bottom - client.top;
    }
    // An empty inside is drawn as one pixel, as a compatible bitmap of it is.
    LONG w = KnownWidth > 0 ? KnownWidth : 1, h = KnownHeight > 0 ? KnownHeight : 1;
    LONG fitWidth = w < kMaxImageSide ? w : kMaxImageSide;
    LONG fitHeight = h < kMaxImageSide ? h : kMaxImageSide;
    if (fitHeight > kMaxImagePixels / fitWidth) fitHeight = kMaxImagePixels / fitWidth;
    bool tooLarge = fitWidth != w || fitHeight != h;
    if (tooLarge && !ReportedTooLarge) {
        char detail[200];
        snprintf(detail, sizeof detail,
                 "The window's inside is %ld x %ld pixels: only its top-left %ld x %ld are drawn "
                 "and recorded (at most %ld a side and %ld in all)",
                 static_cast<long>(w), static_cast<long>(h), static_cast<long>(fitWidth),
                 static_cast<long>(fitHeight), static_cast<long>(kMaxImageSide),
                 static_cast<long>(kMaxImagePixels));
        WriteLog("Error", detail);
    }
    ReportedTooLarge = tooLarge;
    *width = fitWidth;
    *height = fitHeight;
}

bool ComposeDisplay(HWND window, ComposedImage *image) {
    memset(image, 0, sizeof *image);
    LONG width, height;
    ImageSize(window, &width, &height);
    BITMAPINFOHEADER &header = image->info.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;

    HDC surface = CreateCompatibleDC(NULL);
    if (!surface) {
        LogLastError("Error from CreateCompatibleDC");
        return false;
    }
    void *bits = NULL;
    HBITMAP section = CreateDIBSection(surface, &image->info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!section || !bits) {
        LogLastError("Error from CreateDIBSection");
        if (section) DeleteObject(section);
        DeleteDC(surface);
        return false;
    }
    image->surface = surface;
    image->section = section;
    image->bits = static_cast<BYTE *>(bits);
    image->kept = SelectObject(surface, section);

    // Each composition draws the rows from their configured places.
    int32_t x, y, windowWidth, windowHeight;
    LoadWorkingLayouts(&x, &y, &windowWidth, &windowHeight, WorkingLayouts);
    RECT windowRect;
    memset(&windowRect, 0, sizeof windowRect);
    GetWindowRect(window, &windowRect);
    if (DrawModulePanel(surface))
        ; // a module: its glass and bezel instead of the picture
    else if (ScreenPicture.picture)
        Render(surface, &ScreenPicture.picture, &windowRect, 0, 0, ScreenPicture.width,
               ScreenPicture.height);
    else
        WriteLog("Lost the Picture", "So cant display it");
    for (int row = 0; row < kRows; ++row) DrawRow(row, surface);
    return true;
}

void ReleaseComposed(ComposedImage *image) {
    if (!image->surface) return;
    if (image->kept && image->kept != HGDI_ERROR) {
        HGDIOBJ returned = SelectObject(image->surface, image->kept);
        if (!returned || returned == HGDI_ERROR) LogLastError("Error from SelectObject(hbm)");
    }
    bool sectionDeleted = DeleteObject(image->section) != 0;
    if (!sectionDeleted) LogLastError("Error from DeleteObject(hbm)");
    if (!DeleteDC(image->surface)) LogLastError("Error from DeleteObject(mhdc)");
    // A bitmap still held by the context can go once the context is gone.
    if (!sectionDeleted) DeleteObject(image->section);
    memset(image, 0, sizeof *image);
}
