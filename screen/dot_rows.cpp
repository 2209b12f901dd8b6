// Dot-matrix rows: every character cell a 5 x 8 grid of dots on the grid
// custom characters use, lit dots in the row's text colour and unlit ones in
// its DotOffColor. Each colour's dots of the whole row go on the surface as
// one region filled once: hundreds of single fills are slow on Windows.
#include "config/config.h"
#include "driver/display_memory.h"
#include "log/log.h"
#include "screen/dot_font.h"
#include "screen/rows.h"

#include <cstring>
#include <stdint.h>

namespace {

const int kDotsPerCell = 40;

// The rectangles of one region, laid out as ExtCreateRegion reads them.
struct DotRegionData {
    RGNDATAHEADER header;
    RECT dots[kColumns * kDotsPerCell];
} DotRegion;

// Where a row's dots lie: the cell advance, the dot grid's offsets inside
// a cell and the dot size. Geometry is 32-bit with truncating division, as
// for custom characters; sums are taken in 64 bits and kept in range.
struct DotGrid {
    int64_t x, y, width;
    int32_t left[5], top[8];
    int32_t dotWidth, dotHeight;
};

LONG Clamp(int64_t value) {
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<LONG>(value);
}

DotGrid GridOf(const LineLayout &layout) {
    DotGrid grid;
    const int32_t w = layout.FontWidth, h = layout.FontHeight;
    grid.x = layout.X, grid.y = layout.Y, grid.width = w;
    for (int c = 0; c < 5; ++c) grid.left[c] = Clamp(static_cast<int64_t>(c + 1) * w) / 8;
    for (int r = 0; r < 8; ++r) grid.top[r] = h / 10 + Clamp(static_cast<int64_t>(r) * h) / 10;
    // A dot is its grid square less the gap, and never less than one pixel.
    const int32_t gap = layout.DotGap > 0 ? layout.DotGap : 0;
    const int64_t dotWidth = static_cast<int64_t>(w / 8) - gap;
    const int64_t dotHeight = static_cast<int64_t>(h / 10) - gap;
    grid.dotWidth = dotWidth < 1 ? 1 : static_cast<int32_t>(dotWidth);
    grid.dotHeight = dotHeight < 1 ? 1 : static_cast<int32_t>(dotHeight);
    return grid;
}

// The 8 dot rows of one character: a custom character's glyph, else the
// built-in pattern.
const unsigned char *PatternOf(unsigned char code) {
    int slot = GlyphSlotOf(code);
    return slot != 0 ? GlyphStore[slot] : DotPattern(code);
}

bool IsSet(const int32_t colour[3]) {
    return colour[0] != 0 || colour[1] != 0 || colour[2] != 0;
}

COLORREF ColourOf(const int32_t rgb[3]) {
    return RGB(rgb[0] & 0xFF, rgb[1] & 0xFF, rgb[2] & 0xFF);
}

// Collects the row's lit (or unlit) dots into DotRegion, band by band from
// the top, left to right: the order regions are kept in. Returns their number.
DWORD CollectDots(const DotGrid &grid, const unsigned char *text, int length, bool lit) {
    DWORD count = 0;
    RECT bound = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int r = 0; r < 8; ++r) {
        const int64_t top = grid.y + grid.top[r];
        for (int i = 0; i < length; ++i) {
            const unsigned char bits = PatternOf(text[i])[r];
            const int64_t cell = grid.x + grid.width * i;
            for (int c = 0; c < 5; ++c) {
                if (((bits & (0x10 >> c)) != 0) != lit) continue;
                const int64_t left = cell + grid.left[c];
                RECT &dot = DotRegion.dots[count++];
                dot = RECT{Clamp(left), Clamp(top), Clamp(left + grid.dotWidth),
                           Clamp(top + grid.dotHeight)};
                if (dot.left < bound.left) bound.left = dot.left;
                if (dot.top < bound.top) bound.top = dot.top;
                if (dot.right > bound.right) bound.right = dot.right;
                if (dot.bottom > bound.bottom) bound.bottom = dot.bottom;
            }
        }
    }
    DotRegion.header.dwSize = sizeof DotRegion.header;
    DotRegion.header.iType = RDH_RECTANGLES;
    DotRegion.header.nCount = count;
    DotRegion.header.nRgnSize = count * sizeof(RECT);
    DotRegion.header.rcBound = count ? bound : RECT{0, 0, 0, 0};
    return count;
}

// Paints the dots in DotRegion in one colour: one region, one fill. Without
// a region (the system refused one) each dot is filled on its own.
void FillDots(HDC surface, DWORD count, COLORREF colour) {
    if (count == 0) return;
    HBRUSH brush = CreateSolidBrush(colour);
    HRGN region = ExtCreateRegion(NULL, sizeof DotRegion.header + count * sizeof(RECT),
                                  reinterpret_cast<const RGNDATA *>(&DotRegion));
    if (region) {
        FillRgn(surface, region, brush);
        if (!DeleteObject(region)) LogLastError("Error from DeleteObject(hRgn)");
    } else {
        LogLastError("Error from ExtCreateRegion");
        for (DWORD i = 0; i < count; ++i) FillRect(surface, &DotRegion.dots[i], brush);
    }
    DeleteObject(brush);
}

} // namespace

void DrawDotRow(int row, HDC surface) {
    LineLayout &layout = WorkingLayouts[row];
    const unsigned char *text = TextRows[row];
    const int length = static_cast<int>(strnlen(reinterpret_cast<const char *>(text), kColumns));
    if (length == 0) return;
    const DotGrid grid = GridOf(layout);
    const int64_t end = grid.x + grid.width * length;

    if (IsSet(layout.FontBkColor)) {
        // The cells' background, as the opaque text background of the font look.
        RECT cells = {Clamp(grid.x), Clamp(grid.y), Clamp(end),
                      Clamp(grid.y + layout.FontHeight)};
        HBRUSH brush = CreateSolidBrush(ColourOf(layout.FontBkColor));
        FillRect(surface, &cells, brush);
        DeleteObject(brush);
    }
    if (IsSet(layout.DotOffColor))
        FillDots(surface, CollectDots(grid, text, length, false), ColourOf(layout.DotOffColor));
    FillDots(surface, CollectDots(grid, text, length, true), ColourOf(layout.FontColor));
    layout.X = Clamp(end);
}
