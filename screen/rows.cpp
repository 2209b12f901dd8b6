#include "rows.h"

#include "config/config.h"
#include "driver/display_memory.h"
#include "log/log.h"
#include "screen/dot_rows.h"
#include "screen/glyph.h"
#include "screen/row_parts.h"

#include <cstring>
#include <stdint.h>

LOGFONTA FontScratch;

static const int kItalicCode = 2;
static const int kUnderlineCode = 3;

void DrawRow(int row, HDC surface) {
    if (WorkingLayouts[row].Dots) {
        DrawDotRow(row, surface);
        return;
    }
    const unsigned char *text = TextRows[row];
    int start = 0;
    bool pending = false;
    int length = static_cast<int>(strlen(reinterpret_cast<const char *>(text)));
    for (int index = 0; index < length; ++index) {
        int slot = GlyphSlotOf(text[index]);
        if (slot == 0) {
            pending = true;
            continue;
        }
        if (pending) DrawTextRun(row, start, index - 1, surface);
        DrawGlyph(row, static_cast<unsigned char>(slot), surface);
        start = index + 1;
        pending = false;
    }
    if (pending) DrawTextRun(row, start, length - 1, surface);
}

// The font each row was last drawn in, and what it was made from: made
// again only when the row's font settings change (a save, a zoom, a DPI).
struct RowFont {
    HFONT font;
    int32_t weight, italic, underline, height, width, type;
    char face[sizeof LineLayout().FontName];
};
static RowFont RowFonts[kRows];

static HFONT FontOfRow(int row, const LineLayout &layout) {
    RowFont &kept = RowFonts[row];
    if (kept.font && kept.weight == layout.FontBold && kept.italic == layout.FontItalics &&
        kept.underline == layout.FontUnderline && kept.height == layout.FontHeight &&
        kept.width == layout.FontWidth && kept.type == layout.FontType &&
        strcmp(kept.face, layout.FontName) == 0)
        return kept.font;
    if (kept.font && !DeleteObject(kept.font)) LogLastError("Error from DeleteObject(hFont)");
    kept.font = MakeRowFont(layout.FontBold, layout.FontItalics, layout.FontUnderline,
                            layout.FontHeight, layout.FontWidth, layout.FontType, layout.FontName);
    kept.weight = layout.FontBold;
    kept.italic = layout.FontItalics;
    kept.underline = layout.FontUnderline;
    kept.height = layout.FontHeight;
    kept.width = layout.FontWidth;
    kept.type = layout.FontType;
    memcpy(kept.face, layout.FontName, sizeof kept.face);
    kept.face[sizeof kept.face - 1] = 0;
    return kept.font;
}

void ReleaseRowFonts() {
    for (int row = 0; row < kRows; ++row) {
        if (RowFonts[row].font && !DeleteObject(RowFonts[row].font))
            LogLastError("Error from DeleteObject(hFont)");
        RowFonts[row].font = NULL;
    }
}

void DrawTextRun(int row, int first, int last, HDC surface) {
    LineLayout &layout = WorkingLayouts[row];
    int extents[kColumns];
    memset(extents, 0, sizeof extents);
    char run[kColumns + 1];
    int n = last - first + 1;
    memcpy(run, TextRows[row] + first, n);
    run[n] = 0;

    SetTextColor(surface, RowColour(layout.FontColor));
    UINT option;
    if (layout.FontBkColor[0] != 0 || layout.FontBkColor[1] != 0 || layout.FontBkColor[2] != 0) {
        SetBkMode(surface, OPAQUE);
        SetBkColor(surface, RowColour(layout.FontBkColor));
        option = ETO_OPAQUE;
    } else {
        SetBkMode(surface, TRANSPARENT);
        option = ETO_CLIPPED;
    }

    HGDIOBJ previous = SelectObject(surface, FontOfRow(row, layout));
    SIZE size;
    GetTextExtentExPointA(surface, run, n, 1000, NULL, extents, &size);
    ExtTextOutA(surface, layout.X, layout.Y, option, NULL, run, static_cast<UINT>(n), NULL);
    // A row configured at the far right stays there: the sum must not overflow.
    int64_t next = static_cast<int64_t>(layout.X) + extents[n - 1];
    layout.X = next > INT32_MAX ? INT32_MAX : static_cast<int32_t>(next);
    SelectObject(surface, previous);
}

// Fills FontScratch from a stock font. False when the number names no stock
// object or one that is not a font (its description is not a LOGFONTA).
static bool TakeStockFont(int number) {
    HGDIOBJ stock = GetStockObject(number);
    return stock && GetObjectA(stock, sizeof FontScratch, &FontScratch) == sizeof FontScratch;
}

HFONT MakeRowFont(int weight, int italicCode, int underlineCode, int height, int width,
                  int fontType, const char *faceName) {
    if (fontType == 0 || !TakeStockFont(fontType)) {
        // The fixed-pitch stock font's description with the row's face name,
        // cut to what the face-name field holds.
        TakeStockFont(ANSI_FIXED_FONT);
        size_t length = faceName ? strnlen(faceName, LF_FACESIZE - 1) : 0;
        memcpy(FontScratch.lfFaceName, faceName ? faceName : "", length);
        FontScratch.lfFaceName[length] = 0;
    }
    BYTE italic = italicCode == kItalicCode ? 1 : 0;
    BYTE underline = underlineCode == kUnderlineCode ? 1 : 0;
    FontScratch.lfWeight = weight;
    FontScratch.lfItalic = italic;
    FontScratch.lfUnderline = underline;
    return CreateFontA(height, width, FontScratch.lfEscapement, FontScratch.lfOrientation, weight,
                       italic, underline, FontScratch.lfStrikeOut, FontScratch.lfCharSet,
                       FontScratch.lfOutPrecision, FontScratch.lfClipPrecision,
                       FontScratch.lfQuality, FontScratch.lfPitchAndFamily, FontScratch.lfFaceName);
}
