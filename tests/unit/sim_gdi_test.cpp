// The simulated GDI draws, clips, converts and counts as Windows does where
// the driver relies on it.
#include "platform/platform.h"
#include "test_support.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

LRESULT CALLBACK QuietProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcA(window, message, wParam, lParam);
}

HBRUSH Stock(int brush) {
    return static_cast<HBRUSH>(GetStockObject(brush));
}

class SimGdi : public DriverTest {
  protected:
    // A memory context holding a new 32-bit bitmap of the given size.
    HDC MemoryWith(int width, int height, HBITMAP *bitmap) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        *bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        kept_ = SelectObject(dc, *bitmap);
        return dc;
    }

    void Free(HDC dc, HBITMAP bitmap) {
        SelectObject(dc, kept_);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }

    // A visible, painted window whose client area is width x height.
    HWND Window(int width, int height) {
        WNDCLASSEXA c = {};
        c.cbSize = sizeof c;
        c.lpfnWndProc = QuietProc;
        c.lpszClassName = "GdiTest";
        RegisterClassExA(&c);
        HWND window = CreateWindowExA(0, "GdiTest", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                      nullptr, nullptr, nullptr, nullptr);
        MSG m;
        while (PeekMessageA(&m, window, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        return window;
    }

    HGDIOBJ kept_ = nullptr;
};

TEST_F(SimGdi, StockObjectsAreNumberedAndDescribedAsInWindows) {
    for (int i : {9, 18, -1}) {
        SetLastError(0);
        EXPECT_EQ(GetStockObject(i), nullptr) << i;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }

    LOGFONTA f;
    ASSERT_EQ(GetObjectA(GetStockObject(ANSI_FIXED_FONT), sizeof f, &f), 60);
    EXPECT_EQ(f.lfHeight, 12);
    EXPECT_EQ(f.lfWidth, 9);
    EXPECT_EQ(f.lfWeight, 400);
    EXPECT_EQ(f.lfCharSet, 0);
    EXPECT_EQ(f.lfPitchAndFamily, 0x31);
    EXPECT_STREQ(f.lfFaceName, "Courier");
    ASSERT_EQ(GetObjectA(GetStockObject(SYSTEM_FONT), sizeof f, &f), 60);
    EXPECT_EQ(f.lfHeight, 16);
    EXPECT_EQ(f.lfWidth, 7);
    EXPECT_EQ(f.lfWeight, 700);
    EXPECT_STREQ(f.lfFaceName, "System");
    EXPECT_NE(GetObjectA(GetStockObject(DEFAULT_PALETTE), sizeof f, &f), 60)
        << "the palette is no font";

    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
    EXPECT_NE(GetObjectA(GetStockObject(BLACK_BRUSH), sizeof f, &f), 0) << "stock objects stay";
    EXPECT_EQ(sim::live_gdi_objects(), 0);
}

TEST_F(SimGdi, GetObjectCopiesWhatFitsInThe32BitLayouts) {
    unsigned char buffer[80];
    HFONT font = CreateFontA(-20, 0, 0, 0, FW_BOLD, 1, 0, 0, 0, 0, 0, 0, 0,
                             "A face name much longer than thirty-one characters");
    EXPECT_EQ(GetObjectA(font, 0, nullptr), 60);
    memset(buffer, 0xAB, sizeof buffer);
    EXPECT_EQ(GetObjectA(font, 10, buffer), 10);
    EXPECT_EQ(buffer[10], 0xAB) << "nothing past the size asked for";
    LOGFONTA f;
    ASSERT_EQ(GetObjectA(font, sizeof f, &f), 60);
    EXPECT_EQ(f.lfHeight, -20);
    EXPECT_EQ(f.lfItalic, 1);
    EXPECT_EQ(strlen(f.lfFaceName), 31u);

    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    memset(buffer, 0xAB, sizeof buffer);
    EXPECT_EQ(GetObjectA(brush, sizeof buffer, buffer), 12);
    EXPECT_EQ(buffer[12], 0xAB);
    LOGBRUSH b;
    memcpy(&b, buffer, 8);
    EXPECT_EQ(b.lbStyle, 0u);
    EXPECT_EQ(b.lbColor, RGB(1, 2, 3));

    LOGPEN pen;
    EXPECT_EQ(GetObjectA(GetStockObject(BLACK_PEN), sizeof pen, &pen), 16);
    EXPECT_EQ(GetObjectA(GetStockObject(BLACK_PEN), 8, &pen), 0);

    HBITMAP bitmap;
    HDC dc = MemoryWith(33, 7, &bitmap);
    BITMAP bm;
    EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), 24);
    ASSERT_EQ(GetObjectA(bitmap, sizeof bm, &bm), 24);
    EXPECT_EQ(bm.bmType, 0);
    EXPECT_EQ(bm.bmWidth, 33);
    EXPECT_EQ(bm.bmHeight, 7);
    EXPECT_EQ(bm.bmWidthBytes, 132);
    EXPECT_EQ(bm.bmPlanes, 1);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(GetObjectA(bitmap, 20, &bm), 0);

    EXPECT_EQ(GetObjectA(dc, sizeof bm, &bm), 0) << "a context is no object";
    Free(dc, bitmap);
    DeleteObject(font);
    DeleteObject(brush);
    EXPECT_EQ(GetObjectA(font, sizeof f, &f), 0) << "deleted";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SimGdi, ObjectAccountingReturnsToZero) {
    AllowLeakedObjects(); // the screen's context stays unreleased, and is counted
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(GetDC(nullptr), 4, 4);
    HFONT font = CreateFontA(12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
    EXPECT_EQ(sim::live_gdi_objects(), 3);
    EXPECT_EQ(sim::live_dcs(), 2) << "the memory context and the screen's";

    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    EXPECT_NE(oldBitmap, nullptr);
    EXPECT_EQ(oldFont, GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(oldBrush, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(dc, font), font) << "selecting again returns the same";

    EXPECT_FALSE(DeleteObject(font)) << "still selected";
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(sim::live_gdi_objects(), 3);

    EXPECT_EQ(SelectObject(dc, oldFont), font);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(SelectObject(dc, oldBrush), brush);
    EXPECT_TRUE(DeleteObject(brush));
    ASSERT_TRUE(DeleteDC(dc)) << "deleting the context frees its bitmap";
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(sim::live_gdi_objects(), 0);
    EXPECT_EQ(sim::live_dcs(), 1) << "GetDC(NULL) was never released";
}

TEST_F(SimGdi, SelectionRulesAndInvalidHandles) {
    HBITMAP bitmap;
    HDC first = MemoryWith(2, 2, &bitmap);
    HDC second = CreateCompatibleDC(first);
    EXPECT_EQ(SelectObject(second, bitmap), nullptr) << "a bitmap is in one context at a time";

    HWND window = Window(20, 20);
    HDC windowDc = GetDC(window);
    HBITMAP other = CreateCompatibleBitmap(windowDc, 2, 2);
    EXPECT_EQ(SelectObject(windowDc, other), nullptr) << "window contexts hold no bitmap";

    HBRUSH brush = CreateSolidBrush(0);
    EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(brush), bitmap), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(brush)));
    EXPECT_EQ(SetTextColor(reinterpret_cast<HDC>(brush), 0), CLR_INVALID);
    RECT r = {0, 0, 1, 1};
    EXPECT_EQ(FillRect(first, &r, reinterpret_cast<HBRUSH>(first)), 0);
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSX), 0);

    sim::fail_call("SelectObject", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(SelectObject(first, brush), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));

    ReleaseDC(window, windowDc);
    DeleteDC(second);
    Free(first, bitmap);
    DeleteObject(other);
    DeleteObject(brush);
    EXPECT_EQ(sim::live_gdi_objects(), 0);
    EXPECT_EQ(sim::live_dcs(), 0);
}

TEST_F(SimGdi, CompatibleBitmapsFollowTheirContext) {
    HDC memory = CreateCompatibleDC(nullptr);
    BITMAP bm;
    HBITMAP empty = CreateCompatibleBitmap(memory, 0, 5);
    ASSERT_NE(empty, nullptr);
    ASSERT_EQ(GetObjectA(empty, sizeof bm, &bm), 24);
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmHeight, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(sim::live_gdi_objects(), 0) << "the default bitmap";

    HBITMAP mono = CreateCompatibleBitmap(memory, 10, 10);
    ASSERT_EQ(GetObjectA(mono, sizeof bm, &bm), 24);
    EXPECT_EQ(bm.bmBitsPixel, 1) << "a new memory context holds a monochrome bitmap";
    EXPECT_EQ(bm.bmWidthBytes, 2);

    HWND window = Window(10, 10);
    HDC windowDc = GetDC(window);
    HBITMAP colour = CreateCompatibleBitmap(windowDc, 10, 10);
    ASSERT_EQ(GetObjectA(colour, sizeof bm, &bm), 24);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(sim::bitmap_pixel(colour, 9, 9), RGB(0, 0, 0)) << "starts black";

    EXPECT_EQ(CreateCompatibleBitmap(windowDc, 100000, 100000), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(CreateCompatibleBitmap(windowDc, -1, 5), nullptr);
    ReleaseDC(window, windowDc);
    DeleteObject(mono);
    DeleteObject(colour);
    DeleteDC(memory);
}

TEST_F(SimGdi, FillRectIncludesLeftAndTopOnly) {
    HBITMAP bitmap;
    HDC dc = MemoryWith(8, 8, &bitmap);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r = {2, 3, 5, 6};
    EXPECT_NE(FillRect(dc, &r, red), 0);
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 2, 3), RGB(255, 0, 0));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 4, 5), RGB(255, 0, 0));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 5, 5), RGB(0, 0, 0));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 4, 6), RGB(0, 0, 0));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 1, 3), RGB(0, 0, 0));

    HBRUSH white = Stock(WHITE_BRUSH);
    RECT empty = {4, 4, 4, 7}, inverted = {6, 6, 1, 1}, outside = {-5, -5, 100, 1};
    EXPECT_NE(FillRect(dc, &empty, white), 0);
    EXPECT_NE(FillRect(dc, &inverted, white), 0);
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 4, 4), RGB(255, 0, 0));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 3, 3), RGB(255, 0, 0));
    EXPECT_NE(FillRect(dc, &outside, white), 0) << "clipped to the bitmap";
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 7, 0), RGB(255, 255, 255));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 7, 1), RGB(0, 0, 0));

    RECT all = {0, 0, 8, 8};
    FillRect(dc, &all, Stock(NULL_BRUSH));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 4, 4), RGB(255, 0, 0)) << "the null brush paints nothing";
    FillRect(dc, &all, reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(5 + 1))); // COLOR_WINDOW + 1
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 4, 4), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 8, 0), CLR_INVALID);
    DeleteObject(red);
    Free(dc, bitmap);
}

TEST_F(SimGdi, BitBltClipsToTheClientAreaAndTheSource) {
    HWND window = Window(30, 20);
    HBITMAP bitmap;
    HDC memory = MemoryWith(40, 40, &bitmap);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT all = {0, 0, 40, 40};
    FillRect(memory, &all, blue);

    HDC dc = GetDC(window);
    ASSERT_TRUE(BitBlt(dc, 10, 5, 40, 40, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(sim::window_pixel(window, 29, 19), RGB(0, 0, 255));
    EXPECT_EQ(sim::window_pixel(window, 10, 5), RGB(0, 0, 255));
    EXPECT_EQ(sim::window_pixel(window, 9, 5), RGB(255, 255, 255));

    // Source pixels outside the bitmap copy nothing.
    ASSERT_TRUE(BitBlt(dc, 0, 0, 30, 20, memory, 35, 0, SRCCOPY));
    EXPECT_EQ(sim::window_pixel(window, 4, 0), RGB(0, 0, 255));
    EXPECT_EQ(sim::window_pixel(window, 5, 0), RGB(255, 255, 255));

    // From the window back to a bitmap: only the client area is there.
    FillRect(memory, &all, Stock(BLACK_BRUSH));
    ASSERT_TRUE(BitBlt(memory, 0, 0, 40, 40, dc, 0, 0, SRCCOPY));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 29, 19), RGB(0, 0, 255));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 30, 19), RGB(0, 0, 0));

    // Overlapping copies within one bitmap read the source before writing.
    RECT stripe = {0, 0, 1, 40};
    FillRect(memory, &stripe, Stock(WHITE_BRUSH));
    ASSERT_TRUE(BitBlt(memory, 1, 0, 39, 40, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 1, 0), RGB(255, 255, 255));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 2, 0), RGB(0, 0, 255)) << "moved, not smeared";

    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    ReleaseDC(window, dc);
    DeleteObject(blue);
    Free(memory, bitmap);
}

TEST_F(SimGdi, MonochromeBitmapsKeepBlackAndWhite) {
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateCompatibleBitmap(memory, 4, 1);
    HGDIOBJ kept = SelectObject(memory, mono);
    RECT left = {0, 0, 2, 1}, right = {2, 0, 4, 1};
    HBRUSH light = CreateSolidBrush(RGB(200, 200, 200));
    FillRect(memory, &left, light);
    FillRect(memory, &right, Stock(DKGRAY_BRUSH));
    EXPECT_EQ(sim::bitmap_pixel(mono, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(sim::bitmap_pixel(mono, 3, 0), RGB(0, 0, 0));

    // Monochrome to colour: black takes the text colour, white the background.
    HBITMAP colour;
    HDC target = MemoryWith(4, 1, &colour);
    SetTextColor(target, RGB(255, 0, 0));
    SetBkColor(target, RGB(0, 255, 0));
    BitBlt(target, 0, 0, 4, 1, memory, 0, 0, SRCCOPY);
    EXPECT_EQ(sim::bitmap_pixel(colour, 0, 0), RGB(0, 255, 0));
    EXPECT_EQ(sim::bitmap_pixel(colour, 3, 0), RGB(255, 0, 0));

    // Colour to monochrome: the source's background colour becomes white.
    SetBkColor(target, RGB(255, 0, 0));
    BitBlt(memory, 0, 0, 4, 1, target, 0, 0, SRCCOPY);
    EXPECT_EQ(sim::bitmap_pixel(mono, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(sim::bitmap_pixel(mono, 3, 0), RGB(255, 255, 255));

    SelectObject(memory, kept);
    DeleteObject(mono);
    DeleteObject(light);
    DeleteDC(memory);
    Free(target, colour);
}

TEST_F(SimGdi, GetDIBitsWritesBottomUpOrTopDownRows) {
    HBITMAP bitmap;
    HDC dc = MemoryWith(2, 3, &bitmap);
    HBRUSH colours[3] = {CreateSolidBrush(RGB(10, 20, 30)), CreateSolidBrush(RGB(40, 50, 60)),
                         CreateSolidBrush(RGB(70, 80, 90))};
    for (int row = 0; row < 3; ++row) {
        RECT r = {0, row, 2, row + 1};
        FillRect(dc, &r, colours[row]);
    }
    SelectObject(dc, kept_);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    ASSERT_NE(GetDIBits(dc, bitmap, 0, 3, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.bmiHeader.biWidth, 2);
    EXPECT_EQ(info.bmiHeader.biHeight, 3);
    EXPECT_EQ(info.bmiHeader.biBitCount, 32);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 24u);

    info.bmiHeader.biCompression = BI_RGB;
    unsigned char bits[24];
    memset(bits, 0xEE, sizeof bits);
    ASSERT_EQ(GetDIBits(dc, bitmap, 0, 3, bits, &info, DIB_RGB_COLORS), 3);
    const unsigned char bottomFirst[8] = {90, 80, 70, 0, 90, 80, 70, 0};
    EXPECT_EQ(memcmp(bits, bottomFirst, 8), 0) << "a bottom-up DIB starts with the bottom row";
    EXPECT_EQ(bits[16], 30);
    EXPECT_EQ(bits[17], 20);
    EXPECT_EQ(bits[18], 10);

    memset(bits, 0xEE, sizeof bits);
    EXPECT_EQ(GetDIBits(dc, bitmap, 1, 5, bits, &info, DIB_RGB_COLORS), 2) << "lines 1 and 2";
    EXPECT_EQ(bits[0], 60) << "line 1 from the bottom is the middle row";
    EXPECT_EQ(bits[8], 30);
    EXPECT_EQ(bits[16], 0xEE) << "nothing written past the lines copied";

    info.bmiHeader.biHeight = -3;
    ASSERT_EQ(GetDIBits(dc, bitmap, 0, 3, bits, &info, DIB_RGB_COLORS), 3);
    EXPECT_EQ(bits[0], 30) << "a top-down DIB starts with the top row";
    EXPECT_EQ(bits[16], 90);

    info.bmiHeader.biBitCount = 8;
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, 3, bits, &info, DIB_RGB_COLORS), 0);
    for (HBRUSH b : colours) DeleteObject(b);
    Free(dc, bitmap);
}

TEST_F(SimGdi, TextExtentsAdvanceOneCellPerCharacter) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(-14, 8, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Courier New");
    HGDIOBJ kept = SelectObject(dc, font);
    int extents[4] = {-1, -1, -1, -1};
    SIZE size;
    ASSERT_TRUE(GetTextExtentExPointA(dc, "abcd", 4, 0, nullptr, extents, &size));
    EXPECT_EQ(extents[0], 8);
    EXPECT_EQ(extents[3], 32);
    EXPECT_EQ(size.cx, 32);
    EXPECT_EQ(size.cy, 14);

    int fit = -1;
    int partial[4] = {-1, -1, -1, -1};
    ASSERT_TRUE(GetTextExtentExPointA(dc, "abcd", 4, 20, &fit, partial, nullptr));
    EXPECT_EQ(fit, 2);
    EXPECT_EQ(partial[1], 16);
    EXPECT_EQ(partial[2], -1) << "only the characters that fit";
    EXPECT_FALSE(GetTextExtentExPointA(dc, "abcd", -1, 0, nullptr, nullptr, &size));

    char face[32];
    EXPECT_EQ(GetTextFaceA(dc, sizeof face, face), 11);
    EXPECT_STREQ(face, "Courier New");
    EXPECT_EQ(GetTextFaceA(dc, 0, nullptr), 12);
    EXPECT_EQ(GetTextFaceA(dc, 4, face), 3);
    EXPECT_STREQ(face, "Cou");
    SelectObject(dc, kept);
    EXPECT_EQ(GetTextFaceA(dc, sizeof face, face), 6);
    EXPECT_STREQ(face, "System");
    ASSERT_TRUE(GetTextExtentExPointA(dc, "ab", 2, 0, nullptr, extents, &size));
    EXPECT_EQ(size.cx, 14) << "the default font's cell is 7 x 16";
    EXPECT_EQ(size.cy, 16);
    DeleteObject(font);
    DeleteDC(dc);
}

TEST_F(SimGdi, TextBackgroundIsOpaqueOrTransparent) {
    HBITMAP bitmap;
    HDC dc = MemoryWith(40, 20, &bitmap);
    HFONT font = CreateFontA(16, 8, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Courier New");
    HGDIOBJ keptFont = SelectObject(dc, font);
    EXPECT_EQ(SetTextColor(dc, RGB(255, 255, 0)), RGB(0, 0, 0)) << "black text by default";
    EXPECT_EQ(SetBkColor(dc, RGB(0, 0, 255)), RGB(255, 255, 255)) << "white background by default";

    // Opaque (the default): the cells take the background colour.
    ASSERT_TRUE(ExtTextOutA(dc, 0, 0, 0, nullptr, "I", 1, nullptr));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 7, 15), RGB(0, 0, 255));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 8, 0), RGB(0, 0, 0)) << "one cell only";
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 4, 6), RGB(255, 255, 0)) << "the I's stem";

    // Transparent: what is beneath stays; ETO_OPAQUE without a rectangle fills nothing.
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    ASSERT_TRUE(ExtTextOutA(dc, 16, 0, ETO_OPAQUE, nullptr, "I", 1, nullptr));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 16, 0), RGB(0, 0, 0));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 20, 6), RGB(255, 255, 0));

    // ETO_OPAQUE with a rectangle fills it; ETO_CLIPPED keeps the text inside.
    RECT box = {28, 0, 34, 16};
    ASSERT_TRUE(ExtTextOutA(dc, 24, 0, ETO_OPAQUE | ETO_CLIPPED, &box, "II", 2, nullptr));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 28, 0), RGB(0, 0, 255));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 33, 15), RGB(0, 0, 255));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 34, 0), RGB(0, 0, 0));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 28, 6), RGB(255, 255, 0));
    EXPECT_EQ(sim::bitmap_pixel(bitmap, 36, 6), RGB(0, 0, 0)) << "the second I is clipped";

    EXPECT_EQ(SetBkMode(dc, 7), 0);
    SelectObject(dc, keptFont);
    DeleteObject(font);
    Free(dc, bitmap);
}

TEST_F(SimGdi, BoldUnderlineAndUnknownCharactersDraw) {
    HBITMAP bitmap;
    HDC dc = MemoryWith(40, 16, &bitmap);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    auto lit = [&](int left, int right, int top, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += sim::bitmap_pixel(bitmap, x, y) == RGB(255, 255, 255);
        return n;
    };
    HFONT plain = CreateFontA(16, 8, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "");
    HFONT bold = CreateFontA(16, 8, 0, 0, FW_BOLD, 0, 1, 0, 0, 0, 0, 0, 0, "");
    HGDIOBJ kept = SelectObject(dc, plain);
    ExtTextOutA(dc, 0, 0, 0, nullptr, "H\x01", 2, nullptr);
    SelectObject(dc, bold);
    ExtTextOutA(dc, 20, 0, 0, nullptr, "H", 1, nullptr);
    int plainPixels = lit(0, 8, 0, 15), boldPixels = lit(20, 30, 0, 15);
    EXPECT_GT(plainPixels, 10);
    EXPECT_GT(boldPixels, plainPixels);
    EXPECT_EQ(lit(0, 8, 15, 16), 0);
    EXPECT_EQ(lit(20, 28, 15, 16), 8) << "underlined across the cell";
    EXPECT_GT(lit(8, 16, 0, 16), 8) << "a code without a picture draws a box";
    SelectObject(dc, kept);
    DeleteObject(plain);
    DeleteObject(bold);
    Free(dc, bitmap);
}

TEST_F(SimGdi, DeviceCapsAndTheJournal) {
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    sim::set_dpi(120);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 120);

    HDC memory = CreateCompatibleDC(screen);
    sim::clear_journal();
    BitBlt(screen, 0, 0, 640, 240, memory, 0, 0, SRCCOPY);
    ASSERT_EQ(sim::journal().size(), 1u);
    char expected[128];
    snprintf(expected, sizeof expected, "BitBlt(%p, 0, 0, 640, 240, %p, 0, 0, 0xCC0020)",
             static_cast<void *>(screen), static_cast<void *>(memory));
    EXPECT_EQ(sim::journal()[0], expected);

    sim::fail_call("CreateCompatibleDC", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(CreateCompatibleDC(screen), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(sim::live_dcs(), 0);
}

} // namespace
