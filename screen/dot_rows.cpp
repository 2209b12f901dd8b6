// Dot-matrix rows: every character cell a 5 x 8 grid of dots on the grid
// custom characters use, lit dots in the row's text colour and unlit ones in
// its DotOffColor.
//
// A row has hundreds of dots, and one fill each is slow on Windows. So each
// colour's dots are set in a one-bit mask of the row, which goes on the
// surface in two transfers: AND with the mask (the dots turn black, the rest
// stays) and OR with the mask in the dot colour (the dots take it). A row
// too large for the mask buffer goes in spans of cells; a cell too large
// for it, or a transfer the system refuses, is drawn as one region of the
// dots' rectangles instead, and failing that dot by dot.
//
// The rows of an LCD module (config/module.h) lie on a grid of their own:
// dots a pitch apart, a character 6 pitches across, every cell of the row
// drawn, and round dots when the module asks for them. Round dots are
// stamped into the mask, or filled a band of pixel rows at a time where the
// mask cannot be used; they are round at every size. On plain
// glass a module row takes two transfers instead of four: every dot unlit
// with the glass between them, then the lit ones turned to their colour.
#include "dot_rows.h"

#include "config/config.h"
#include "driver/display_memory.h"
#include "log/log.h"
#include "screen/dot_font.h"
#include "screen/row_parts.h"

#include <cstring>
#include <stdint.h>

namespace {

const int kDotsPerCell = 40;
const size_t kMaskBytes = 64 * 1024;

// The rectangles of one region, laid out as ExtCreateRegion reads them.
struct DotRegionData {
    RGNDATAHEADER header;
    RECT dots[kColumns * kDotsPerCell];
} DotRegion;

// A top-down one-bit image with its two colours, and its pixels: rows of
// whole 32-bit words.
struct MaskInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
} Mask;
unsigned char MaskBits[kMaskBytes];

// Where a row's dots lie: the cell advance, the dot grid's offsets inside
// a cell and the dot size. Geometry is 32-bit with truncating division, as
// for custom characters; sums are taken in 64 bits and kept in range.
struct DotGrid {
    int64_t x, y, width;
    int32_t left[5], top[8];
    int32_t dotWidth, dotHeight;
    bool round; // square dots of `dotWidth`, round ones leave out RoundInset pixels
};

// The pixels a round dot of `d` pixels leaves out at each end of its pixel
// row y: those whose centres lie outside the circle its square holds, where
// (2x + 1 - d)^2 + (2y + 1 - d)^2 > d^2.
int32_t RoundInset(int32_t d, int32_t y) {
    const int64_t dy = 2 * static_cast<int64_t>(y) + 1 - d;
    const int64_t room = static_cast<int64_t>(d) * d - dy * dy; // (2x + 1 - d)^2 may be this
    int64_t root = 0; // the whole square root of room: 1 to d for y inside the dot
    for (int64_t step = int64_t(1) << 31; step > 0; step >>= 1)
        if ((root + step) * (root + step) <= room) root += step;
    // The first x with d - 1 - 2x <= root: 0 to d / 2.
    return static_cast<int32_t>((d - root) / 2);
}

// A module's grid: dots `pitch` apart from the cell's corner, 6 pitches a cell.
void ModuleGrid(const LineLayout &layout, DotGrid *grid) {
    const int32_t pitch = layout.DotPitch;
    grid->width = 6 * static_cast<int64_t>(pitch);
    for (int c = 0; c < 5; ++c) grid->left[c] = c * pitch;
    for (int r = 0; r < 8; ++r) grid->top[r] = r * pitch;
    const int32_t size = pitch - (layout.DotGap > 0 ? layout.DotGap : 0);
    grid->dotWidth = grid->dotHeight = size < 1 ? 1 : size;
    grid->round = layout.RoundDots != 0 && grid->dotWidth >= 4;
}

DotGrid GridOf(const LineLayout &layout) {
    DotGrid grid;
    grid.round = false;
    grid.x = layout.X, grid.y = layout.Y;
    if (layout.DotPitch > 0) {
        ModuleGrid(layout, &grid);
        return grid;
    }
    const int32_t w = layout.FontWidth, h = layout.FontHeight;
    grid.width = w;
    for (int c = 0; c < 5; ++c) grid.left[c] = ClampCoordinate(static_cast<int64_t>(c + 1) * w) / 8;
    for (int r = 0; r < 8; ++r)
        grid.top[r] = h / 10 + ClampCoordinate(static_cast<int64_t>(r) * h) / 10;
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

bool IsLit(const unsigned char *text, int i, int r, int c) {
    return (PatternOf(text[i])[r] & (0x10 >> c)) != 0;
}

bool IsSet(const int32_t colour[3]) {
    return colour[0] != 0 || colour[1] != 0 || colour[2] != 0;
}

RGBQUAD Quad(COLORREF colour) {
    RGBQUAD q = {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
    return q;
}

// ---- a span of cells through a one-bit mask --------------------------------

// The mask's rectangle for cells first to first + count - 1: from the first
// dot column of the first cell to the end of the last dot of the last cell,
// and from the first dot row to the end of the last.
struct MaskArea {
    int64_t left, top, width, height;
    size_t stride; // bytes a row
};

MaskArea AreaOf(const DotGrid &grid, int first, int count) {
    MaskArea a;
    a.left = grid.x + grid.width * first + grid.left[0];
    a.top = grid.y + grid.top[0];
    a.width = grid.width * (count - 1) + grid.left[4] + grid.dotWidth - grid.left[0];
    a.height = grid.top[7] + grid.dotHeight - grid.top[0];
    a.stride = a.width > 0 ? static_cast<size_t>((a.width + 31) / 32 * 4) : 0;
    return a;
}

// True when the area can be a mask: dots that lie left to right and top to
// bottom in it, inside the buffer, and everywhere inside the 32-bit
// coordinate range.
bool Fits(const DotGrid &grid, const MaskArea &a) {
    return grid.width >= 0 && grid.left[4] >= grid.left[0] && grid.top[7] >= grid.top[0] &&
           a.width > 0 && a.height > 0 && a.width <= INT32_MAX && a.height <= INT32_MAX &&
           a.stride * static_cast<uint64_t>(a.height) <= kMaskBytes && a.left >= INT32_MIN &&
           a.top >= INT32_MIN && a.left + a.width <= INT32_MAX && a.top + a.height <= INT32_MAX;
}

// How many cells from `first` one mask takes (0: not even one).
int CellsPerMask(const DotGrid &grid, int first, int length) {
    int count = length - first;
    while (count > 0 && !Fits(grid, AreaOf(grid, first, count))) count /= 2;
    return count;
}

enum DotKind { UnlitDots, LitDots, AllDots };

// Round dots up to this many pixels high take their insets from a table.
const int32_t kInsetRows = 1024;

// Sets the mask of the chosen dots of cells first to first + count - 1.
MaskArea BuildMask(const DotGrid &grid, const unsigned char *text, int first, int count,
                   DotKind kind) {
    const MaskArea a = AreaOf(grid, first, count);
    memset(MaskBits, 0, a.stride * static_cast<size_t>(a.height));
    // A round dot's insets, worked out once for all its dots.
    static int32_t insets[kInsetRows];
    const bool table = grid.round && grid.dotHeight <= kInsetRows;
    for (int32_t y = 0; table && y < grid.dotHeight; ++y) insets[y] = RoundInset(grid.dotWidth, y);
    for (int i = first; i < first + count; ++i) {
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 5; ++c) {
                if (kind != AllDots && IsLit(text, i, r, c) != (kind == LitDots)) continue;
                // The dot's place in the mask.
                const int64_t left = grid.width * (i - first) + grid.left[c] - grid.left[0];
                const int64_t top = grid.top[r] - grid.top[0];
                for (int64_t y = top; y < top + grid.dotHeight; ++y) {
                    unsigned char *row = MaskBits + a.stride * static_cast<size_t>(y);
                    const int32_t dy = static_cast<int32_t>(y - top);
                    const int32_t inset = !grid.round ? 0
                                          : table     ? insets[dy]
                                                      : RoundInset(grid.dotWidth, dy);
                    for (int64_t x = left + inset; x < left + grid.dotWidth - inset; ++x)
                        row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
                }
            }
    }
    return a;
}

// Puts the mask on the surface at its area, clear bits as `clear` and set
// ones as `set`, combined with the surface by `rop`. False when refused.
bool Transfer(HDC surface, const MaskArea &a, COLORREF clear, COLORREF set, DWORD rop) {
    memset(&Mask, 0, sizeof Mask);
    Mask.header.biSize = sizeof Mask.header;
    Mask.header.biWidth = static_cast<LONG>(a.width);
    Mask.header.biHeight = -static_cast<LONG>(a.height); // top-down
    Mask.header.biPlanes = 1;
    Mask.header.biBitCount = 1;
    Mask.header.biCompression = BI_RGB;
    const LONG x = static_cast<LONG>(a.left), y = static_cast<LONG>(a.top);
    const LONG w = static_cast<LONG>(a.width), h = static_cast<LONG>(a.height);
    Mask.colours[0] = Quad(clear);
    Mask.colours[1] = Quad(set);
    return StretchDIBits(surface, x, y, w, h, 0, 0, w, h, MaskBits,
                         reinterpret_cast<const BITMAPINFO *>(&Mask), DIB_RGB_COLORS, rop) != 0;
}

// Puts the lit (or unlit) dots of cells first to first + count - 1 on the
// surface through the mask: the dots black, the rest kept; then the dots in
// their colour. False when the system refused a transfer.
bool MaskDots(HDC surface, const DotGrid &grid, const unsigned char *text, int first, int count,
              bool lit, COLORREF colour) {
    const MaskArea a = BuildMask(grid, text, first, count, lit ? LitDots : UnlitDots);
    return Transfer(surface, a, RGB(255, 255, 255), RGB(0, 0, 0), SRCAND) &&
           Transfer(surface, a, RGB(0, 0, 0), colour, SRCPAINT);
}

// A module's cells on plain glass: every dot unlit and the glass between
// them in one copy, then the cells from the first to the last with a lit
// dot turned from the unlit colour to the lit one (exclusive or with both).
// False when the system refused a transfer.
bool GlassDots(HDC surface, const DotGrid &grid, const unsigned char *text, int first, int count,
               COLORREF glass, COLORREF unlit, COLORREF lit) {
    if (!Transfer(surface, BuildMask(grid, text, first, count, AllDots), glass, unlit, SRCCOPY))
        return false;
    int from = first + count, to = first - 1;
    for (int i = first; i < first + count; ++i)
        for (int r = 0; r < 8; ++r)
            if ((PatternOf(text[i])[r] & 0x1F) != 0) {
                from = i < from ? i : from;
                to = i;
                break;
            }
    if (from > to) return true;
    return Transfer(surface, BuildMask(grid, text, from, to - from + 1, LitDots), RGB(0, 0, 0),
                    unlit ^ lit, SRCINVERT);
}

// ---- a span of cells as one region ----------------------------------------

// Collects the lit (or unlit) dots of cells first to first + count - 1 into
// DotRegion, band by band from the top, left to right: the order regions
// are kept in. Returns their number.
DWORD CollectDots(const DotGrid &grid, const unsigned char *text, int first, int count, bool lit) {
    DWORD n = 0;
    RECT bound = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (int r = 0; r < 8; ++r) {
        const int64_t top = grid.y + grid.top[r];
        for (int i = first; i < first + count; ++i) {
            const int64_t cell = grid.x + grid.width * i;
            for (int c = 0; c < 5; ++c) {
                if (IsLit(text, i, r, c) != lit) continue;
                const int64_t left = cell + grid.left[c];
                RECT &dot = DotRegion.dots[n++];
                dot = RECT{ClampCoordinate(left), ClampCoordinate(top),
                           ClampCoordinate(left + grid.dotWidth),
                           ClampCoordinate(top + grid.dotHeight)};
                if (dot.left < bound.left) bound.left = dot.left;
                if (dot.top < bound.top) bound.top = dot.top;
                if (dot.right > bound.right) bound.right = dot.right;
                if (dot.bottom > bound.bottom) bound.bottom = dot.bottom;
            }
        }
    }
    DotRegion.header.dwSize = sizeof DotRegion.header;
    DotRegion.header.iType = RDH_RECTANGLES;
    DotRegion.header.nCount = n;
    DotRegion.header.nRgnSize = n * sizeof(RECT);
    DotRegion.header.rcBound = n ? bound : RECT{0, 0, 0, 0};
    return n;
}

// Fills a round dot a band of pixel rows at a time, each band the rows of
// one inset.
void FillRoundDot(HDC surface, const RECT &dot, int32_t d, HBRUSH brush) {
    for (int32_t y = 0; y < d;) {
        const int32_t inset = RoundInset(d, y);
        int32_t end = y + 1;
        while (end < d && RoundInset(d, end) == inset) ++end;
        RECT band = {dot.left + inset, dot.top + y, dot.right - inset, dot.top + end};
        FillRect(surface, &band, brush);
        y = end;
    }
}

// Paints the lit (or unlit) dots of the cells as one region filled once;
// without a region (the system refused one), each dot on its own. Round
// dots go each on its own, band by band.
void RegionDots(HDC surface, const DotGrid &grid, const unsigned char *text, int first, int count,
                bool lit, COLORREF colour) {
    DWORD n = CollectDots(grid, text, first, count, lit);
    if (n != 0 && grid.round) {
        HBRUSH brush = CreateSolidBrush(colour);
        for (DWORD i = 0; i < n; ++i)
            FillRoundDot(surface, DotRegion.dots[i], grid.dotWidth, brush);
        DeleteObject(brush);
        return;
    }
    if (n == 0) return;
    HBRUSH brush = CreateSolidBrush(colour);
    HRGN region = ExtCreateRegion(NULL, sizeof DotRegion.header + n * sizeof(RECT),
                                  reinterpret_cast<const RGNDATA *>(&DotRegion));
    if (region) {
        FillRgn(surface, region, brush);
        if (!DeleteObject(region)) LogLastError("Error from DeleteObject(hRgn)");
    } else {
        LogLastError("Error from ExtCreateRegion");
        for (DWORD i = 0; i < n; ++i) FillRect(surface, &DotRegion.dots[i], brush);
    }
    DeleteObject(brush);
}

// Paints a module row's dots on its glass; a span the system refused goes
// as regions, on the glass the panel drew.
void PaintGlassDots(HDC surface, const DotGrid &grid, const unsigned char *text, int length,
                    COLORREF glass, COLORREF unlit, COLORREF lit) {
    for (int first = 0; first < length;) {
        int count = CellsPerMask(grid, first, length);
        if (count > 0 && GlassDots(surface, grid, text, first, count, glass, unlit, lit)) {
            first += count;
            continue;
        }
        if (count == 0)
            count = 1; // a cell too large for the mask
        else
            LogLastError("Error from StretchDIBits");
        RegionDots(surface, grid, text, first, count, false, unlit);
        RegionDots(surface, grid, text, first, count, true, lit);
        first += count;
    }
}

// Paints one colour's dots of the whole row.
void PaintDots(HDC surface, const DotGrid &grid, const unsigned char *text, int length, bool lit,
               COLORREF colour) {
    for (int first = 0; first < length;) {
        int count = CellsPerMask(grid, first, length);
        if (count > 0 && MaskDots(surface, grid, text, first, count, lit, colour)) {
            first += count;
            continue;
        }
        if (count == 0)
            count = 1; // a cell too large for the mask
        else
            LogLastError("Error from StretchDIBits");
        RegionDots(surface, grid, text, first, count, lit, colour);
        first += count;
    }
}

} // namespace

void DrawDotRow(int row, HDC surface) {
    LineLayout &layout = WorkingLayouts[row];
    const unsigned char *text = TextRows[row];
    int length = static_cast<int>(strnlen(reinterpret_cast<const char *>(text), kColumns));
    static unsigned char cells[kColumns + 1];
    if (layout.DotPitch > 0) {
        // A module shows its cells whatever the text: spaces past its end,
        // nothing past the module's last column.
        const int count = layout.Cells < 0 ? 0 : layout.Cells > kColumns ? kColumns : layout.Cells;
        memset(cells, ' ', sizeof cells);
        memcpy(cells, text, static_cast<size_t>(length < count ? length : count));
        text = cells;
        length = count;
    }
    if (length == 0) return;
    const DotGrid grid = GridOf(layout);
    const int64_t end = grid.x + grid.width * length;
    if (layout.OnGlass) {
        PaintGlassDots(surface, grid, text, length, RowColour(layout.FontBkColor),
                       RowColour(layout.DotOffColor), RowColour(layout.FontColor));
        layout.X = ClampCoordinate(end);
        return;
    }

    if (IsSet(layout.FontBkColor)) {
        // The cells' background, as the opaque text background of the font look.
        RECT cells = {ClampCoordinate(grid.x), ClampCoordinate(grid.y), ClampCoordinate(end),
                      ClampCoordinate(grid.y + layout.FontHeight)};
        HBRUSH brush = CreateSolidBrush(RowColour(layout.FontBkColor));
        FillRect(surface, &cells, brush);
        DeleteObject(brush);
    }
    if (IsSet(layout.DotOffColor))
        PaintDots(surface, grid, text, length, false, RowColour(layout.DotOffColor));
    PaintDots(surface, grid, text, length, true, RowColour(layout.FontColor));
    layout.X = ClampCoordinate(end);
}
