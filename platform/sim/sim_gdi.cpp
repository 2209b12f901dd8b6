// Simulated gdi32: device contexts, bitmaps, fonts, brushes, pens and the
// drawing the driver does with them. FillRect (user32's) lives here too: it
// is drawing.
//
// Every handle is a tagged number (the kind in the top byte) checked against
// this part's tables, so a deleted, foreign or made-up handle fails the way
// Windows fails it instead of being used.
//
// Device contexts come in four kinds:
// - memory contexts (CreateCompatibleDC) draw on their selected bitmap; a new
//   one holds the 1 x 1 monochrome default bitmap, as in Windows;
// - window contexts (GetDC) draw on the part of a window's client area that
//   shows; paint contexts (BeginPaint) only inside the area being painted;
// - the screen context (GetDC(NULL)) draws nothing.
// Bitmaps are 32-bit colour, except monochrome ones (the default bitmap, and
// bitmaps made compatible with a context that holds one), which keep only
// black and white.
//
// Text comes from one built-in bitmap font (sim_font.h) scaled to the font's
// cell: |lfHeight| pixels high (16 for 0), lfWidth wide (half the height for
// 0); each character advances one cell. Weights from 600 draw bold, italic
// slants, underline and strike-out draw lines across the cell. Escapement,
// orientation, character set and quality are kept but do not change drawing.
#include "sim_font.h"
#include "sim_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <strings.h>

// Win32 names this part needs beyond the shared header (which may come to define them).
#ifndef BS_SOLID
#define BS_SOLID 0
#endif
#ifndef BS_NULL
#define BS_NULL 1
#endif
#ifndef PS_SOLID
#define PS_SOLID 0
#endif
#ifndef PS_NULL
#define PS_NULL 5
#endif
#ifndef OEM_CHARSET
#define OEM_CHARSET 255
#endif
#ifndef FIXED_PITCH
#define FIXED_PITCH 1
#endif
#ifndef VARIABLE_PITCH
#define VARIABLE_PITCH 2
#endif
#ifndef FF_ROMAN
#define FF_ROMAN 0x10
#endif
#ifndef FF_SWISS
#define FF_SWISS 0x20
#endif
#ifndef FF_MODERN
#define FF_MODERN 0x30
#endif
#ifndef TECHNOLOGY
#define TECHNOLOGY 2
#endif
#ifndef HORZSIZE
#define HORZSIZE 4
#endif
#ifndef VERTSIZE
#define VERTSIZE 6
#endif
#ifndef PLANES
#define PLANES 14
#endif
#ifndef NUMCOLORS
#define NUMCOLORS 24
#endif
#ifndef DT_RASDISPLAY
#define DT_RASDISPLAY 1
#endif
#ifndef DIB_PAL_COLORS
#define DIB_PAL_COLORS 1
#endif
#ifndef SRCPAINT
#define SRCPAINT 0x00EE0086u
#endif
#ifndef SRCAND
#define SRCAND 0x008800C6u
#endif
#ifndef SRCINVERT
#define SRCINVERT 0x00660046u
#endif
#ifndef NOTSRCCOPY
#define NOTSRCCOPY 0x00330008u
#endif
#ifndef DSTINVERT
#define DSTINVERT 0x00550009u
#endif
#ifndef PATCOPY
#define PATCOPY 0x00F00021u
#endif
#ifndef BLACKNESS
#define BLACKNESS 0x00000042u
#endif
#ifndef WHITENESS
#define WHITENESS 0x00FF0062u
#endif

namespace sim {
namespace {

// Handles are tagged numbers: the kind in the top byte, a serial number below;
// stock objects use serial numbers from 0xFF0000 on.
const uintptr_t kDcTag = 0x10;
const uintptr_t kBitmapTag = 0x11;
const uintptr_t kFontTag = 0x12;
const uintptr_t kBrushTag = 0x13;
const uintptr_t kPenTag = 0x14;
const uintptr_t kPaletteTag = 0x15;
const uintptr_t kStockSerial = 0xFF0000;
const int kDefaultBitmap = 21; // the stock number Windows keeps the default bitmap under

// Bitmaps larger than this fail as Windows fails them when memory runs out.
const int64_t kMaxBitmapPixels = 64 * 1024 * 1024;
// Font cells are kept to this many pixels on a side.
const int kMaxCell = 4096;

const uint32_t kBlack = 0x000000;
const uint32_t kWhite = 0xFFFFFF;

enum class Kind { Bitmap, Font, Brush, Pen, Palette };

struct Object {
    Kind kind;
    bool stock;
    Surface surface; // bitmaps
    int bitsPixel;   // bitmaps: 32, or 1 for monochrome
    LOGFONTA font;
    LOGBRUSH brush;
    LOGPEN pen;
};

enum class DcType { Memory, Window, Paint, Screen };

struct Dc {
    DcType type;
    HWND window;
    RECT paint; // paint contexts: the area being painted, client coordinates
    HGDIOBJ bitmap;
    HGDIOBJ font;
    HGDIOBJ brush;
    HGDIOBJ pen;
    COLORREF text;
    COLORREF background;
    int backgroundMode;
};

struct Gdi {
    std::map<uintptr_t, Object> objects;
    std::map<uintptr_t, Dc> dcs;
    int dpi = 96;
};

Gdi &gdi() {
    static Gdi g;
    return g;
}

// Not reset with the rest: handles from before a reset stay invalid.
uintptr_t nextSerial = 1;

uintptr_t newHandle(uintptr_t tag) {
    uintptr_t serial = nextSerial;
    nextSerial = nextSerial >= kStockSerial - 1 ? 1 : nextSerial + 1;
    return (tag << 24) | serial;
}

uintptr_t stockHandle(uintptr_t tag, int index) {
    return (tag << 24) | kStockSerial | static_cast<uintptr_t>(index);
}

uintptr_t key(const void *handle) {
    return reinterpret_cast<uintptr_t>(handle);
}

Object *findObject(HGDIOBJ handle) {
    auto it = gdi().objects.find(key(handle));
    return it == gdi().objects.end() ? nullptr : &it->second;
}

Object *findObject(HGDIOBJ handle, Kind kind) {
    Object *o = findObject(handle);
    return o && o->kind == kind ? o : nullptr;
}

Dc *findDc(HDC dc) {
    auto it = gdi().dcs.find(key(dc));
    return it == gdi().dcs.end() ? nullptr : &it->second;
}

bool isSelected(HGDIOBJ handle) {
    for (const auto &entry : gdi().dcs) {
        const Dc &dc = entry.second;
        if (dc.bitmap == handle || dc.font == handle || dc.brush == handle || dc.pen == handle)
            return true;
    }
    return false;
}

LOGFONTA makeFont(LONG height, LONG width, LONG weight, BYTE charSet, BYTE outPrecision,
                  BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const char *face) {
    LOGFONTA f;
    memset(&f, 0, sizeof f);
    f.lfHeight = height;
    f.lfWidth = width;
    f.lfWeight = weight;
    f.lfCharSet = charSet;
    f.lfOutPrecision = outPrecision;
    f.lfClipPrecision = clipPrecision;
    f.lfQuality = quality;
    f.lfPitchAndFamily = pitchAndFamily;
    snprintf(f.lfFaceName, sizeof f.lfFaceName, "%s", face);
    return f;
}

void addStock(uintptr_t tag, int index, Object object) {
    object.stock = true;
    gdi().objects.emplace(stockHandle(tag, index), std::move(object));
}

// The stock objects with the descriptions Windows gives them.
void addStockObjects() {
    const COLORREF brushes[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                RGB(64, 64, 64), RGB(0, 0, 0)};
    for (int i = WHITE_BRUSH; i <= BLACK_BRUSH; ++i) {
        Object o = Object();
        o.kind = Kind::Brush;
        o.brush = LOGBRUSH{BS_SOLID, brushes[i], 0};
        addStock(kBrushTag, i, o);
    }
    Object nullBrush = Object();
    nullBrush.kind = Kind::Brush;
    nullBrush.brush = LOGBRUSH{BS_NULL, 0, 0};
    addStock(kBrushTag, NULL_BRUSH, nullBrush);

    const LOGPEN pens[] = {{PS_SOLID, {0, 0}, RGB(255, 255, 255)},
                           {PS_SOLID, {0, 0}, RGB(0, 0, 0)},
                           {PS_NULL, {0, 0}, RGB(0, 0, 0)}};
    for (int i = WHITE_PEN; i <= NULL_PEN; ++i) {
        Object o = Object();
        o.kind = Kind::Pen;
        o.pen = pens[i - WHITE_PEN];
        addStock(kPenTag, i, o);
    }

    struct StockFont {
        int index;
        LOGFONTA font;
    };
    const BYTE fixed = FIXED_PITCH | FF_MODERN;
    const BYTE variable = VARIABLE_PITCH | FF_SWISS;
    const StockFont fonts[] = {
        {OEM_FIXED_FONT, makeFont(12, 8, FW_NORMAL, OEM_CHARSET, 1, 2, 1, fixed, "Terminal")},
        {ANSI_FIXED_FONT, makeFont(12, 9, FW_NORMAL, 0, 1, 2, 1, fixed, "Courier")},
        {ANSI_VAR_FONT, makeFont(12, 5, FW_NORMAL, 0, 1, 2, 1, variable, "MS Sans Serif")},
        {SYSTEM_FONT, makeFont(16, 7, FW_BOLD, 0, 1, 2, 1, variable, "System")},
        {DEVICE_DEFAULT_FONT, makeFont(16, 7, FW_BOLD, 0, 1, 2, 1, variable, "System")},
        {SYSTEM_FIXED_FONT, makeFont(15, 8, FW_NORMAL, 0, 1, 2, 1, fixed, "Fixedsys")},
        {DEFAULT_GUI_FONT, makeFont(-11, 0, FW_NORMAL, 0, 0, 0, 0, 0, "MS Shell Dlg")},
    };
    for (const StockFont &f : fonts) {
        Object o = Object();
        o.kind = Kind::Font;
        o.font = f.font;
        addStock(kFontTag, f.index, o);
    }

    Object palette = Object();
    palette.kind = Kind::Palette;
    addStock(kPaletteTag, DEFAULT_PALETTE, palette);

    Object bitmap = Object();
    bitmap.kind = Kind::Bitmap;
    bitmap.bitsPixel = 1;
    bitmap.surface.width = 1;
    bitmap.surface.height = 1;
    bitmap.surface.pixels.assign(1, kBlack);
    addStock(kBitmapTag, kDefaultBitmap, bitmap);
}

HGDIOBJ stockObject(uintptr_t tag, int index) {
    return reinterpret_cast<HGDIOBJ>(stockHandle(tag, index));
}

HDC newDc(DcType type, HWND window, const RECT &paint) {
    Dc dc;
    dc.type = type;
    dc.window = window;
    dc.paint = paint;
    dc.bitmap = type == DcType::Memory ? stockObject(kBitmapTag, kDefaultBitmap) : nullptr;
    dc.font = stockObject(kFontTag, SYSTEM_FONT);
    dc.brush = stockObject(kBrushTag, WHITE_BRUSH);
    dc.pen = stockObject(kPenTag, BLACK_PEN);
    dc.text = RGB(0, 0, 0);
    dc.background = RGB(255, 255, 255);
    dc.backgroundMode = OPAQUE;
    uintptr_t handle = newHandle(kDcTag);
    gdi().dcs.emplace(handle, dc);
    return reinterpret_cast<HDC>(handle);
}

// ---- pixels -------------------------------------------------------------

uint32_t pixelOf(COLORREF c) {
    return (static_cast<uint32_t>(GetRValue(c)) << 16) |
           (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

COLORREF colorOf(uint32_t p) {
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

// The nearer of black and white, as a monochrome bitmap keeps a colour.
uint32_t monochrome(uint32_t p) {
    unsigned luminance = (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
    return luminance >= 128 ? kWhite : kBlack;
}

bool isEmpty(const RECT &r) {
    return r.left >= r.right || r.top >= r.bottom;
}

RECT intersect(const RECT &a, const RECT &b) {
    RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
    if (isEmpty(r)) r = RECT{0, 0, 0, 0};
    return r;
}

// A rectangle from 64-bit edges, kept to the 32-bit range.
RECT clampRect(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    auto clamp = [](int64_t v) {
        return static_cast<LONG>(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
    };
    return RECT{clamp(left), clamp(top), clamp(right), clamp(bottom)};
}

// Where a context draws: a surface and the rectangle of it the context may
// change (context coordinates are surface coordinates).
struct Target {
    Dc *dc;
    Surface *surface;
    bool mono;
    RECT clip;
};

enum class Reach {
    Invalid, // no context, or one whose window is gone
    Nothing, // a valid context that draws nothing (the screen)
    Surface,
};

Reach resolve(HDC handle, Target *t) {
    Dc *dc = findDc(handle);
    if (!dc) return Reach::Invalid;
    t->dc = dc;
    t->mono = false;
    switch (dc->type) {
    case DcType::Memory: {
        Object *bitmap = findObject(dc->bitmap, Kind::Bitmap);
        if (!bitmap) return Reach::Invalid;
        t->surface = &bitmap->surface;
        t->mono = bitmap->bitsPixel == 1;
        t->clip = RECT{0, 0, bitmap->surface.width, bitmap->surface.height};
        return Reach::Surface;
    }
    case DcType::Window:
    case DcType::Paint: {
        RECT showing;
        if (!window_surface(dc->window, &t->surface, &showing)) return Reach::Invalid;
        t->clip = dc->type == DcType::Paint ? intersect(showing, dc->paint) : showing;
        return Reach::Surface;
    }
    case DcType::Screen:
        break;
    }
    return Reach::Nothing;
}

uint32_t colourFor(const Target &t, COLORREF c) {
    uint32_t p = pixelOf(c);
    return t.mono ? monochrome(p) : p;
}

void fillArea(Target &t, const RECT &area, uint32_t pixel) {
    RECT r = intersect(intersect(area, t.clip), RECT{0, 0, t.surface->width, t.surface->height});
    for (LONG y = r.top; y < r.bottom; ++y) {
        uint32_t *row = t.surface->pixels.data() + static_cast<size_t>(y) * t.surface->width;
        std::fill(row + r.left, row + r.right, pixel);
    }
}

// The system colours (GetSysColor) of Windows 10, for brushes given as a
// colour number plus one.
COLORREF systemColour(int index) {
    static const COLORREF colours[] = {
        RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219),
        RGB(240, 240, 240), RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),
        RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(180, 180, 180), RGB(244, 247, 252),
        RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255), RGB(240, 240, 240),
        RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
        RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),
        RGB(255, 255, 225), RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(185, 209, 234),
        RGB(215, 228, 242), RGB(51, 153, 255),  RGB(240, 240, 240)};
    return colours[index];
}

// What a brush paints: false for no brush; *paints false for a hollow one.
bool brushColour(HBRUSH brush, bool *paints, COLORREF *colour) {
    uintptr_t value = key(brush);
    if (value >= 1 && value <= 31) { // COLOR_xxx + 1
        *paints = true;
        *colour = systemColour(static_cast<int>(value) - 1);
        return true;
    }
    Object *o = findObject(brush, Kind::Brush);
    if (!o) return false;
    *paints = o->brush.lbStyle == BS_SOLID;
    *colour = o->brush.lbColor;
    return true;
}

std::string rectText(const RECT *r) {
    if (!r) return "(null)";
    char text[80];
    snprintf(text, sizeof text, "{%d, %d, %d, %d}", r->left, r->top, r->right, r->bottom);
    return text;
}

// Text as journal entries show it: printable ASCII as it is, other bytes as
// \xNN, long texts cut; "(null)" for none.
std::string shownText(const char *text, int count) {
    if (!text) return "(null)";
    std::string out;
    int shown = std::min(count, 48);
    for (int i = 0; i < shown; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char escape[8];
            snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        }
    }
    if (count > shown) out += "...";
    return out;
}

// ---- fonts ----------------------------------------------------------------

struct Cell {
    int width;
    int height;
    bool bold;
    bool italic;
    bool underline;
    bool strikeOut;
};

int clampCell(int64_t v) {
    return static_cast<int>(std::min<int64_t>(std::max<int64_t>(v, 1), kMaxCell));
}

Cell cellOf(const LOGFONTA &f) {
    Cell c;
    int64_t height = f.lfHeight < 0 ? -static_cast<int64_t>(f.lfHeight) : f.lfHeight;
    c.height = clampCell(height == 0 ? 16 : height);
    int64_t width = f.lfWidth < 0 ? -static_cast<int64_t>(f.lfWidth) : f.lfWidth;
    c.width = clampCell(width == 0 ? (c.height + 1) / 2 : width);
    c.bold = f.lfWeight >= 600;
    c.italic = f.lfItalic != 0;
    c.underline = f.lfUnderline != 0;
    c.strikeOut = f.lfStrikeOut != 0;
    return c;
}

const LOGFONTA &fontOf(const Dc &dc) {
    Object *o = findObject(dc.font, Kind::Font);
    return o ? o->font : findObject(stockObject(kFontTag, SYSTEM_FONT))->font;
}

// The installed face a font's description maps to, as GetTextFaceA names it:
// a face the machine has (with its own spelling), one it substitutes, or by
// pitch and family the standard face of that kind.
std::string mappedFace(const LOGFONTA &f) {
    static const char *const installed[] = {
        "Arial",         "Courier New",    "Times New Roman",
        "Consolas",      "Lucida Console", "Segoe UI",
        "Tahoma",        "Verdana",        "Microsoft Sans Serif",
        "MS Sans Serif", "MS Serif",       "Courier",
        "System",        "Terminal",       "Fixedsys",
        "Small Fonts",   "Modern",         "Roman",
        "Script",        "Symbol",         "Wingdings"};
    static const char *const substitutes[][2] = {{"MS Shell Dlg", "Microsoft Sans Serif"},
                                                 {"MS Shell Dlg 2", "Tahoma"},
                                                 {"Helv", "MS Sans Serif"},
                                                 {"Helvetica", "Arial"},
                                                 {"Times", "Times New Roman"},
                                                 {"Tms Rmn", "MS Serif"}};
    char face[LF_FACESIZE];
    size_t length = strnlen(f.lfFaceName, LF_FACESIZE - 1);
    memcpy(face, f.lfFaceName, length);
    face[length] = 0;
    for (const char *name : installed)
        if (strcasecmp(name, face) == 0) return name;
    for (const auto &s : substitutes)
        if (strcasecmp(s[0], face) == 0) return s[1];
    if ((f.lfPitchAndFamily & 3) == FIXED_PITCH || (f.lfPitchAndFamily & 0xF0) == FF_MODERN)
        return "Courier New";
    if ((f.lfPitchAndFamily & 0xF0) == FF_ROMAN) return "Times New Roman";
    return "Arial";
}

// Whether the plain glyph has a pixel at (x, y) of a cell.
bool glyphPixel(unsigned char code, const Cell &c, int x, int y) {
    if (x < 0 || x >= c.width) return false;
    if (has_glyph(code)) {
        // The glyph pixels the cell pixel covers; any of them lit lights it,
        // so that thin strokes survive in small cells.
        int gx0 = static_cast<int>(int64_t(x) * kGlyphWidth / c.width);
        int gx1 = std::max(gx0 + 1, static_cast<int>(int64_t(x + 1) * kGlyphWidth / c.width));
        int gy0 = static_cast<int>(int64_t(y) * kGlyphHeight / c.height);
        int gy1 = std::max(gy0 + 1, static_cast<int>(int64_t(y + 1) * kGlyphHeight / c.height));
        unsigned columns = (0xFFu >> gx0) & ~(0xFFu >> gx1);
        for (int gy = gy0; gy < gy1; ++gy)
            if (glyph_row(code, gy) & columns) return true;
        return false;
    }
    // A character the font has no picture of: a box.
    int left = c.width / 8, right = c.width - 1 - c.width / 8;
    int top = c.height / 4, bottom = c.height - 1 - c.height / 8;
    if (x < left || x > right || y < top || y > bottom) return false;
    return x == left || x == right || y == top || y == bottom;
}

bool textPixel(unsigned char code, const Cell &c, int x, int y) {
    if ((c.underline && y == c.height - 1) || (c.strikeOut && y == c.height / 2))
        if (x >= 0 && x < c.width) return true;
    int shift = c.italic ? (c.height - 1 - y) / 4 : 0;
    int gx = x - shift;
    return glyphPixel(code, c, gx, y) || (c.bold && glyphPixel(code, c, gx - 1, y));
}

// Draws one character with its cell's top-left at (left, top).
void drawCharacter(Target &t, int64_t left, int64_t top, unsigned char code, const Cell &c,
                   uint32_t pixel) {
    if (code == ' ' && !c.underline && !c.strikeOut) return;
    // Bold and italic reach past the cell's right edge.
    int64_t reach = c.width + (c.bold ? 1 : 0) + (c.italic ? (c.height - 1) / 4 : 0);
    RECT cell = clampRect(left, top, left + reach, top + c.height);
    RECT r = intersect(intersect(cell, t.clip), RECT{0, 0, t.surface->width, t.surface->height});
    for (LONG y = r.top; y < r.bottom; ++y) {
        uint32_t *row = t.surface->pixels.data() + static_cast<size_t>(y) * t.surface->width;
        for (LONG x = r.left; x < r.right; ++x)
            if (textPixel(code, c, static_cast<int>(x - left), static_cast<int>(y - top)))
                row[x] = pixel;
    }
}

int64_t advanceOf(const INT *dx, UINT i, const Cell &c) {
    return dx ? dx[i] : c.width;
}

// ---- block transfers ------------------------------------------------------

bool ropUsesSource(DWORD rop) {
    return rop == SRCCOPY || rop == SRCPAINT || rop == SRCAND || rop == SRCINVERT ||
           rop == NOTSRCCOPY;
}

bool ropKnown(DWORD rop) {
    return ropUsesSource(rop) || rop == BLACKNESS || rop == WHITENESS || rop == DSTINVERT ||
           rop == PATCOPY;
}

uint32_t applyRop(DWORD rop, uint32_t source, uint32_t dest, uint32_t pattern) {
    switch (rop) {
    case SRCCOPY:
        return source;
    case SRCPAINT:
        return dest | source;
    case SRCAND:
        return dest & source;
    case SRCINVERT:
        return dest ^ source;
    case NOTSRCCOPY:
        return ~source & kWhite;
    case BLACKNESS:
        return kBlack;
    case WHITENESS:
        return kWhite;
    case DSTINVERT:
        return ~dest & kWhite;
    default:
        return pattern; // PATCOPY
    }
}

// A source pixel as it lands on the destination: monochrome to colour gives
// the destination's text colour for black and background colour for white;
// colour to monochrome gives white for the source's background colour and
// black for everything else.
uint32_t convertPixel(const Target &from, const Target &to, uint32_t p) {
    if (from.mono && !to.mono) return pixelOf(p == kBlack ? to.dc->text : to.dc->background);
    if (!from.mono && to.mono) return p == pixelOf(from.dc->background) ? kWhite : kBlack;
    return p;
}

} // namespace

void reset_gdi() {
    gdi() = Gdi();
    addStockObjects();
    reset_regions();
}

bool draw_target(HDC dc, DrawTarget *target) {
    Target t;
    if (!target || resolve(dc, &t) != Reach::Surface) return false;
    target->surface = t.surface;
    target->originX = 0;
    target->originY = 0;
    target->clip = intersect(t.clip, RECT{0, 0, t.surface->width, t.surface->height});
    target->mono = t.mono;
    return true;
}

bool rop_of_source(DWORD rop) {
    return ropUsesSource(rop);
}

uint32_t apply_source_rop(DWORD rop, uint32_t source, uint32_t dest) {
    return applyRop(rop, source, dest, 0);
}

uint32_t monochrome_pixel(uint32_t pixel) {
    return monochrome(pixel);
}

int screen_dpi() {
    return gdi().dpi;
}

void set_dpi(int dotsPerInch) {
    gdi().dpi = dotsPerInch > 0 ? dotsPerInch : 96;
}

HDC open_window_dc(HWND window, const RECT *paint) {
    if (!window) return newDc(DcType::Screen, nullptr, RECT{0, 0, 0, 0});
    return newDc(paint ? DcType::Paint : DcType::Window, window, paint ? *paint : RECT{0, 0, 0, 0});
}

bool close_window_dc(HDC handle, bool paint) {
    Dc *dc = findDc(handle);
    if (!dc || dc->type == DcType::Memory || (dc->type == DcType::Paint) != paint) return false;
    gdi().dcs.erase(key(handle));
    return true;
}

bool fill_rect(HDC dc, const RECT &rect, HBRUSH brush) {
    Target t;
    Reach reach = resolve(dc, &t);
    bool paints;
    COLORREF colour;
    if (reach == Reach::Invalid || !brushColour(brush, &paints, &colour)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    // Left and top edges are inside, right and bottom outside: an empty or
    // inverted rectangle fills nothing.
    if (reach == Reach::Nothing || !paints || isEmpty(rect)) return true;
    fillArea(t, rect, colourFor(t, colour));
    return true;
}

int live_gdi_objects() {
    int n = 0;
    for (const auto &entry : gdi().objects)
        if (!entry.second.stock) ++n;
    return n + live_regions();
}

int live_dcs() {
    return static_cast<int>(gdi().dcs.size());
}

HBITMAP new_colour_bitmap(int width, int height) {
    if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > kMaxBitmapPixels)
        return nullptr;
    Object o = Object();
    o.kind = Kind::Bitmap;
    o.bitsPixel = 32;
    o.surface.width = width;
    o.surface.height = height;
    try {
        o.surface.pixels.assign(static_cast<size_t>(width) * height, kBlack);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    uintptr_t handle = newHandle(kBitmapTag);
    gdi().objects.emplace(handle, std::move(o));
    return reinterpret_cast<HBITMAP>(handle);
}

Surface *bitmap_surface(HGDIOBJ bitmap) {
    Object *o = findObject(bitmap, Kind::Bitmap);
    return o && !o->stock ? &o->surface : nullptr;
}

COLORREF bitmap_pixel(HBITMAP bitmap, int x, int y) {
    Object *o = findObject(bitmap, Kind::Bitmap);
    if (!o || x < 0 || y < 0 || x >= o->surface.width || y >= o->surface.height) return CLR_INVALID;
    return colorOf(o->surface.pixels[static_cast<size_t>(y) * o->surface.width + x]);
}

} // namespace sim

using sim::enter;
using sim::findDc;
using sim::findObject;

int WINAPI FillRect(HDC dc, const RECT *rect, HBRUSH brush) {
    if (enter("FillRect", "%p, %s, %p", static_cast<void *>(dc), sim::rectText(rect).c_str(),
              static_cast<void *>(brush)))
        return 0;
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return sim::fill_rect(dc, *rect, brush) ? 1 : 0;
}

HDC WINAPI CreateCompatibleDC(HDC dc) {
    if (enter("CreateCompatibleDC", "%p", static_cast<void *>(dc))) return nullptr;
    if (dc && !findDc(dc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return sim::newDc(sim::DcType::Memory, nullptr, RECT{0, 0, 0, 0});
}

BOOL WINAPI DeleteDC(HDC dc) {
    if (enter("DeleteDC", "%p", static_cast<void *>(dc))) return FALSE;
    sim::Dc *d = findDc(dc);
    if (!d) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A context from GetDC or BeginPaint is not deleted (ReleaseDC and EndPaint
    // give it back), though Windows reports success.
    if (d->type != sim::DcType::Memory) return TRUE;
    sim::gdi().dcs.erase(sim::key(dc)); // what it held is free again
    return TRUE;
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (enter("CreateCompatibleBitmap", "%p, %d, %d", static_cast<void *>(dc), width, height))
        return nullptr;
    sim::Dc *d = findDc(dc);
    if (!d) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (width < 0 || height < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0)
        return static_cast<HBITMAP>(sim::stockObject(sim::kBitmapTag, sim::kDefaultBitmap));
    if (static_cast<int64_t>(width) * height > sim::kMaxBitmapPixels) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // Compatible with a memory context means like the bitmap it holds: a new
    // memory context's default bitmap makes a monochrome one.
    int bitsPixel = 32;
    if (d->type == sim::DcType::Memory)
        bitsPixel = findObject(d->bitmap, sim::Kind::Bitmap)->bitsPixel;
    sim::Object o = sim::Object();
    o.kind = sim::Kind::Bitmap;
    o.bitsPixel = bitsPixel;
    o.surface.width = width;
    o.surface.height = height;
    try {
        o.surface.pixels.assign(static_cast<size_t>(width) * height, sim::kBlack);
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    uintptr_t handle = sim::newHandle(sim::kBitmapTag);
    sim::gdi().objects.emplace(handle, std::move(o));
    return reinterpret_cast<HBITMAP>(handle);
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    if (enter("SelectObject", "%p, %p", static_cast<void *>(dc), object)) return nullptr;
    sim::Dc *d = findDc(dc);
    sim::Object *o = findObject(object);
    if (!d || !o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HGDIOBJ *slot = nullptr;
    switch (o->kind) {
    case sim::Kind::Bitmap:
        // Only a memory context holds a bitmap, and a bitmap (other than the
        // default one) is held by one context at a time.
        if (d->type != sim::DcType::Memory) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        if (d->bitmap != object && !o->stock && sim::isSelected(object)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        slot = &d->bitmap;
        break;
    case sim::Kind::Font:
        slot = &d->font;
        break;
    case sim::Kind::Brush:
        slot = &d->brush;
        break;
    case sim::Kind::Pen:
        slot = &d->pen;
        break;
    case sim::Kind::Palette: // palettes go in with SelectPalette
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HGDIOBJ previous = *slot;
    *slot = object;
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    if (enter("DeleteObject", "%p", object)) return FALSE;
    if (!object) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::Object *o = findObject(object);
    if (!o && sim::delete_region(object)) return TRUE; // regions are never selected here
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (o->stock) return TRUE; // stock objects are never deleted
    // Still selected into a context: refused, with no error of its own, as
    // Windows refuses it.
    if (sim::isSelected(object)) return FALSE;
    sim::gdi().objects.erase(sim::key(object));
    return TRUE;
}

BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
                   DWORD rop) {
    if (enter("BitBlt", "%p, %d, %d, %d, %d, %p, %d, %d, 0x%06X", static_cast<void *>(dest), x, y,
              width, height, static_cast<void *>(source), xSrc, ySrc, rop))
        return FALSE;
    if (!sim::ropKnown(rop)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool usesSource = sim::ropUsesSource(rop);
    sim::Target to, from;
    sim::Reach toReach = sim::resolve(dest, &to);
    sim::Reach fromReach = usesSource ? sim::resolve(source, &from) : sim::Reach::Nothing;
    if (toReach == sim::Reach::Invalid || (usesSource && fromReach == sim::Reach::Invalid)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (toReach == sim::Reach::Nothing || (usesSource && fromReach == sim::Reach::Nothing) ||
        width <= 0 || height <= 0)
        return TRUE;

    // The destination pixels that change: inside the destination's clip and,
    // when there is a source, whose source pixels lie inside the source's.
    RECT area = sim::intersect(
        sim::intersect(sim::clampRect(x, y, int64_t(x) + width, int64_t(y) + height), to.clip),
        RECT{0, 0, to.surface->width, to.surface->height});
    int64_t dx = int64_t(xSrc) - x, dy = int64_t(ySrc) - y;
    if (usesSource) {
        RECT visible =
            sim::intersect(from.clip, RECT{0, 0, from.surface->width, from.surface->height});
        RECT shifted = sim::clampRect(visible.left - dx, visible.top - dy, visible.right - dx,
                                      visible.bottom - dy);
        area = sim::intersect(area, shifted);
    }
    if (sim::isEmpty(area)) return TRUE;

    int w = area.right - area.left, h = area.bottom - area.top;
    // The source block first: source and destination may be the same surface.
    std::vector<uint32_t> block;
    if (usesSource) {
        block.resize(static_cast<size_t>(w) * h);
        for (int row = 0; row < h; ++row) {
            const uint32_t *from_row =
                from.surface->pixels.data() +
                static_cast<size_t>(area.top + dy + row) * from.surface->width + (area.left + dx);
            for (int col = 0; col < w; ++col)
                block[static_cast<size_t>(row) * w + col] =
                    sim::convertPixel(from, to, from_row[col]);
        }
    }
    uint32_t pattern = 0;
    if (rop == PATCOPY) {
        bool paints;
        COLORREF colour;
        if (!sim::brushColour(static_cast<HBRUSH>(to.dc->brush), &paints, &colour) || !paints)
            return TRUE;
        pattern = sim::colourFor(to, colour);
    }
    for (int row = 0; row < h; ++row) {
        uint32_t *to_row = to.surface->pixels.data() +
                           static_cast<size_t>(area.top + row) * to.surface->width + area.left;
        for (int col = 0; col < w; ++col) {
            uint32_t s = usesSource ? block[static_cast<size_t>(row) * w + col] : 0;
            to_row[col] = sim::applyRop(rop, s, to_row[col], pattern);
        }
    }
    return TRUE;
}

HGDIOBJ WINAPI GetStockObject(int index) {
    if (enter("GetStockObject", "%d", index)) return nullptr;
    uintptr_t tag = 0;
    if (index >= WHITE_BRUSH && index <= NULL_BRUSH)
        tag = sim::kBrushTag;
    else if (index >= WHITE_PEN && index <= NULL_PEN)
        tag = sim::kPenTag;
    else if (index == DEFAULT_PALETTE)
        tag = sim::kPaletteTag;
    else if (index >= OEM_FIXED_FONT && index <= DEFAULT_GUI_FONT)
        tag = sim::kFontTag;
    if (!tag) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return sim::stockObject(tag, index);
}

int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
    if (enter("GetObjectA", "%p, %d, %s", object, size, buffer ? "buffer" : "(null)")) return 0;
    sim::Object *o = findObject(object);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    int available = size > 0 ? size : 0;
    switch (o->kind) {
    case sim::Kind::Font: {
        // As much of the description as the buffer holds.
        const int full = static_cast<int>(sizeof(LOGFONTA));
        if (!buffer) return full;
        int n = std::min(available, full);
        memcpy(buffer, &o->font, static_cast<size_t>(n));
        return n;
    }
    case sim::Kind::Brush: {
        // LOGBRUSH is 12 bytes in a 32-bit process: style, colour and the
        // hatch's low 32 bits, which are the first 12 bytes here too.
        const int full = 12;
        if (!buffer) return full;
        int n = std::min(available, full);
        memcpy(buffer, &o->brush, static_cast<size_t>(n));
        return n;
    }
    case sim::Kind::Pen: {
        const int full = static_cast<int>(sizeof(LOGPEN));
        if (!buffer) return full;
        if (available < full) return 0;
        memcpy(buffer, &o->pen, sizeof(LOGPEN));
        return full;
    }
    case sim::Kind::Bitmap: {
        const int full = static_cast<int>(sizeof(BITMAP));
        if (!buffer) return full;
        if (available < full) return 0;
        const sim::Surface &s = o->surface;
        BITMAP b;
        b.bmType = 0;
        b.bmWidth = s.width;
        b.bmHeight = s.height;
        // Rows of a device-dependent bitmap are padded to 16 bits.
        b.bmWidthBytes = o->bitsPixel == 1 ? (s.width + 15) / 16 * 2 : s.width * 4;
        b.bmPlanes = 1;
        b.bmBitsPixel = static_cast<WORD>(o->bitsPixel);
        b.bmBits = 0;
        memcpy(buffer, &b, sizeof b);
        return full;
    }
    case sim::Kind::Palette: {
        // The number of entries, a WORD: the default palette has 20.
        const WORD entries = 20;
        if (!buffer) return static_cast<int>(sizeof entries);
        int n = std::min(available, static_cast<int>(sizeof entries));
        memcpy(buffer, &entries, static_cast<size_t>(n));
        return n;
    }
    }
    return 0;
}

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                         DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                         DWORD pitchAndFamily, LPCSTR faceName) {
    if (enter("CreateFontA", "%d, %d, %d, %d, %d, %u, %u, %u, %u, %u, %u, %u, 0x%02X, %s", height,
              width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
              outPrecision, clipPrecision, quality, pitchAndFamily,
              sim::shownText(faceName, faceName ? static_cast<int>(strnlen(faceName, 64)) : 0)
                  .c_str()))
        return nullptr;
    sim::Object o = sim::Object();
    o.kind = sim::Kind::Font;
    LOGFONTA &f = o.font;
    f.lfHeight = height;
    f.lfWidth = width;
    f.lfEscapement = escapement;
    f.lfOrientation = orientation;
    f.lfWeight = weight;
    f.lfItalic = static_cast<BYTE>(italic);
    f.lfUnderline = static_cast<BYTE>(underline);
    f.lfStrikeOut = static_cast<BYTE>(strikeOut);
    f.lfCharSet = static_cast<BYTE>(charSet);
    f.lfOutPrecision = static_cast<BYTE>(outPrecision);
    f.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    f.lfQuality = static_cast<BYTE>(quality);
    f.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    size_t length = faceName ? strnlen(faceName, LF_FACESIZE - 1) : 0;
    memcpy(f.lfFaceName, faceName ? faceName : "", length);
    f.lfFaceName[length] = 0;
    uintptr_t handle = sim::newHandle(sim::kFontTag);
    sim::gdi().objects.emplace(handle, std::move(o));
    return reinterpret_cast<HFONT>(handle);
}

int WINAPI GetTextFaceA(HDC dc, int size, LPSTR faceName) {
    if (enter("GetTextFaceA", "%p, %d, %s", static_cast<void *>(dc), size,
              faceName ? "buffer" : "(null)"))
        return 0;
    sim::Dc *d = findDc(dc);
    if (!d) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::string face = sim::mappedFace(sim::fontOf(*d));
    // Without a buffer: the length with its terminating zero; with one: the
    // characters copied, the name cut to fit.
    if (!faceName) return static_cast<int>(face.size()) + 1;
    if (size <= 0) return 0;
    size_t n = std::min(face.size(), static_cast<size_t>(size) - 1);
    memcpy(faceName, face.data(), n);
    faceName[n] = 0;
    return static_cast<int>(n);
}

COLORREF WINAPI SetTextColor(HDC dc, COLORREF color) {
    if (enter("SetTextColor", "%p, 0x%06X", static_cast<void *>(dc), color)) return CLR_INVALID;
    sim::Dc *d = findDc(dc);
    if (!d) {
        SetLastError(ERROR_INVALID_HANDLE);
        return CLR_INVALID;
    }
    COLORREF previous = d->text;
    d->text = color;
    return previous;
}

COLORREF WINAPI SetBkColor(HDC dc, COLORREF color) {
    if (enter("SetBkColor", "%p, 0x%06X", static_cast<void *>(dc), color)) return CLR_INVALID;
    sim::Dc *d = findDc(dc);
    if (!d) {
        SetLastError(ERROR_INVALID_HANDLE);
        return CLR_INVALID;
    }
    COLORREF previous = d->background;
    d->background = color;
    return previous;
}

int WINAPI SetBkMode(HDC dc, int mode) {
    if (enter("SetBkMode", "%p, %s", static_cast<void *>(dc),
              mode == OPAQUE        ? "OPAQUE"
              : mode == TRANSPARENT ? "TRANSPARENT"
                                    : "?"))
        return 0;
    sim::Dc *d = findDc(dc);
    if (!d) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (mode != OPAQUE && mode != TRANSPARENT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = d->backgroundMode;
    d->backgroundMode = mode;
    return previous;
}

BOOL WINAPI GetTextExtentExPointA(HDC dc, LPCSTR text, int count, int maxExtent, LPINT fit,
                                  LPINT extents, LPSIZE size) {
    if (enter("GetTextExtentExPointA", "%p, %s, %d, %d", static_cast<void *>(dc),
              sim::shownText(text, count).c_str(), count, maxExtent))
        return FALSE;
    sim::Dc *d = findDc(dc);
    if (!d) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (count < 0 || maxExtent < -1 || (count > 0 && !text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::Cell c = sim::cellOf(sim::fontOf(*d));
    auto extentOf = [&](int characters) {
        return static_cast<int>(std::min<int64_t>(int64_t(characters) * c.width, INT32_MAX));
    };
    // With a fit count wanted, only the characters that fit in maxExtent
    // (-1: no limit) count, and only their extents are written.
    int counted = count;
    if (fit) {
        counted = 0;
        while (counted < count && (maxExtent == -1 || extentOf(counted + 1) <= maxExtent))
            ++counted;
        *fit = counted;
    }
    if (extents)
        for (int i = 0; i < counted; ++i) extents[i] = extentOf(i + 1);
    if (size) *size = SIZE{extentOf(count), c.height};
    return TRUE;
}

BOOL WINAPI ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT *rect, LPCSTR text,
                        UINT count, const INT *dx) {
    if (enter("ExtTextOutA", "%p, %d, %d, 0x%X, %s, %s, %u", static_cast<void *>(dc), x, y, options,
              sim::rectText(rect).c_str(),
              sim::shownText(text, static_cast<int>(std::min<UINT>(count, 0x7FFFFFFF))).c_str(),
              count))
        return FALSE;
    sim::Target t;
    sim::Reach reach = sim::resolve(dc, &t);
    if (reach == sim::Reach::Invalid) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (count > 0 && !text) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (reach == sim::Reach::Nothing) return TRUE;
    const sim::Dc &d = *t.dc;
    // The rectangle matters only with ETO_OPAQUE (filled with the background
    // colour, whatever the background mode) or ETO_CLIPPED (text kept inside).
    if (rect && (options & ETO_OPAQUE)) sim::fillArea(t, *rect, sim::colourFor(t, d.background));
    sim::Target clipped = t;
    if (rect && (options & ETO_CLIPPED)) clipped.clip = sim::intersect(t.clip, *rect);

    sim::Cell c = sim::cellOf(sim::fontOf(d));
    // In opaque mode every character's cell is filled with the background
    // colour first; then the characters are drawn in the text colour.
    if (d.backgroundMode == OPAQUE) {
        int64_t left = x;
        for (UINT i = 0; i < count; ++i) {
            int64_t advance = sim::advanceOf(dx, i, c);
            int64_t right = left + advance;
            sim::fillArea(clipped,
                          sim::clampRect(std::min(left, right), y, std::max(left, right),
                                         int64_t(y) + c.height),
                          sim::colourFor(t, d.background));
            left = right;
        }
    }
    uint32_t ink = sim::colourFor(t, d.text);
    int64_t left = x;
    for (UINT i = 0; i < count; ++i) {
        sim::drawCharacter(clipped, left, y, static_cast<unsigned char>(text[i]), c, ink);
        left += sim::advanceOf(dx, i, c);
    }
    return TRUE;
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    if (enter("CreateSolidBrush", "0x%06X", color)) return nullptr;
    sim::Object o = sim::Object();
    o.kind = sim::Kind::Brush;
    o.brush = LOGBRUSH{BS_SOLID, color, 0};
    uintptr_t handle = sim::newHandle(sim::kBrushTag);
    sim::gdi().objects.emplace(handle, std::move(o));
    return reinterpret_cast<HBRUSH>(handle);
}

int WINAPI GetDeviceCaps(HDC dc, int index) {
    if (enter("GetDeviceCaps", "%p, %d", static_cast<void *>(dc), index)) return 0;
    if (!findDc(dc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    // Every context reports the screen, memory contexts included.
    SIZE screen = sim::screen_size();
    int dpi = sim::gdi().dpi;
    switch (index) {
    case TECHNOLOGY:
        return DT_RASDISPLAY;
    case HORZSIZE:
        return MulDiv(screen.cx, 254, dpi * 10);
    case VERTSIZE:
        return MulDiv(screen.cy, 254, dpi * 10);
    case HORZRES:
        return screen.cx;
    case VERTRES:
        return screen.cy;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return dpi;
    default:
        return 0;
    }
}

int WINAPI GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
                     UINT usage) {
    if (enter("GetDIBits", "%p, %p, %u, %u, %s, %u", static_cast<void *>(dc),
              static_cast<void *>(bitmap), start, lines, bits ? "bits" : "(null)", usage))
        return 0;
    sim::Object *o = findObject(bitmap, sim::Kind::Bitmap);
    if (!findDc(dc) || !o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) ||
        (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const sim::Surface &s = o->surface;
    BITMAPINFOHEADER &h = info->bmiHeader;
    if (!bits && h.biBitCount == 0) {
        // Describe the bitmap (without a colour table).
        h.biWidth = s.width;
        h.biHeight = s.height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(o->bitsPixel);
        h.biCompression = BI_RGB;
        h.biSizeImage =
            static_cast<DWORD>(((int64_t(s.width) * o->bitsPixel + 31) / 32) * 4 * s.height);
        h.biXPelsPerMeter = 0;
        h.biYPelsPerMeter = 0;
        h.biClrUsed = 0;
        h.biClrImportant = 0;
        return s.height;
    }
    // The simulation writes 24- and 32-bit pixels, BI_RGB.
    if ((h.biBitCount != 32 && h.biBitCount != 24) || h.biCompression != BI_RGB || h.biWidth <= 0 ||
        h.biHeight == 0 || h.biHeight == INT32_MIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
    int bytesPixel = h.biBitCount / 8;
    size_t stride = static_cast<size_t>((int64_t(h.biWidth) * h.biBitCount + 31) / 32 * 4);
    if (!bits) {
        h.biSizeImage = static_cast<DWORD>(stride * height);
        return s.height;
    }
    // The bitmap must not be selected into a context while its pixels are read.
    if (sim::isSelected(bitmap)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (start >= height) return 0;
    int64_t copied = std::min<int64_t>(lines, height - start);
    // Line `start` is the top row of a top-down DIB, the bottom row of a
    // bottom-up one; the DIB's top-left pixel is the bitmap's. Pixels outside
    // the bitmap are black.
    for (int64_t i = 0; i < copied; ++i) {
        int64_t row = h.biHeight < 0 ? start + i : height - 1 - (start + i);
        unsigned char *out = static_cast<unsigned char *>(bits) + static_cast<size_t>(i) * stride;
        memset(out, 0, stride);
        if (row >= s.height) continue;
        const uint32_t *in = s.pixels.data() + static_cast<size_t>(row) * s.width;
        int64_t columns = std::min<int64_t>(h.biWidth, s.width);
        for (int64_t x = 0; x < columns; ++x) {
            unsigned char *p = out + x * bytesPixel;
            p[0] = static_cast<unsigned char>(in[x] & 0xFF);
            p[1] = static_cast<unsigned char>((in[x] >> 8) & 0xFF);
            p[2] = static_cast<unsigned char>((in[x] >> 16) & 0xFF);
        }
    }
    return static_cast<int>(copied);
}

COLORREF WINAPI GetPixel(HDC dc, int x, int y) {
    if (enter("GetPixel", "%p, %d, %d", static_cast<void *>(dc), x, y)) return CLR_INVALID;
    sim::Target t;
    sim::Reach reach = sim::resolve(dc, &t);
    if (reach == sim::Reach::Invalid) {
        SetLastError(ERROR_INVALID_HANDLE);
        return CLR_INVALID;
    }
    if (reach == sim::Reach::Nothing) return CLR_INVALID;
    RECT r = sim::intersect(t.clip, RECT{0, 0, t.surface->width, t.surface->height});
    if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return CLR_INVALID;
    return sim::colorOf(t.surface->pixels[static_cast<size_t>(y) * t.surface->width + x]);
}
