// Dot-matrix rows and the font look beside them, drawn on the simulated platform.
#include "config/config.h"
#include "driver/display_memory.h"
#include "screen/rows.h"
#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

const int kWidth = 320, kHeight = 120;

// A screen-compatible bitmap of kWidth x kHeight in a memory context.
class Rows : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, kWidth, kHeight);
        ReleaseDC(nullptr, screen);
        previous_ = SelectObject(dc_, bitmap_);
        memset(WorkingLayouts, 0, sizeof WorkingLayouts);
        sim::clear_journal();
    }
    void TearDown() override {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
        DriverTest::TearDown();
    }
    void SetRow(int row, const char *text) {
        snprintf(reinterpret_cast<char *>(TextRows[row]), kColumns + 1, "%s", text);
    }
    void Paint(COLORREF colour) {
        RECT all = {0, 0, kWidth, kHeight};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    COLORREF At(int x, int y) { return sim::bitmap_pixel(bitmap_, x, y); }
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

// Four font-look rows with every kind of content: plain and styled text,
// an opaque background, custom characters and the full block.
void LayOutFontRows() {
    const unsigned char arrow[8] = {0x04, 0x0E, 0x15, 0x04, 0x04, 0x04, 0x04, 0x00};
    StoreGlyph(1, arrow);
    const char *texts[4] = {"Tavlora 1.1 \x01 ok", "Temp \xb0" "C 21.5", "[\xff\xff\xff   ] 37%",
                            "Bold italic under"};
    for (int r = 0; r < 4; ++r) {
        LineLayout &row = WorkingLayouts[r];
        row.X = 6 + 3 * r, row.Y = 4 + 28 * r, row.FontHeight = 20, row.FontWidth = 10;
        row.FontColor[0] = 40 + 60 * r, row.FontColor[1] = 250, row.FontColor[2] = 90;
        snprintf(row.FontName, sizeof row.FontName, "%s", "Courier New");
        row.FontBold = 400;
        snprintf(reinterpret_cast<char *>(TextRows[r]), kColumns + 1, "%s", texts[r]);
    }
    WorkingLayouts[1].FontBkColor[2] = 128;
    WorkingLayouts[3].FontBold = 700, WorkingLayouts[3].FontItalics = 2;
    WorkingLayouts[3].FontUnderline = 3, WorkingLayouts[2].FontHeight = 24;
}

// The reference image is a binary PPM of the font-look rows as they were drawn
// before dot-matrix rows existed. TAVLORA_WRITE_REFERENCE=1 writes it anew.
TEST_F(Rows, FontRowsAreUnchangedPixelForPixel) {
    Paint(RGB(20, 30, 40));
    LayOutFontRows();
    for (int r = 0; r < 4; ++r) DrawRow(r, dc_);
    std::string pixels;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            COLORREF c = At(x, y);
            pixels += static_cast<char>(GetRValue(c));
            pixels += static_cast<char>(GetGValue(c));
            pixels += static_cast<char>(GetBValue(c));
        }
    char header[32];
    snprintf(header, sizeof header, "P6\n%d %d\n255\n", kWidth, kHeight);
    std::string path = std::string(TAVLORA_SOURCE_DIR) + "/tests/data/font-rows.ppm";
    if (getenv("TAVLORA_WRITE_REFERENCE")) std::ofstream(path, std::ios::binary) << header << pixels;
    std::string reference = ReadFile(path);
    ASSERT_EQ(reference.size(), strlen(header) + pixels.size()) << path;
    EXPECT_EQ(reference.substr(0, strlen(header)), header);
    size_t differing = 0;
    for (size_t i = 0; i < pixels.size(); ++i) differing += reference[strlen(header) + i] != pixels[i];
    EXPECT_EQ(differing, 0u);
}

} // namespace
