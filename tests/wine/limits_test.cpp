// The real DLL given absurd numbers: a window at the far end of the
// coordinate range, of no size, and a monitor DPI no screen has.
#include "wine_support.h"

namespace {

using Limits = HostFolder;

int Count(const std::vector<std::string> &lines, const std::string &start) {
    int n = 0;
    for (const std::string &line : lines) n += line.compare(0, start.size(), start) == 0;
    return n;
}

TEST_F(Limits, AWindowAtTheLargestPlaceEndsOnTheScreenWithAVisibleSize) {
    const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const char *sizes[] = {"Width=320\nHeight=200\n", "Width=-5\nHeight=0\n"};
    for (const char *size : sizes) {
        WriteConfig(std::string("Debug=1\nKeepOnScreen=1\nX=2147483647\nY=2147483647\n") + size);
        HostRun run = RunHost("\"init 0 0\" \"write a\" window");
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        std::vector<RECT> rects = WindowRects(run.output);
        ASSERT_EQ(rects.size(), 1u) << run.output;
        const RECT r = rects[0];
        EXPECT_GE(r.right - r.left, 8) << size;
        EXPECT_GE(r.bottom - r.top, 8) << size;
        EXPECT_GE(r.left, screen.left) << size;
        EXPECT_GE(r.top, screen.top) << size;
        EXPECT_LE(r.right, screen.right) << size;
        EXPECT_LE(r.bottom, screen.bottom) << size;
        EXPECT_EQ(Count(LogLines(), "Window off the screen"), 1) << size;
    }
}

TEST_F(Limits, AMonitorDpiOutOfRangeIsTakenAs960AndLoggedOnce) {
    WriteConfig("Debug=1\nFollowDpi=1\nPicture=\nX=30\nY=40\nWidth=320\nHeight=200\n");
    HostRun run = RunHost("\"init 0 0\" \"write a\" \"dpi 65535\" \"write b\" \"dpi 65535\" "
                          "\"write c\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    std::vector<RECT> rects = WindowRects(run.output);
    ASSERT_EQ(rects.size(), 1u) << run.output;
    // 10 times the inside at 96 DPI, in the frame of 960 DPI.
    EXPECT_GT(rects[0].right - rects[0].left, 3000);
    EXPECT_LE(rects[0].right - rects[0].left, 8192);
    std::vector<std::string> log = LogLines();
    EXPECT_EQ(Count(log, "Window 65535 DPI is outside 48 to 960: 960 used"), 1);
    EXPECT_EQ(Count(log, "Window 960 DPI"), 2);
}

} // namespace
