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
};
bool draw_target(HDC dc, DrawTarget *target);

int screen_dpi(); // the screen's dots per inch, as set by set_dpi (kept by the GDI part)

// Resets of the parts kept in other files.
void reset_user();
void reset_gdi();
void reset_ole();

} // namespace sim
