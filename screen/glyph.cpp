#include "glyph.h"

#include "config/config.h"
#include "driver/display_memory.h"
#include "screen/row_parts.h"

#include <stdint.h>

static const unsigned char kColumnMasks[5] = {0x10, 0x08, 0x04, 0x02, 0x01};

void DrawGlyph(int row, unsigned char slot, HDC target) {
    LineLayout &layout = WorkingLayouts[row];
    const int32_t x = layout.X, y = layout.Y;
    const int32_t h = layout.FontHeight, w = layout.FontWidth;
    const int32_t blockWidth = w / 8 + 1;
    const int32_t blockHeight = h / 10 + 1;
    const unsigned char *glyph = GlyphStore[slot < kGlyphSlots ? slot : 0];

    HBRUSH brush = CreateSolidBrush(RowColour(layout.FontColor));
    int64_t lineSum = 0; // r x H
    for (int r = 0; r < 8; ++r, lineSum += h) {
        int64_t top =
            static_cast<int64_t>(y) + h / 10 + static_cast<int32_t>(ClampCoordinate(lineSum) / 10);
        int64_t columnSum = w; // c x W
        for (int c = 0; c < 5; ++c, columnSum += w) {
            if ((glyph[r] & kColumnMasks[c]) == 0) continue;
            int64_t left =
                static_cast<int64_t>(x) + static_cast<int32_t>(ClampCoordinate(columnSum) / 8);
            RECT block = {ClampCoordinate(left), ClampCoordinate(top),
                          ClampCoordinate(left + blockWidth), ClampCoordinate(top + blockHeight)};
            FillRect(target, &block, brush);
        }
    }
    DeleteObject(brush);
    layout.X = ClampCoordinate(static_cast<int64_t>(x) + w);
}
