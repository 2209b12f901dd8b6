// The window's place: the configuration writer, the remembered place and
// keeping the window on a monitor, on the simulated platform.
#include "config/config.h"
#include "config/config_writer.h"
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
    RECT Where() {
        RECT r;
        GetWindowRect(DisplayWindow, &r);
        return r;
    }
    int Logged(const std::string &start) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l.compare(0, start.size(), start) == 0;
        return n;
    }
};

TEST_F(Place, TheWriterChangesOnlyThePlaceAndKeepsEveryOtherByte) {
    WriteConfig("// my display\r\nX=10\r\nsomething unknown\r\nLine1X=5\r\nY= 20 // top\r\nDebug=1");
    ASSERT_TRUE(WriteConfigPlace("displays/Tavlora.cfg", 7, -8, 150));
    EXPECT_EQ(ReadFile("displays/Tavlora.cfg"),
              "// my display\r\nX=7\r\nsomething unknown\r\nLine1X=5\r\nY= -8 // top\r\nDebug=1\r\n"
              "Zoom=150\r\n");
    EXPECT_FALSE(FileExists("displays/Tavlora.cfg.tmp"));
    // Keys the file lacks go at its end, with its own line ends.
    WriteConfig("Width=100\nZoom=90\n");
    ASSERT_TRUE(WriteConfigPlace("displays/Tavlora.cfg", 1, 2, 100));
    EXPECT_EQ(ReadFile("displays/Tavlora.cfg"), "Width=100\nZoom=100\nX=1\nY=2\n");
}

TEST_F(Place, AFailedWriteKeepsTheOldFileLeavesNoTemporaryAndIsLoggedOnce) {
    const std::string old = "Debug=1\r\nX=10\r\nY=20\r\n";
    WriteConfig(old);
    DebugLevel = 1;
    for (const char *failing : {"WriteFile", "MoveFileExA", "CreateFileA"}) {
        sim::fail_call(failing, 1, ERROR_ACCESS_DENIED);
        EXPECT_FALSE(WriteConfigPlace("displays/Tavlora.cfg", 300, 400, 200)) << failing;
        sim::clear_faults();
        EXPECT_EQ(ReadFile("displays/Tavlora.cfg"), old) << failing;
        EXPECT_FALSE(FileExists("displays/Tavlora.cfg.tmp")) << failing;
    }
    EXPECT_FALSE(WriteConfigPlace("gone/Tavlora.cfg", 1, 2, 100));
    EXPECT_EQ(Logged("Error The window's place was not saved"), 1);
    // It works again: said so, and the next failure is logged anew.
    EXPECT_TRUE(WriteConfigPlace("displays/Tavlora.cfg", 300, 400, 200));
    EXPECT_EQ(Logged("Configuration the window's place is saved again"), 1);
    sim::fail_call("MoveFileExA", 1, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(WriteConfigPlace("displays/Tavlora.cfg", 1, 2, 100));
    EXPECT_EQ(Logged("Error The window's place was not saved"), 2);
}

TEST_F(Place, AMovedWindowIsRememberedOnlyWhenAskedAndItsSaveIsNoEdit) {
    sim::set_ticks(1000);
    const std::string rest = "WatchConfig=1\r\nEndHostOnClose=0\r\nWidth=200\r\nHeight=100\r\n"
                             "// a comment\r\nX=10\r\nY=20\r\n";
    Start("Debug=1\r\n" + rest);
    SetWindowPos(DisplayWindow, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(DisplayWindow, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(ReadFile("displays/Tavlora.cfg"), "Debug=1\r\n" + rest) << "not asked to";

    Start("Debug=1\r\nRememberPlace=1\r\n" + rest);
    SetWindowPos(DisplayWindow, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageA(DisplayWindow, WM_EXITSIZEMOVE, 0, 0);
    std::string saved = "Debug=1\r\nRememberPlace=1\r\n" + rest;
    saved.replace(saved.find("X=10"), 4, "X=300");
    saved.replace(saved.find("Y=20"), 4, "Y=200");
    EXPECT_EQ(ReadFile("displays/Tavlora.cfg"), saved + "Zoom=100\r\n");
    // The watcher does not take the driver's own save for an edit.
    for (int look = 0; look < 3; ++look) {
        sim::advance_ticks(1000);
        DISPLAYDLL_Write(const_cast<char *>("x"));
    }
    EXPECT_EQ(Logged("Configuration read again"), 0);
    // Made again, it comes back where it was left; a zoom saves too.
    DISPLAYDLL_Done();
    Start(ReadFile("displays/Tavlora.cfg"));
    EXPECT_EQ(Where().left, 300);
    EXPECT_EQ(Where().top, 200);
    SetDisplayZoom(150);
    EXPECT_NE(ReadFile("displays/Tavlora.cfg").find("Zoom=150\r\n"), std::string::npos);
    EXPECT_EQ(Where().right - Where().left, 200 + 100 - 2 * 1 - 1) << "client 1.5 x, same frame";
}

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
