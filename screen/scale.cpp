#include "scale.h"

#include "screen/widget.h"

#include "log/log.h"
#include "screen/window.h"

#include <cstring>

static int32_t WindowDpi; // 0: not following the DPI

typedef BOOL(WINAPI *AdjustForDpiFunction)(LPRECT, DWORD, BOOL, DWORD, UINT);

int32_t ClampZoom(int32_t percent) {
    return percent < kMinZoom ? kMinZoom : percent > kMaxZoom ? kMaxZoom : percent;
}

void SetDisplayDpi(int32_t dpi) {
    WindowDpi = dpi > 0 ? dpi : 0;
}

int32_t DisplayDpi() {
    return WindowDpi;
}

// The scale as a fraction: zoom x DPI over 100 x 96.
static int64_t ScaleNumerator() {
    return static_cast<int64_t>(ClampZoom(ScreenSettings.Zoom)) * (WindowDpi > 0 ? WindowDpi : 96);
}
static const int64_t kScaleDenominator = 100 * 96;

int32_t ScaleLength(int32_t length) {
    const int64_t numerator = ScaleNumerator();
    if (numerator == kScaleDenominator) return length;
    int64_t product = static_cast<int64_t>(length) * numerator;
    int64_t half = kScaleDenominator / 2;
    int64_t scaled = product >= 0 ? (product + half) / kScaleDenominator
                                  : -((-product + half) / kScaleDenominator);
    if (scaled > INT32_MAX) return INT32_MAX;
    if (scaled < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(scaled);
}

DWORD DisplayWindowStyle() {
    return WidgetStyle(ScreenSettings);
}

// AdjustWindowRectExForDpi where the system has it (Windows 10 1607 on).
static AdjustForDpiFunction AdjustForDpi() {
    static bool looked;
    static AdjustForDpiFunction found;
    if (!looked) {
        looked = true;
        HMODULE user = GetModuleHandleA("user32.dll");
        if (user)
            found = reinterpret_cast<AdjustForDpiFunction>(
                reinterpret_cast<void *>(GetProcAddress(user, "AdjustWindowRectExForDpi")));
    }
    return found;
}

void WindowFrame(DWORD style, RECT *frame) {
    FrameFor(style, WindowDpi, frame);
}

void FrameFor(DWORD style, int32_t dpi, RECT *frame) {
    memset(frame, 0, sizeof *frame);
    AdjustForDpiFunction forDpi = dpi > 0 ? AdjustForDpi() : NULL;
    BOOL made = forDpi ? forDpi(frame, style, FALSE, 0, static_cast<UINT>(dpi))
                       : AdjustWindowRectEx(frame, style, FALSE, 0);
    if (!made) {
        LogLastError("Error from AdjustWindowRectEx");
        memset(frame, 0, sizeof *frame);
    }
}

void ScaleWorkingLayouts(int32_t *width, int32_t *height, LineLayout rows[4], bool module) {
    const bool unscaled = ScaleNumerator() == kScaleDenominator;
    const DWORD style = DisplayWindowStyle();
    if (unscaled && style == kDisplayWindowStyle) return;
    for (int r = 0; r < 4 && !unscaled; ++r) {
        LineLayout &row = rows[r];
        if (row.DotPitch > 0) continue; // a module's row
        row.X = ScaleLength(row.X);
        row.Y = ScaleLength(row.Y);
        row.FontHeight = ScaleLength(row.FontHeight);
        row.FontWidth = ScaleLength(row.FontWidth);
        row.DotGap = ScaleLength(row.DotGap);
    }
    // Width= and Height= are outer sizes of the plain style in 96-DPI
    // pixels, so while the window follows the DPI their frame is the one at
    // 96 (a title bar at 144 DPI is more than 1.5 x its height at 96). A
    // module's outer size was made with the frame as the system measures
    // it, at scale already. The client area inside is what scales.
    RECT plain, own;
    FrameFor(kDisplayWindowStyle, module || WindowDpi == 0 ? 0 : 96, &plain);
    WindowFrame(style, &own);
    // In 64 bits: a size of any configured number less its frame.
    const int64_t clientWidth = static_cast<int64_t>(*width) - (plain.right - plain.left);
    const int64_t clientHeight = static_cast<int64_t>(*height) - (plain.bottom - plain.top);
    if (clientWidth <= 0 || clientHeight <= 0) return; // no client area to speak of
    const int64_t scaledWidth = module ? clientWidth : ScaleLength(static_cast<int32_t>(clientWidth));
    const int64_t scaledHeight =
        module ? clientHeight : ScaleLength(static_cast<int32_t>(clientHeight));
    const int64_t outerWidth = scaledWidth + (own.right - own.left);
    const int64_t outerHeight = scaledHeight + (own.bottom - own.top);
    *width = outerWidth > INT32_MAX ? INT32_MAX : static_cast<int32_t>(outerWidth);
    *height = outerHeight > INT32_MAX ? INT32_MAX : static_cast<int32_t>(outerHeight);
}

int32_t PictureDotsPerInch(HDC target, int index) {
    int32_t dpi = WindowDpi > 0 ? WindowDpi : GetDeviceCaps(target, index);
    return dpi * ClampZoom(ScreenSettings.Zoom);
}
