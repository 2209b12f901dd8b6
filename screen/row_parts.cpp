#include "row_parts.h"

#include <stdint.h>

int GlyphSlotOf(unsigned char code) {
    if (code >= 1 && code <= 8) return code;
    if (code >= 131 && code <= 136) return code - 128;
    if (code == 158) return 2;
    if (code == 176) return 1;
    if (code == 255) return 9;
    return 0;
}

COLORREF RowColour(const int32_t rgb[3]) {
    return RGB(rgb[0] & 0xFF, rgb[1] & 0xFF, rgb[2] & 0xFF);
}

LONG ClampCoordinate(int64_t value) {
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<LONG>(value);
}
