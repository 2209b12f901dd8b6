// The display as a desktop widget on the simulated platform: the menu's
// commands, pictures saved from it, snapping, and styles that change the
// window's inside.
#include "config/config.h"
#include "driver/tavlora.h"
#include "record/screenshot.h"
#include "screen/menu.h"
#include "screen/widget.h"
#include "screen/window.h"
#include "test_support.h"

#include <set>

namespace {

class Widget : public DriverTest {
  protected:
    void Start(const std::string &config) {
        StartWith("Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\n" + config);
    }
    void TearDown() override {
        DISPLAYDLL_Done(); // the window and the log close; the host stays
        DriverTest::TearDown();
    }
    void Pick(UINT id) {
        sim::pick_menu_command(id);
        ScreenWndProc(DisplayWindow, WM_CONTEXTMENU, 0, -1);
        DISPLAYDLL_SetPosition(1, 1); // the pick arrives as a message
    }
};

TEST_F(Widget, EachMenuRowHasItsOwnIdAndAnActionAndShowsItsCheck) {
    std::set<UINT> ids;
    for (int i = 0; i < MenuCommandCount; ++i) {
        const MenuCommand &c = MenuCommands[i];
        if (!c.label) continue;
        EXPECT_NE(c.id, 0u) << c.label;
        EXPECT_TRUE(ids.insert(c.id).second) << c.label;
        EXPECT_NE(c.action, nullptr) << c.label;
    }
    Start("StayOnTop=0\n");
    HWND window = DisplayWindow;
    Pick(1); // picked from the menu: on top, and the next menu shows it checked
    EXPECT_TRUE(static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)) & WS_EX_TOPMOST);
    sim::clear_journal();
    Pick(1);
    bool checked = false;
    for (const std::string &call : sim::journal())
        checked = checked || call.find("0x8, 1, Stay on &top") != std::string::npos;
    EXPECT_TRUE(checked) << "on top when the menu opened";
    EXPECT_FALSE(static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)) & WS_EX_TOPMOST);
    EXPECT_FALSE(RunDisplayCommand(0)) << "a separator runs nothing";
    EXPECT_FALSE(RunDisplayCommand(999));
}

// The zoom rows set the zoom and show which one is on; "Save place now"
// writes the place into the place file, the configuration left as it was.
TEST_F(Widget, TheMenuZoomsTheDisplayAndSavesItsPlace) {
    Start("X=30\nY=40\n");
    RECT before, after;
    GetClientRect(DisplayWindow, &before);
    Pick(13);
    GetClientRect(DisplayWindow, &after);
    EXPECT_EQ(after.right, 2 * before.right);
    EXPECT_EQ(after.bottom, 2 * before.bottom);
    sim::clear_journal();
    Pick(13);
    int checked = 0;
    for (const std::string &call : sim::journal())
        checked += call.find("0x8, 13, Zoom &200 %") != std::string::npos ||
                   (call.find("0x8, ") != std::string::npos && call.find("Zoom") != std::string::npos);
    EXPECT_EQ(checked, 1) << "only 200 % is checked";
    SetWindowPos(DisplayWindow, NULL, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const std::string config = ReadFile("displays/Tavlora.cfg");
    Pick(3);
    EXPECT_EQ(ReadFile("displays/Tavlora.cfg"), config);
    std::string file = ReadFile("displays/Tavlora.place");
    EXPECT_NE(file.find("\nX=70\r\nY=80\r\nZoom=200\r\n"), std::string::npos) << file;
}

TEST_F(Widget, ReadingTheConfigurationAgainChangesTheFrameOfTheSameWindow) {
    Start("Frame=1\n");
    HWND window = DisplayWindow;
    RECT client, framed, outer;
    GetClientRect(window, &framed);
    EXPECT_LT(framed.right, 200);
    WriteConfig("EndHostOnClose=0\nWidth=200\nHeight=100\nFrame=0\nOpacity=5\n");
    Pick(6);
    EXPECT_EQ(DisplayWindow, window);
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    EXPECT_EQ(client.right, framed.right) << "frameless: the inside keeps its size";
    EXPECT_EQ(client.bottom, framed.bottom);
    EXPECT_EQ(outer.right - outer.left, client.right) << "and is the whole window";
    EXPECT_EQ(outer.bottom - outer.top, client.bottom);
    COLORREF key;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(sim::layered_attributes(window, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 25) << "opacity below 10 % is 10 %";
    WriteConfig("EndHostOnClose=0\nWidth=200\nHeight=100\nFrame=1\nOpacity=100\n");
    Pick(6);
    GetClientRect(window, &client);
    EXPECT_LT(client.right, 200);
    EXPECT_FALSE(static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)) & WS_EX_LAYERED);
    Pick(7); // close: the host goes on
    EXPECT_EQ(DisplayWindow, nullptr);
    EXPECT_EQ(sim::live_windows(), 0);
}

TEST_F(Widget, PicturesAreNamedByTheClockAndASecondInTheSameSecondGetsTwo) {
    Start("Frame=0\n");
    SYSTEMTIME at = {2024, 3, 2, 5, 7, 8, 9, 0};
    sim::set_local_time(at);
    Pick(4);
    Pick(4);
    at.wSecond = 10;
    sim::set_local_time(at);
    Pick(4);
    EXPECT_TRUE(FileExists("screenshots/Tavlora-20240305-070809.png"));
    EXPECT_TRUE(FileExists("screenshots/Tavlora-20240305-070809-2.png"));
    EXPECT_TRUE(FileExists("screenshots/Tavlora-20240305-070810.png"));
    EXPECT_FALSE(FileExists("screenshots/Tavlora-20240305-070810-2.png"));
    std::string png = ReadFile("screenshots/Tavlora-20240305-070809-2.png");
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    RECT client;
    GetClientRect(DisplayWindow, &client);
    EXPECT_EQ(static_cast<unsigned char>(png[19]), client.right) << "the window's inside";
    EXPECT_EQ(static_cast<unsigned char>(png[23]), client.bottom);
    int logged = 0;
    for (const std::string &line : LogLines())
        logged += line.rfind("Screenshot screenshots/Tavlora-20240305-0708", 0) == 0;
    EXPECT_EQ(logged, 3);
    char path[24];
    EXPECT_FALSE(ScreenshotPath(at, path, sizeof path)) << "a name that does not fit";
}

TEST(Snap, EdgesWithinTheDistanceLandOnTheWorkArea) {
    const RECT work = {0, 0, 1000, 700};
    RECT r = {5, 300, 205, 400};
    SnapToWorkArea(&r, work, 10);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 200);
    r = RECT{790, 603, 990, 703}; // right and bottom, from inside and outside
    SnapToWorkArea(&r, work, 10);
    EXPECT_EQ(r.right, 1000);
    EXPECT_EQ(r.bottom, 700);
    r = RECT{11, -11, 211, 89};
    SnapToWorkArea(&r, work, 10);
    EXPECT_EQ(r.left, 11);
    EXPECT_EQ(r.top, -11);
    r = RECT{5, 5, 205, 105};
    SnapToWorkArea(&r, work, 0);
    EXPECT_EQ(r.left, 5) << "0: off";
}

} // namespace
