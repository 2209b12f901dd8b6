// Shared by the simulation's source files; not for driver or test code.
#pragma once

#include "sim_control.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Records a call in the journal; `format` and what follows describe its
// arguments. Returns true when fault injection makes this call fail, after
// setting the call's error as the last error.
bool enter(const char *operation, const char *format, ...) __attribute__((format(printf, 2, 3)));

// The system error code Windows gives for what an errno value says.
DWORD errorFromErrno(int err);

// The host path for a Windows-style path: "\" becomes "/".
std::string host_path(const char *path);

// A pixel surface: 32-bit values 0x00RRGGBB (a COLORREF's bytes in the
// order red is the high byte, as a DIB stores them), row-major, top row first.
struct Surface {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// What a device context draws on: the surface (a memory DC's selected bitmap,
// or a window's client area), where the context's point (0, 0) lies on that
// surface, and the clip rectangle in surface coordinates. False for a context
// that is not valid or has nothing to draw on.
struct DrawTarget {
    Surface *surface;
    int originX;
    int originY;
    RECT clip;
    bool mono; // a monochrome bitmap: only black and white are kept
};
bool draw_target(HDC dc, DrawTarget *target);

int screen_dpi(); // the screen's dots per inch, as set by set_dpi (kept by the GDI part)

// Between the window part (sim_user.cpp) and the drawing part (sim_gdi.cpp).
//
// A window's client-area pixels and the part of its client area that shows on
// the screen, in client coordinates: empty while the window is hidden or
// minimized. False when `window` is no window.
bool window_surface(HWND window, Surface **surface, RECT *showing);
// The primary screen's size in pixels.
SIZE screen_size();
// A device context on a window's client area, without a journal entry:
// GetDC's when `paint` is null (it draws on all of the client area that
// shows), BeginPaint's otherwise (it draws only inside `paint`). A null
// window gives a context on the screen, which draws nothing.
HDC open_window_dc(HWND window, const RECT *paint);
// Closes a context that open_window_dc made with (`paint` true) or without a
// paint rectangle. False when `dc` is no such context.
bool close_window_dc(HDC dc, bool paint);
// FillRect without a journal entry.
bool fill_rect(HDC dc, const RECT &rect, HBRUSH brush);

// Between the drawing part and the DIB sections (sim_dib.cpp): a new 32-bit
// colour bitmap (null when the size is empty or too large), and the pixels
// of a bitmap that is not a stock object (null for any other handle).
HBITMAP new_colour_bitmap(int width, int height);
Surface *bitmap_surface(HGDIOBJ bitmap);

// A window's extended style, without a journal entry; false when `window`
// is no window.
bool window_ex_style(HWND window, DWORD *exStyle);

// Resets of the parts kept in other files.
void reset_user();
void reset_widget();
void reset_gdi();
void reset_ole();

} // namespace sim

namespace sim {

// Regions live in sim_region.cpp; the GDI part deletes, counts and resets
// them with its other objects. delete_region is false when `handle` is no region.
bool delete_region(HGDIOBJ handle);

// Block-transfer arithmetic of the GDI part, for drawing in other files:
// whether a raster operation is one of the source-and-destination ones
// simulated, its result for one pixel, and the nearer of black and white.
bool rop_of_source(DWORD rop);
uint32_t apply_source_rop(DWORD rop, uint32_t source, uint32_t dest);
uint32_t monochrome_pixel(uint32_t pixel);
int live_regions();
void reset_regions();

} // namespace sim
