// The simulation's regions and StretchDIBits, as the dot-matrix rows use them.
#include "platform/platform.h"
#include "test_support.h"

#include <cstring>

namespace {

// A 16 x 8 surface painted grey.
class SimPixels : public SurfaceTest {
  protected:
    SimPixels() : SurfaceTest(16, 8) {}
    void SetUp() override {
        SurfaceTest::SetUp();
        RECT all = {0, 0, 16, 8};
        HBRUSH grey = CreateSolidBrush(RGB(0x80, 0x80, 0x80));
        FillRect(dc_, &all, grey);
        DeleteObject(grey);
    }
};

struct Rects {
    RGNDATAHEADER header;
    RECT rects[3];
};

Rects ThreeRects() {
    Rects r;
    memset(&r, 0, sizeof r);
    r.header.dwSize = sizeof r.header;
    r.header.iType = RDH_RECTANGLES;
    r.header.nCount = 3;
    r.rects[0] = RECT{1, 1, 3, 2};
    r.rects[1] = RECT{2, 1, 4, 3}; // overlaps the first
    r.rects[2] = RECT{9, 9, 9, 12}; // empty
    return r;
}

TEST_F(SimPixels, RegionsFillTheUnionOfTheirRectanglesAndAreReleased) {
    Rects data = ThreeRects();
    const RGNDATA *region = reinterpret_cast<const RGNDATA *>(&data);
    HRGN made = ExtCreateRegion(nullptr, sizeof data, region);
    ASSERT_NE(made, nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    EXPECT_TRUE(FillRgn(dc_, made, red));
    EXPECT_EQ(At(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(At(3, 2), RGB(255, 0, 0));
    EXPECT_EQ(At(1, 2), RGB(0x80, 0x80, 0x80));
    EXPECT_EQ(At(4, 1), RGB(0x80, 0x80, 0x80));
    EXPECT_EQ(sim::live_gdi_objects(), 3); // bitmap, brush, region
    EXPECT_TRUE(DeleteObject(made));
    EXPECT_FALSE(FillRgn(dc_, made, red)) << "a deleted region";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(DeleteObject(made));

    // Refused: a size that does not hold every rectangle, another type, no data.
    EXPECT_EQ(ExtCreateRegion(nullptr, sizeof data - 1, region), nullptr);
    data.header.iType = 2;
    EXPECT_EQ(ExtCreateRegion(nullptr, sizeof data, region), nullptr);
    EXPECT_EQ(ExtCreateRegion(nullptr, sizeof data, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // A transform that scales and moves.
    data = ThreeRects();
    XFORM twice = {2, 0, 0, 2, 5, 0};
    made = ExtCreateRegion(&twice, sizeof data, region);
    FillRgn(dc_, made, red);
    DeleteObject(made);
    EXPECT_EQ(At(7, 2), RGB(255, 0, 0));
    EXPECT_EQ(At(12, 5), RGB(255, 0, 0));
    EXPECT_EQ(At(13, 5), RGB(0x80, 0x80, 0x80));
    DeleteObject(red);
}

TEST_F(SimPixels, StretchDIBitsCombinesOneBitImagesWithTheSurface) {
    // 4 x 2 pixels, one bit each: row 0 is 1001, row 1 is 0110 (top-down).
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info;
    memset(&info, 0, sizeof info);
    info.header.biSize = sizeof info.header;
    info.header.biWidth = 4;
    info.header.biHeight = -2;
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.colours[0] = RGBQUAD{0, 0, 0, 0};
    info.colours[1] = RGBQUAD{0xFF, 0, 0, 0}; // blue
    const unsigned char bits[8] = {0x90, 0, 0, 0, 0x60, 0, 0, 0};
    const BITMAPINFO *bmi = reinterpret_cast<const BITMAPINFO *>(&info);
    const COLORREF grey = RGB(0x80, 0x80, 0x80), blue = RGB(0, 0, 0xFF);

    EXPECT_EQ(StretchDIBits(dc_, 0, 0, 4, 2, 0, 0, 4, 2, bits, bmi, DIB_RGB_COLORS, SRCPAINT), 2);
    EXPECT_EQ(At(0, 0), RGB(0x80, 0x80, 0xFF));
    EXPECT_EQ(At(1, 0), grey);
    EXPECT_EQ(At(1, 1), RGB(0x80, 0x80, 0xFF));
    EXPECT_EQ(At(4, 0), grey) << "outside the destination";

    // Twice the size: each source pixel covers 2 x 2; the surface clips.
    StretchDIBits(dc_, 14, 4, 8, 4, 0, 0, 4, 2, bits, bmi, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(At(14, 4), blue);
    EXPECT_EQ(At(15, 5), blue);
    EXPECT_EQ(At(14, 6), 0u);

    // Bottom-up: the same bytes are row 1 then row 0, and the source's y
    // counts from the bottom.
    info.header.biHeight = 2;
    StretchDIBits(dc_, 6, 0, 4, 1, 0, 1, 4, 1, bits, bmi, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_EQ(At(6, 0), 0u) << "the upper row is the second in memory";
    EXPECT_EQ(At(7, 0), blue);
    info.header.biHeight = -2;

    // Refused: a pattern operation (PATCOPY), palette colours, a negative size.
    EXPECT_EQ(StretchDIBits(dc_, 0, 0, 4, 2, 0, 0, 4, 2, bits, bmi, DIB_RGB_COLORS, 0x00F00021u), 0);
    EXPECT_EQ(StretchDIBits(dc_, 0, 0, 4, 2, 0, 0, 4, 2, bits, bmi, 1, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(dc_, 0, 0, -4, 2, 0, 0, 4, 2, bits, bmi, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

} // namespace
