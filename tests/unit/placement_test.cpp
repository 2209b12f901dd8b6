// The window's place: keeping the window on a monitor, on the simulated
// platform (the remembered place: place_test.cpp).
#include "config/config.h"
#include "driver/tavlora.h"
#include "screen/placement.h"
#include "screen/window.h"
#include "test_support.h"

namespace {

class Place : public DriverTest {
  protected:
    void Start(const std::string &config) {
        StartWith(config);
    }
};

TEST_F(Place, AWindowMostlyOffTheMonitorGoesIntoItsWorkArea) {
    const RECT monitor = {0, 0, 1280, 800}, work = {0, 0, 1280, 760};
    struct Case {
        RECT window;
        bool moves;
        LONG left, top;
    } cases[] = {
        {{-5000, 50, -4800, 150}, true, 0, 50},    // left
        {{2000, 50, 2200, 150}, true, 1080, 50},   // right
        {{100, -500, 300, -400}, true, 100, 0},    // above
        {{100, 900, 300, 1000}, true, 100, 660},   // below: into the work area
        {{-100, 50, 100, 150}, false, 0, 0},       // half of it seen: stays
        {{-160, 50, 40, 150}, true, 0, 50},        // a fifth seen: moves
        {{1100, 700, 1300, 800}, false, 0, 0},     // a corner, over the task bar
    };
    for (const Case &c : cases) {
        RECT moved = {1, 2, 3, 4};
        EXPECT_EQ(KeepRectOnScreen(c.window, monitor, work, &moved), c.moves) << c.window.left;
        if (!c.moves) continue;
        EXPECT_EQ(moved.left, c.left);
        EXPECT_EQ(moved.top, c.top);
        EXPECT_EQ(moved.right - moved.left, 200);
        EXPECT_EQ(moved.bottom - moved.top, 100);
    }
}

TEST_F(Place, KeepOnScreenMovesAShownWindowAtCreationAndOnALiveChange) {
    sim::set_work_area(0, 0, 1280, 760);
    const std::string window = "EndHostOnClose=0\nWidth=200\nHeight=100\nY=5000\nX=-5000\n";
    Start(window);
    EXPECT_EQ(Where().left, -5000) << "not asked to";
    DISPLAYDLL_Done();
    Start(window + "DontShowWindow=1\nKeepOnScreen=1\n");
    EXPECT_EQ(Where().left, -5000) << "a hidden window stays";
    DISPLAYDLL_Done();
    Start(window + "DontShowWindow=0\nKeepOnScreen=1\n");
    EXPECT_EQ(Where().left, 0);
    EXPECT_EQ(Where().top, 660);
    // A configuration applied live, and a change of the monitors.
    sim::set_ticks(1000);
    WriteConfig(window + "KeepOnScreen=1\nWatchConfig=1\nX=3000\n");
    DISPLAYDLL_Done();
    Start(window + "KeepOnScreen=1\nWatchConfig=1\nX=300\n");
    WriteConfig(window + "KeepOnScreen=1\nWatchConfig=1\nX=3000\n");
    for (int look = 0; look < 3; ++look) {
        sim::advance_ticks(600);
        DISPLAYDLL_Write(const_cast<char *>("x"));
    }
    EXPECT_EQ(Where().left, 1080);
    sim::set_work_area(0, 0, 640, 480);
    sim::set_virtual_screen(0, 0, 640, 480);
    SendMessageA(DisplayWindow, WM_DISPLAYCHANGE, 32, 0);
    EXPECT_EQ(Where().left, 440);
    EXPECT_EQ(Where().top, 380);
}

} // namespace
