// Bad input from the host and from the files beside it: configurations of
// garbage, broken and huge pictures, impossible window sizes, arguments at
// their limits. Whatever arrives, the driver must not crash or write outside
// a buffer, must say in the log what failed, and must draw correctly after.
#include "config/config.h"
#include "driver/display_memory.h"
#include "driver/tavlora.h"
#include "screen/picture.h"
#include "screen/rows.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Everything a bad configuration may have changed, set again: row 1 shows a
// red glyph at (20, 10) in a 16 x 20 cell, whose blocks cover (22, 12) to
// (32, 28) of the 200 x 100 window.
const char kGoodConfig[] = "Debug=1\nWidth=200\nHeight=100\nDontShowWindow=0\nRecord=0\n"
                           "Line1X=20\nLine1Y=10\nLine1FontType=0\nLine1FontHeight=20\n"
                           "Line1FontWidth=16\nLine1FontColor=255 0 0\nLine1FontBkColor=0 0 0\n";
const COLORREF kRed = RGB(255, 0, 0);

class BadInput : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        sim::set_frame(0, 0); // the client area is the whole window
        sim::set_ticks(0);
    }
    char Start(const std::string &config) {
        WriteConfig(config);
        char ok = 0;
        DISPLAYDLL_Init(0, 0, nullptr, &ok);
        return ok;
    }
    void WriteAt(int column, int row, const char *text) {
        DISPLAYDLL_SetPosition(column, row);
        DISPLAYDLL_Write(const_cast<char *>(text));
    }
    // Starts again from the good configuration, defines glyph 1 as a full
    // block and shows it alone: the window must show exactly that block.
    void ExpectDrawsCorrectly(COLORREF background) {
        ASSERT_EQ(Start(kGoodConfig), 1);
        char full[8];
        memset(full, 0x1F, sizeof full);
        DISPLAYDLL_CustomChar(1, full);
        for (int row = 2; row <= 4; ++row) WriteAt(1, row, "");
        WriteAt(1, 1, "\x01");
        EXPECT_EQ(sim::window_pixel(DisplayWindow, 22, 12), kRed);
        EXPECT_EQ(sim::window_pixel(DisplayWindow, 32, 28), kRed);
        for (const POINT &p :
             {POINT{21, 20}, POINT{33, 20}, POINT{27, 11}, POINT{27, 29}, POINT{150, 80}})
            EXPECT_TRUE(Near(sim::window_pixel(DisplayWindow, p.x, p.y), background))
                << p.x << "," << p.y << ": " << std::hex
                << sim::window_pixel(DisplayWindow, p.x, p.y);
        ExpectDisplayMemoryIntact();
    }
    // Every row keeps its terminator cell, the cursor stays on the display.
    void ExpectDisplayMemoryIntact() {
        for (int r = 0; r < kRows; ++r) {
            EXPECT_EQ(TextRows[r][kColumns], 0) << "row " << r + 1;
            EXPECT_EQ(ShadowRows[r][kColumns], 0) << "row " << r + 1;
        }
        EXPECT_GE(Cursor.Column, 1);
        EXPECT_LE(Cursor.Column, kColumns + 1);
        EXPECT_GE(Cursor.Row, 1);
        EXPECT_LE(Cursor.Row, kRows);
    }
    static bool Near(COLORREF a, COLORREF b) {
        return abs(GetRValue(a) - GetRValue(b)) <= 8 && abs(GetGValue(a) - GetGValue(b)) <= 8 &&
               abs(GetBValue(a) - GetBValue(b)) <= 8;
    }
    int Logged(const std::string &line) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l == line;
        return n;
    }
    int LoggedStarting(const std::string &start) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l.compare(0, start.size(), start) == 0;
        return n;
    }
    std::string TestData(const char *name) {
        return ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/tests/data/" + name);
    }
};

TEST_F(BadInput, RowsAtTheFarRightEdgeOfTheRangeStayThere) {
    // Text and glyphs advance a row's X; at the largest X the sum stays there.
    ASSERT_EQ(Start("Debug=1\nWidth=200\nHeight=100\nLine1X=2147483647\nLine1FontWidth=16\n"
                    "Line2X=2147483600\nLine2FontWidth=16\n"),
              1);
    WriteAt(1, 1, "AB\001CD");
    WriteAt(1, 2, "EFGHIJ");
    EXPECT_EQ(WorkingLayouts[0].X, INT32_MAX);
    EXPECT_EQ(WorkingLayouts[1].X, INT32_MAX);
    EXPECT_GE(sim::find_call("ExtTextOutA("), 0);
    ExpectDrawsCorrectly(RGB(0, 0, 0));
}

// Width and Height are taken as they are: the window of the first start
// keeps that size, so what is checked afterwards is that repaints and
// captures go on without error lines.
struct WindowSize {
    int width;
    int height;
};

void PrintTo(const WindowSize &size, std::ostream *out) {
    *out << size.width << " x " << size.height;
}

class BadWindowSize : public BadInput, public ::testing::WithParamInterface<WindowSize> {};

TEST_P(BadWindowSize, CreatesTheWindowAndGoesOnRepaintingAndCapturing) {
    const WindowSize size = GetParam();
    char config[160];
    snprintf(config, sizeof config,
             "Debug=1\nWidth=%d\nHeight=%d\nRecord=1\nRecordInterval=-1\nRecordFile=cap.bmp\n",
             size.width, size.height);
    ASSERT_EQ(Start(config), 1);
    ASSERT_NE(DisplayWindow, nullptr);
    RECT client;
    GetClientRect(DisplayWindow, &client);
    EXPECT_EQ(client.right, size.width > 0 ? size.width : 0);
    EXPECT_EQ(client.bottom, size.height > 0 ? size.height : 0);

    sim::clear_journal();
    WriteAt(1, 1, "Text\x01");
    WriteAt(1, 2, "more");
    EXPECT_EQ(sim::calls("BitBlt"), 2 + 2) << "two repaints, two captures";
    // Below zero the repaint's bitmap cannot be made; that is the one error.
    bool negative = size.width < 0 || size.height < 0;
    EXPECT_EQ(LoggedStarting("Error Error from CreateCompatibleBitmap : "), negative ? 3 : 0);
    EXPECT_EQ(LoggedStarting("Error "), negative ? 3 + 1 : 1) << "and the missing picture";
    std::string capture = ReadFile("cap.bmp");
    ASSERT_GE(capture.size(), 54u);
    EXPECT_EQ(capture.substr(0, 2), "BM");

    // A good configuration at the next start: the window keeps its size,
    // the driver goes on without errors.
    int errors = LoggedStarting("Error ");
    ASSERT_EQ(Start(kGoodConfig), 1);
    WriteAt(1, 1, "\x01");
    EXPECT_EQ(LoggedStarting("Error "), errors);
    ExpectDisplayMemoryIntact();
}

const WindowSize kBadSizes[] = {{0, 0},      {0, 100},  {200, 0},
                                {-200, 100}, {200, -1}, {INT32_MIN, INT32_MIN}};
std::string SizeName(const ::testing::TestParamInfo<WindowSize> &info) {
    static const char *const names[] = {"Zero",          "ZeroWidth",      "ZeroHeight",
                                        "NegativeWidth", "NegativeHeight", "Lowest"};
    return names[info.index];
}
INSTANTIATE_TEST_SUITE_P(ZeroAndNegative, BadWindowSize, ::testing::ValuesIn(kBadSizes), SizeName);

} // namespace
