// The desktop widget at its edges on the simulated platform: snapping at
// exactly SnapDistance and a pixel past it, the layered attributes each
// Opacity= and TransparentColor= give, click-through and no-activate
// switched live, and the menu's check marks after a live save.
#include "driver/tavlora.h"
#include "screen/window.h"
#include "screen/window_proc.h"
#include "test_support.h"

#include <functional>

namespace {

class WidgetLimits : public DriverTest {
  public:
    void Start(const std::string &config) {
        std::remove("logs/Tavlora.log"); // the log of this start alone
        StartWith("Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\nPicture=\n" + config);
    }
    // A save the driver takes: seen changed, then the same half a second later.
    void SaveLive(const std::string &config) {
        sim::advance_ticks(1000);
        WriteConfig("Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\nPicture=\nWatchConfig=1\n" +
                    config);
        for (int look : {1000, 500}) {
            sim::advance_ticks(static_cast<ULONGLONG>(look));
            DISPLAYDLL_SetPosition(1, 1);
            DISPLAYDLL_Write(const_cast<char *>("x"));
        }
    }
    DWORD ExStyle() { return static_cast<DWORD>(GetWindowLongPtrA(DisplayWindow, GWL_EXSTYLE)); }
};

// Work area 100,50 to 1100,750; the window 200 x 100. An edge 10 pixels
// from a work-area edge, inside or outside, lands on it; 11 pixels away it
// stays where the user dragged it.
TEST_F(WidgetLimits, AnEdgeSnapsAtExactlyTheDistanceAndNotAPixelPast) {
    sim::set_work_area(100, 50, 1000, 700);
    Start("SnapDistance=10\nX=400\nY=300\n");
    const struct {
        int left, top;          // where the drag would put the window
        int wantLeft, wantTop;  // where it goes
    } cases[] = {
        {110, 300, 100, 300}, {111, 300, 111, 300}, {90, 300, 100, 300},   {89, 300, 89, 300},
        {890, 300, 900, 300}, {889, 300, 889, 300}, {910, 300, 900, 300}, {911, 300, 911, 300},
        {400, 60, 400, 50},   {400, 61, 400, 61},   {400, 40, 400, 50},   {400, 39, 400, 39},
        {400, 640, 400, 650}, {400, 639, 400, 639}, {400, 660, 400, 650}, {400, 661, 400, 661},
        {110, 660, 100, 650}, {911, 39, 911, 39},
    };
    for (const auto &c : cases) {
        RECT r = {c.left, c.top, c.left + 200, c.top + 100};
        EXPECT_EQ(ScreenWndProc(DisplayWindow, WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&r)),
                  TRUE);
        EXPECT_EQ(r.left, c.wantLeft) << c.left << "," << c.top;
        EXPECT_EQ(r.top, c.wantTop) << c.left << "," << c.top;
        EXPECT_EQ(r.right - r.left, 200) << "the size stays";
        EXPECT_EQ(r.bottom - r.top, 100);
    }
    DISPLAYDLL_Done();
}

// The smallest distance snaps an edge one pixel off and no further;
// a first start without SnapDistance= snaps nothing.
TEST_F(WidgetLimits, ASnapDistanceOfOnePixelSnapsOnePixelAndNoneNothing) {
    sim::set_work_area(100, 50, 1000, 700);
    for (const char *snap : {"", "SnapDistance=1\n"}) { // a first start: the defaults
        SCOPED_TRACE(snap);
        Start(std::string(snap) + "X=400\nY=300\n");
        for (int left : {101, 102}) {
            RECT r = {left, 300, left + 200, 400};
            ScreenWndProc(DisplayWindow, WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&r));
            EXPECT_EQ(r.left, left == 101 && snap[0] ? 100 : left);
        }
        DISPLAYDLL_Done();
    }
}

// Every move or restyle the system refuses is said in the log, whichever
// command asked for it; the display goes on.
TEST_F(WidgetLimits, ARefusedMoveOrRestyleIsLoggedForEachCommand) {
    Start("KeepOnScreen=1\nX=100\nY=100\nWatchConfig=1\n");
    const struct {
        const char *command;
        std::function<void(WidgetLimits &)> run;
        int refused; // the call refused: 0 every one
    } commands[] = {
        {"stay on top", [](WidgetLimits &) {
             sim::pick_menu_command(1);
             ScreenWndProc(DisplayWindow, WM_CONTEXTMENU, 0, -1);
         }, 0},
        {"zoom", [](WidgetLimits &) {
             sim::pick_menu_command(13);
             ScreenWndProc(DisplayWindow, WM_CONTEXTMENU, 0, -1);
         }, 0},
        {"click-through saved", [](WidgetLimits &t) { t.SaveLive("ClickThrough=1\n"); }, 0},
        // Moved off the screen by the save, then not back on it.
        {"kept on the screen", [](WidgetLimits &t) { t.SaveLive("KeepOnScreen=1\nX=-5000\n"); },
         2},
    };
    for (const auto &c : commands) {
        SCOPED_TRACE(c.command);
        int before = Logged("Error Error from SetWindowPos");
        sim::clear_journal();
        sim::fail_call("SetWindowPos", c.refused, ERROR_ACCESS_DENIED);
        c.run(*this);
        DISPLAYDLL_Write(const_cast<char *>("x")); // a host call runs what the menu picked
        sim::clear_faults();
        // Each refused call said once.
        const int refused = c.refused == 0 ? sim::calls("SetWindowPos") : 1;
        EXPECT_GE(sim::calls("SetWindowPos"), c.refused > 0 ? c.refused : 1);
        EXPECT_EQ(Logged("Error Error from SetWindowPos") - before, refused);
    }
    DISPLAYDLL_Done();
}

// What each opacity and see-through colour hands the system, as the
// journal shows the call: alpha, key and flags, and no call at all for an
// ordinary window.
TEST_F(WidgetLimits, EachOpacityAndColourGivesItsLayeredAttributes) {
    const struct {
        const char *config;
        const char *call; // "" for none
    } cases[] = {
        {"Opacity=100\nTransparentColor=-1 -1 -1\nClickThrough=0\n", ""},
        {"Opacity=50\n", "0x000000, 127, 0x2)"},
        {"Opacity=10\n", "0x000000, 25, 0x2)"},
        {"Opacity=99\n", "0x000000, 252, 0x2)"},
        {"Opacity=100\nTransparentColor=1 2 3\n", "0x030201, 255, 0x3)"},
        {"Opacity=80\nTransparentColor=0 0 0\n", "0x000000, 204, 0x3)"},
        {"Opacity=100\nTransparentColor=255 255 255\n", "0xFFFFFF, 255, 0x3)"},
        {"Opacity=100\nTransparentColor=-1 0 0\n", ""},
        {"Opacity=100\nTransparentColor=0 0 -1\n", ""},
        {"Opacity=100\nTransparentColor=-1 -1 -1\nClickThrough=1\n", "0x000000, 255, 0x2)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.config);
        sim::clear_journal();
        Start(std::string("TransparentColor=-1 -1 -1\nClickThrough=0\n") + c.config);
        std::vector<std::string> calls;
        for (const std::string &call : sim::journal())
            if (call.rfind("SetLayeredWindowAttributes(", 0) == 0) calls.push_back(call);
        EXPECT_EQ((ExStyle() & WS_EX_LAYERED) != 0, c.call[0] != 0);
        if (c.call[0] == 0) {
            EXPECT_TRUE(calls.empty()) << calls[0];
        } else {
            ASSERT_FALSE(calls.empty());
            const std::string &last = calls.back();
            EXPECT_EQ(last.substr(last.find(", ") + 2), c.call);
        }
        EXPECT_EQ(Logged("Error"), 0);
        DISPLAYDLL_Done();
    }
    // Refused by the system: said in the log.
    sim::fail_call("SetLayeredWindowAttributes", 0, ERROR_ACCESS_DENIED);
    Start("Opacity=50\n");
    EXPECT_EQ(Logged("Error Error from SetLayeredWindowAttributes : Access is denied"), 1);
    sim::clear_faults();
    DISPLAYDLL_Done();
}

// ClickThrough= and NoActivate= saved while the host runs: on, off and on
// again, the same window takes the styles, and a click activates it or not.
TEST_F(WidgetLimits, ClickThroughAndNoActivateSwitchLiveBothWays) {
    sim::set_ticks(1000);
    Start("WatchConfig=1\nClickThrough=0\nNoActivate=0\n");
    HWND window = DisplayWindow;
    const struct {
        int clickThrough, noActivate;
    } steps[] = {{1, 0}, {0, 0}, {0, 1}, {1, 1}, {0, 0}};
    for (const auto &s : steps) {
        SCOPED_TRACE(testing::Message() << "ClickThrough=" << s.clickThrough
                                        << " NoActivate=" << s.noActivate);
        SaveLive("ClickThrough=" + std::to_string(s.clickThrough) +
                 "\nNoActivate=" + std::to_string(s.noActivate) + "\n");
        ASSERT_EQ(DisplayWindow, window);
        const DWORD ex = ExStyle();
        EXPECT_EQ((ex & WS_EX_TRANSPARENT) != 0, s.clickThrough != 0);
        EXPECT_EQ((ex & WS_EX_LAYERED) != 0, s.clickThrough != 0) << "layered for click-through only";
        EXPECT_EQ((ex & WS_EX_NOACTIVATE) != 0, s.noActivate != 0);
        const LRESULT activate = ScreenWndProc(window, WM_MOUSEACTIVATE,
                                               reinterpret_cast<WPARAM>(window),
                                               HTCLIENT);
        EXPECT_EQ(activate == MA_NOACTIVATE, s.noActivate != 0);
    }
    DISPLAYDLL_Done();
}

// "Stay on top" and the zoom rows show the state a live save left.
TEST_F(WidgetLimits, TheMenuChecksFollowALiveSave) {
    sim::set_ticks(1000);
    Start("WatchConfig=1\nStayOnTop=0\nZoom=100\n");
    const struct {
        int onTop, zoom;
        const char *checkedZoom; // the one zoom row checked; "" for none
    } steps[] = {{1, 150, "12, Zoom 15&0 %"}, {0, 100, "11, Zoom &100 %"}, {1, 120, ""},
                 {0, 300, "14, Zoom &300 %"}};
    for (const auto &s : steps) {
        SCOPED_TRACE(testing::Message() << "StayOnTop=" << s.onTop << " Zoom=" << s.zoom);
        SaveLive("StayOnTop=" + std::to_string(s.onTop) + "\nZoom=" + std::to_string(s.zoom) + "\n");
        EXPECT_EQ((ExStyle() & WS_EX_TOPMOST) != 0, s.onTop != 0);
        sim::clear_journal();
        sim::pick_menu_command(0); // opened and closed
        ScreenWndProc(DisplayWindow, WM_CONTEXTMENU, 0, -1);
        int onTopChecked = 0, onTopRows = 0;
        std::vector<std::string> zoomsChecked;
        for (const std::string &call : sim::journal()) {
            if (call.rfind("AppendMenuA(", 0) != 0) continue;
            const bool checked = call.find(", 0x8, ") != std::string::npos;
            onTopRows += call.find("Stay on &top") != std::string::npos;
            onTopChecked += checked && call.find("Stay on &top") != std::string::npos;
            if (checked && call.find("Zoom") != std::string::npos)
                zoomsChecked.push_back(call.substr(call.find(", 0x8, ") + 7));
        }
        EXPECT_EQ(onTopRows, 1);
        EXPECT_EQ(onTopChecked, s.onTop);
        if (s.checkedZoom[0]) {
            ASSERT_EQ(zoomsChecked.size(), 1u);
            EXPECT_EQ(zoomsChecked[0], std::string(s.checkedZoom) + ")");
        } else {
            EXPECT_TRUE(zoomsChecked.empty()) << zoomsChecked[0];
        }
    }
    DISPLAYDLL_Done();
}

} // namespace
