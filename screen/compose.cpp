#include "compose.h"

#include "config/config.h"
#include "config/module.h"
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
static bool ReportedNoPicture; // a picture is configured and none is loaded

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

// Drops the pixels read from the image: the bitmap is about to change.
static void DropPixels(ComposedImage *image) {
    if (image->memory) {
        GlobalUnlock(image->memory);
        GlobalFree(image->memory);
    }
    image->memory = NULL;
    image->pixels = NULL;
}

// Gives `image` a surface of `width` x `height`: its own when it has one
// of that size (put back into its context after a read), else a new one.
static bool PrepareSurface(HWND window, ComposedImage *image, LONG width, LONG height) {
    BITMAPINFOHEADER &header = image->info.bmiHeader;
    if (image->surface && header.biWidth == width && header.biHeight == height) {
        DropPixels(image);
        if (!image->kept) image->kept = SelectObject(image->surface, image->bitmap);
        if (image->kept && image->kept != HGDI_ERROR) {
            // Black, as a new bitmap is: what the picture does not cover.
            RECT whole = {0, 0, width, height};
            FillRect(image->surface, &whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            return true;
        }
        LogLastError("Error from SelectObject(hbm)");
        image->kept = NULL; // not in the context: the bitmap goes with the rest
    }
    ReleaseComposed(image);
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;

    // A bitmap compatible with the window, as the window's own pixels are:
    // drawing on it and putting it on the window take the system's fastest
    // way (a DIB section costs twice as much under Wine).
    HDC windowDC = GetDC(window);
    HDC surface = CreateCompatibleDC(windowDC);
    if (!surface) {
        LogLastError("Error from CreateCompatibleDC");
        ReleaseDC(window, windowDC);
        return false;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(windowDC, width, height);
    ReleaseDC(window, windowDC);
    if (!bitmap) {
        LogLastError("Error from CreateCompatibleBitmap");
        DeleteDC(surface);
        return false;
    }
    image->surface = surface;
    image->bitmap = bitmap;
    image->kept = SelectObject(surface, bitmap);
    return true;
}

bool ComposeDisplay(HWND window, ComposedImage *image) {
    LONG width, height;
    ImageSize(window, &width, &height);
    if (!PrepareSurface(window, image, width, height)) return false;
    HDC surface = image->surface;

    // Each composition draws the rows from their configured places.
    int32_t x, y, windowWidth, windowHeight;
    LoadWorkingLayouts(&x, &y, &windowWidth, &windowHeight, WorkingLayouts);
    RECT windowRect;
    memset(&windowRect, 0, sizeof windowRect);
    GetWindowRect(window, &windowRect);
    if (DrawModulePanel(surface))
        ; // a module: its glass and bezel instead of the picture
    else if (ScreenPicture.picture) {
        Render(surface, &ScreenPicture.picture, &windowRect, 0, 0, ScreenPicture.width,
               ScreenPicture.height);
        ReportedNoPicture = false;
    }
    // None wanted is no loss; one that failed to load is said once while it lasts.
    else if (BackgroundPicturePath()[0] != 0 && !ReportedNoPicture) {
        WriteLog("Lost the Picture", "So cant display it");
        ReportedNoPicture = true;
    }
    for (int row = 0; row < kRows; ++row) DrawRow(row, surface);
    return true;
}

// Puts the context's own bitmap back, so that the image's bitmap can be
// read or deleted.
static void Deselect(ComposedImage *image) {
    if (!image->kept || image->kept == HGDI_ERROR) return;
    HGDIOBJ returned = SelectObject(image->surface, image->kept);
    if (!returned || returned == HGDI_ERROR) LogLastError("Error from SelectObject(hbm)");
    image->kept = NULL;
}

const BYTE *ReadComposedPixels(ComposedImage *image) {
    if (image->pixels) return image->pixels;
    const BITMAPINFOHEADER &header = image->info.bmiHeader;
    SIZE_T bytes = static_cast<SIZE_T>(header.biWidth) * static_cast<SIZE_T>(header.biHeight) * 4;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    BYTE *pixels = memory ? static_cast<BYTE *>(GlobalLock(memory)) : NULL;
    if (!pixels) {
        LogLastError("Error from GlobalAlloc (the image's pixels)");
        if (memory) GlobalFree(memory);
        return NULL;
    }
    image->memory = memory;
    Deselect(image);
    if (GetDIBits(image->surface, image->bitmap, 0, static_cast<UINT>(header.biHeight), pixels,
                  &image->info, DIB_RGB_COLORS) != header.biHeight) {
        LogLastError("Error from GetDIBits");
        DropPixels(image); // a kept image is read again at its next recording
        return NULL;
    }
    image->pixels = pixels;
    return pixels;
}

bool CopyComposedPixels(ComposedImage *image, BYTE *out) {
    const BITMAPINFOHEADER &header = image->info.bmiHeader;
    if (image->pixels) {
        memcpy(out, image->pixels,
               static_cast<size_t>(header.biWidth) * 4 * static_cast<size_t>(header.biHeight));
        return true;
    }
    Deselect(image);
    if (GetDIBits(image->surface, image->bitmap, 0, static_cast<UINT>(header.biHeight), out,
                  &image->info, DIB_RGB_COLORS) != header.biHeight) {
        LogLastError("Error from GetDIBits");
        return false;
    }
    return true;
}

void ReleaseComposed(ComposedImage *image) {
    if (!image->surface) {
        memset(image, 0, sizeof *image);
        return;
    }
    DropPixels(image);
    Deselect(image);
    bool bitmapDeleted = DeleteObject(image->bitmap) != 0;
    if (!bitmapDeleted) LogLastError("Error from DeleteObject(hbm)");
    if (!DeleteDC(image->surface)) LogLastError("Error from DeleteObject(mhdc)");
    // A bitmap still held by the context can go once the context is gone.
    if (!bitmapDeleted) DeleteObject(image->bitmap);
    memset(image, 0, sizeof *image);
}
