// Keeping the window on a monitor at the edges of the rule: a window of
// which less than a quarter lies on its nearest monitor goes into that
// monitor's work area; one with a quarter or more stays. On one monitor and
// across two.
#include "driver/tavlora.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstdio>

namespace {

class KeepOnScreen : public DriverTest {
  protected:
    // Starts a 200 x 100 window (no frame) at x, y and says where it is.
    RECT StartAt(int x, int y) {
        std::remove("logs/Tavlora.log");
        StartWith("Debug=1\nEndHostOnClose=0\nKeepOnScreen=1\nWidth=200\nHeight=100\nX=" +
                  std::to_string(x) + "\nY=" + std::to_string(y) + "\n");
        RECT r = {0, 0, 0, 0};
        GetWindowRect(DisplayWindow, &r);
        return r;
    }
    struct Case {
        int x, y;         // as configured
        int left, top;    // where it is shown
        const char *what;
    };
    void Check(const Case *cases, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const Case &c = cases[i];
            SCOPED_TRACE(c.what);
            const RECT r = StartAt(c.x, c.y);
            EXPECT_EQ(r.left, c.left);
            EXPECT_EQ(r.top, c.top);
            EXPECT_EQ(r.right - r.left, 200) << "moved, never sized";
            EXPECT_EQ(r.bottom - r.top, 100);
            const bool moved = c.x != c.left || c.y != c.top;
            char line[96];
            snprintf(line, sizeof line, "Window off the screen at %d, %d: moved to %d, %d", c.x,
                     c.y, c.left, c.top);
            EXPECT_EQ(Logged(line), moved ? 1 : 0);
            EXPECT_EQ(Logged("Window off the screen"), moved ? 1 : 0);
            DISPLAYDLL_Done();
        }
    }
};

// One monitor of 1280 x 800 whose work area ends at 760 (a task bar): a
// quarter, a half and three quarters of the window off each side stay; a
// pixel more and it goes to that side of the work area, the other
// coordinate kept.
TEST_F(KeepOnScreen, AQuarterOnTheMonitorStaysAndLessGoesIntoTheWorkArea) {
    sim::set_frame(0, 0);
    sim::set_work_area(0, 0, 1280, 760);
    const Case cases[] = {
        {-50, 300, -50, 300, "a quarter off the left"},
        {-100, 300, -100, 300, "half off the left"},
        {-150, 300, -150, 300, "three quarters off the left"},
        {-151, 300, 0, 300, "more off the left"},
        {1130, 300, 1130, 300, "a quarter off the right"},
        {1180, 300, 1180, 300, "half off the right"},
        {1230, 300, 1230, 300, "three quarters off the right"},
        {1231, 300, 1080, 300, "more off the right"},
        {600, -25, 600, -25, "a quarter off the top"},
        {600, -50, 600, -50, "half off the top"},
        {600, -75, 600, -75, "three quarters off the top"},
        {600, -76, 600, 0, "more off the top"},
        // The quarter is of the monitor; the task bar is part of it.
        {600, 685, 600, 685, "a quarter below the work area"},
        {600, 725, 600, 725, "a quarter off the bottom"},
        {600, 750, 600, 750, "half off the bottom"},
        {600, 775, 600, 775, "three quarters off the bottom"},
        {600, 776, 600, 660, "more off the bottom: above the task bar"},
        // Corners: half of each side seen is a quarter.
        {-100, -50, -100, -50, "half off the left and half off the top"},
        {-101, -50, 0, 0, "and a pixel more"},
        {1180, 750, 1180, 750, "half off the right and half off the bottom"},
        {1180, 751, 1080, 660, "and a pixel more"},
    };
    Check(cases, sizeof cases / sizeof cases[0]);
}

// A second monitor of 1920 x 1080 to the right of the first, 200 pixels
// higher, its task bar 40 high: each window is measured on the monitor with
// most of it (or the nearer one) and goes into that monitor's work area.
TEST_F(KeepOnScreen, AcrossTwoMonitorsTheNearestOnesWorkAreaTakesIt) {
    sim::set_frame(0, 0);
    sim::set_work_area(0, 0, 1280, 760);
    sim::add_monitor(1280, -200, 1920, 1080, 40); // work area 1280, -200 to 3200, 840
    ASSERT_EQ(GetSystemMetrics(80), 2);
    const Case cases[] = {
        {1180, 300, 1180, 300, "half on each"},
        {2000, -150, 2000, -150, "on the second, above the first"},
        {3150, 300, 3150, 300, "a quarter on the second"},
        {3151, 300, 3000, 300, "less off the second's right"},
        {2000, 1000, 2000, 740, "below the second: above its task bar"},
        {1100, -150, 1280, -150, "a tenth on the second, none on the first"},
        {600, -300, 600, 0, "above the first, nearer it"},
        {600, 900, 600, 660, "in the corner below the first, nearer it"},
        {1500, 950, 1500, 740, "below the second's bottom, nearer it"},
    };
    Check(cases, sizeof cases / sizeof cases[0]);
}

} // namespace
