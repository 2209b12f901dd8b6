// Zoom= and the monitor's DPI at scales that do not give whole pixels:
// every length rounds to the nearest pixel (halves away from zero), so a
// scaled display draws exactly what the same display configured with the
// rounded lengths at 100 % draws, and its text stays inside the window.
#include "config/config.h"
#include "config/module.h"
#include "driver/display_memory.h"
#include "screen/panel.h"
#include "screen/rows.h"
#include "screen/scale.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstdio>
#include <cstring>

namespace {

class Scaling : public SurfaceTest {
  protected:
    Scaling() : SurfaceTest(720, 480) {}
    // Reads `config` at `zoom` percent for a window at `dpi` (0: not
    // following it), lays the display out and draws it on the bitmap, on
    // black; returns its pixels and the window's outer size.
    std::vector<COLORREF> Draw(const std::string &config, int zoom, int dpi, int32_t *width,
                               int32_t *height) {
        WriteConfig(config + "Zoom=" + std::to_string(zoom) + "\n");
        ReadConfigFile();
        SetDisplayDpi(dpi);
        int32_t x, y;
        LoadWorkingLayouts(&x, &y, width, height, WorkingLayouts);
        const RECT all = {0, 0, width_, height_};
        HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
        FillRect(dc_, &all, black);
        DeleteObject(black);
        DrawModulePanel(dc_);
        for (int r = 0; r < kRows; ++r) DrawRow(r, dc_);
        std::vector<COLORREF> pixels;
        for (int py = 0; py < height_; ++py)
            for (int px = 0; px < width_; ++px) pixels.push_back(At(px, py));
        return pixels;
    }
};

// Lengths at 100 %, and the same at each scale as the README rounds them.
struct Lengths {
    int x, y, width, height, gap;       // row 1's place, and both rows' font and dot gap
    int clientWidth, clientHeight;      // from Width=200, Height=100 less a 6 x 26 frame
    int moduleDot, moduleGap, moduleBezel;
};

std::string RowsConfig(const Lengths &l) {
    char text[512];
    snprintf(text, sizeof text,
             "Picture=\nModule=\nWidth=%d\nHeight=%d\n"
             "Line1X=%d\nLine1Y=%d\nLine1FontWidth=%d\nLine1FontHeight=%d\nLine1Dots=1\n"
             "Line1DotGap=%d\nLine1FontColor=255 255 0\nLine1DotOffColor=0 0 255\n"
             "Line2X=0\nLine2Y=0\nLine2FontWidth=%d\nLine2FontHeight=%d\nLine2DotGap=%d\n"
             "Line2FontColor=0 255 255\n",
             l.clientWidth + 6, l.clientHeight + 26, l.x, l.y, l.width, l.height, l.gap, l.width,
             l.height, l.gap);
    return text;
}

std::string ModuleConfig(const Lengths &l) {
    char text[256];
    snprintf(text, sizeof text,
             "Module=3x1\nModuleDotSize=%d\nModuleDotGap=%d\nModuleMargin=4\nModuleBezel=%d\n",
             l.moduleDot, l.moduleGap, l.moduleBezel);
    return text;
}

TEST_F(Scaling, EveryLengthRoundsToTheNearestPixelAndTheTextStaysInside) {
    sim::set_frame(3, 20);
    const unsigned char full[8] = {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F};
    const unsigned char corner[8] = {0x10, 0, 0, 0, 0, 0, 0, 0};
    StoreGlyph(1, full);
    StoreGlyph(2, corner);
    // Row 1: five full cells whose last dot ends 2 pixels short of the
    // client's right and bottom edges; row 2: the font look with a custom
    // character's block.
    snprintf(reinterpret_cast<char *>(TextRows[0]), kColumns + 1, "%s", "\x01\x01\x01\x01\x01");
    snprintf(reinterpret_cast<char *>(TextRows[1]), kColumns + 1, "%s", "\x02Ag");
    const Lengths normal = {79, 46, 24, 30, 1, 194, 74, 3, 1, 12};
    const struct {
        int zoom, dpi;
        Lengths scaled;
    } cases[] = {
        {125, 0, {99, 58, 30, 38, 1, 243, 93, 4, 1, 15}},    // 98.75 57.5 .. 37.5 1.25 242.5 92.5 3.75
        {150, 0, {119, 69, 36, 45, 2, 291, 111, 5, 2, 18}},  // 118.5 .. 1.5 .. 4.5 1.5
        {175, 0, {138, 81, 42, 53, 2, 340, 130, 5, 2, 21}},  // 138.25 80.5 .. 52.5 1.75 339.5 129.5 5.25
        {33, 0, {26, 15, 8, 10, 0, 64, 24, 1, 0, 4}},        // 26.07 15.18 7.92 9.9 .33 64.02 24.42 .99
        {100, 120, {99, 58, 30, 38, 1, 243, 93, 4, 1, 15}},  // as 125 %
        {100, 144, {119, 69, 36, 45, 2, 291, 111, 5, 2, 18}}, // as 150 %
        {175, 120, {173, 101, 53, 66, 2, 424, 162, 7, 2, 26}}, // 172.8 100.6 52.5 65.6 .. 424.375
        {33, 144, {39, 23, 12, 15, 0, 96, 37, 1, 0, 6}},     // 39.1 22.77 11.88 14.85 .495 96.03 36.63
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.zoom << " % at " << c.dpi << " DPI");
        const Lengths &l = c.scaled;
        int32_t width, height, plainWidth, plainHeight;
        const std::vector<COLORREF> scaled = Draw(RowsConfig(normal), c.zoom, c.dpi, &width, &height);
        const std::vector<COLORREF> plain = Draw(RowsConfig(l), 100, 0, &plainWidth, &plainHeight);
        EXPECT_EQ(width, l.clientWidth + 6);
        EXPECT_EQ(height, l.clientHeight + 26);
        EXPECT_TRUE(scaled == plain) << "the rows as configured with the rounded lengths";
        int outside = 0, lit = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const COLORREF p = scaled[static_cast<size_t>(y * width_ + x)];
                lit += p == RGB(255, 255, 0);
                outside += p != RGB(0, 0, 0) && (x >= l.clientWidth || y >= l.clientHeight);
            }
        EXPECT_GT(lit, 40) << "every dot lit";
        EXPECT_EQ(outside, 0) << "drawn outside the window";

        const std::vector<COLORREF> module = Draw(ModuleConfig(normal), c.zoom, c.dpi, &width, &height);
        const std::vector<COLORREF> plainModule = Draw(ModuleConfig(l), 100, 0, &plainWidth, &plainHeight);
        EXPECT_EQ(width, plainWidth);
        EXPECT_EQ(height, plainHeight);
        EXPECT_TRUE(module == plainModule) << "the module with the rounded dot, gap and bezel";
    }
    SetDisplayDpi(0);
}

// A row placed left of or above the window (a negative X= or Y=) moves
// out by as much as the same length inward moves in: halves round away
// from zero on both sides.
TEST_F(Scaling, NegativeLengthsScaleAsTheirPositiveMirror) {
    const int32_t kept = ScreenSettings.Zoom;
    for (int zoom : {125, 150, 175, 33}) {
        ScreenSettings.Zoom = zoom;
        for (int32_t length : {1, 2, 3, 5, 7, 79, 1000})
            EXPECT_EQ(ScaleLength(-length), -ScaleLength(length)) << length << " at " << zoom << " %";
    }
    ScreenSettings.Zoom = kept;
}

} // namespace
