// Zoom= on the simulated platform: the window, the rows, custom characters
// and a module grow together, and 100 percent is today's pixels.
#include "config/config.h"
#include "driver/tavlora.h"
#include "screen/window.h"
#include "test_support.h"

#include <vector>

namespace {

class Zoom : public DriverTest {
  protected:
    // Starts the driver with `config`, shows a dot-matrix "A" in row 1 and
    // custom character 1 (its top-left dot only) in row 2, and keeps the
    // client size and pixels; then closes the window again.
    void Show(const std::string &config) {
        WriteConfig("EndHostOnClose=0\nPicture=\n" + config);
        char ok = 0;
        DISPLAYDLL_Init(0, 0, nullptr, &ok);
        ASSERT_EQ(ok, 1);
        char corner[8] = {0x10, 0, 0, 0, 0, 0, 0, 0};
        DISPLAYDLL_CustomChar(1, corner);
        DISPLAYDLL_SetPosition(1, 2);
        DISPLAYDLL_Write(const_cast<char *>("\x01"));
        DISPLAYDLL_SetPosition(1, 1);
        DISPLAYDLL_Write(const_cast<char *>("A"));
        RECT client;
        GetClientRect(DisplayWindow, &client);
        width_ = client.right, height_ = client.bottom;
        pixels_.assign(static_cast<size_t>(width_) * height_, 0);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) pixels_[y * width_ + x] = sim::window_pixel(DisplayWindow, x, y);
        DISPLAYDLL_Done();
    }
    COLORREF At(int x, int y) const { return pixels_[y * width_ + x]; }

    int width_ = 0, height_ = 0;
    std::vector<COLORREF> pixels_;
};

const char kRows[] = "Width=200\nHeight=100\n"
                     "Line1X=10\nLine1Y=10\nLine1FontWidth=16\nLine1FontHeight=20\nLine1Dots=1\n"
                     "Line1FontColor=255 255 0\n"
                     "Line2X=10\nLine2Y=50\nLine2FontWidth=16\nLine2FontHeight=20\n"
                     "Line2FontColor=0 255 255\n";

TEST_F(Zoom, TwoHundredDoublesTheClientAndEveryRowsPixels) {
    sim::set_frame(3, 20);
    Show(std::string(kRows) + "Zoom=100\n");
    const int width = width_, height = height_;
    EXPECT_EQ(width, 200 - 6);
    EXPECT_EQ(height, 100 - 26);
    const std::vector<COLORREF> normal = pixels_;
    auto normalAt = [&](int x, int y) { return normal[y * width + x]; };
    // The custom character's block: the cell's first eighth and tenth, a
    // pixel wider than the grid step.
    EXPECT_EQ(normalAt(12, 52), RGB(0, 255, 255));
    EXPECT_EQ(normalAt(14, 54), RGB(0, 255, 255));
    EXPECT_EQ(normalAt(15, 52), RGB(0, 0, 0));

    Show(std::string(kRows) + "Zoom=200\n");
    EXPECT_EQ(width_, 2 * width);
    EXPECT_EQ(height_, 2 * height);
    // The dot-matrix "A": every pixel of its cell four pixels now.
    int lit = 0;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 26; ++x) {
            lit += normalAt(x, y) == RGB(255, 255, 0);
            for (int d = 0; d < 4; ++d)
                ASSERT_EQ(At(2 * x + d % 2, 2 * y + d / 2), normalAt(x, y)) << x << "," << y;
        }
    EXPECT_GT(lit, 10);
    // The custom character's block starts at twice its place, a pixel wider
    // than twice the grid step as before.
    EXPECT_EQ(At(24, 104), RGB(0, 255, 255));
    EXPECT_EQ(At(28, 108), RGB(0, 255, 255));
    EXPECT_EQ(At(29, 104), RGB(0, 0, 0));
    EXPECT_EQ(At(23, 104), RGB(0, 0, 0));
}

TEST_F(Zoom, AModuleGrowsWithItsDotsEvenAndTheZoomIsKeptInRange) {
    Show("Module=16x2\nZoom=100\n");
    const int width = width_, height = height_;
    Show("Module=16x2\nZoom=300\n");
    EXPECT_EQ(width_, 3 * width);
    EXPECT_EQ(height_, 3 * height);
    // 25 percent at the least: dots of one pixel, never none.
    Show("Module=16x2\nZoom=1\n");
    const int smallest = width_;
    Show("Module=16x2\nZoom=25\n");
    EXPECT_EQ(width_, smallest);
    EXPECT_LT(width_, width / 2);
    Show("Module=16x2\nZoom=100000\n");
    EXPECT_EQ(width_, 8 * width);
}

} // namespace
