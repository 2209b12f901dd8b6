// The display window and the refresh cycle on the simulated platform.
#include "config/config.h"
#include "driver/display_memory.h"
#include "driver/tavlora.h"
#include "screen/kept_image.h"
#include "screen/rows.h"
#include "screen/refresh.h"
#include "screen/window.h"
#include "screen/window_proc.h"
#include "test_support.h"

#include <cstring>

namespace {

class Refresh : public DriverTest {
  protected:
    void Start(const std::string &config = "Debug=1\nWidth=320\nHeight=120\n") {
        WriteConfig(config);
        ok_ = 9;
        DISPLAYDLL_Init(0, 0, nullptr, &ok_);
    }
    void Write(const char *text) { DISPLAYDLL_Write(const_cast<char *>(text)); }
    void WriteAt(int column, int row, const char *text) {
        DISPLAYDLL_SetPosition(column, row);
        Write(text);
    }
    // Repaints since the journal was last cleared (one block transfer each).
    int Repaints() { return sim::calls("BitBlt"); }
    int LogCount(const std::string &line) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l == line;
        return n;
    }
    int LogCountStarting(const std::string &start) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l.compare(0, start.size(), start) == 0;
        return n;
    }
    // Nothing but the image the driver keeps of what its window shows.
    void ExpectNothingLeaked() {
        ReleaseKeptImage();
        ReleaseRowFonts();
        EXPECT_EQ(sim::live_gdi_objects(), 0);
        EXPECT_EQ(sim::live_dcs(), 0);
        EXPECT_EQ(sim::live_handles(), 0);
        EXPECT_EQ(sim::live_globals(), 0);
    }
    char ok_ = 0;
};

using Window = Refresh;

TEST_F(Window, IsCreatedOnceAtTheConfiguredRectangle) {
    Start("Debug=1\nX=40\nY=30\nWidth=320\nHeight=120\n");
    EXPECT_EQ(ok_, 1);
    ASSERT_NE(DisplayWindow, nullptr);
    EXPECT_EQ(FindWindowA("Tavlora", nullptr), DisplayWindow);
    // The platform adds WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(DisplayWindow, GWL_STYLE)) &
                  ~(WS_VISIBLE | 0x04000000u),
              0x80C80000u);
    RECT r;
    GetWindowRect(DisplayWindow, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right, 360);
    EXPECT_EQ(r.bottom, 150);
    EXPECT_TRUE(IsWindowVisible(DisplayWindow));
    EXPECT_GE(sim::find_call("RegisterClassExA(Tavlora"), 0);
    EXPECT_GE(sim::find_call("ShowWindow(", sim::find_call("CreateWindowExA")), 0);
    EXPECT_EQ(ScreenWndProc(DisplayWindow, WM_ERASEBKGND, 0, 0), 0);

    HWND first = DisplayWindow;
    sim::clear_journal();
    DISPLAYDLL_Init(0, 0, nullptr, &ok_);
    EXPECT_EQ(ok_, 1);
    EXPECT_EQ(DisplayWindow, first);
    EXPECT_EQ(sim::calls("RegisterClassExA"), 0);
    EXPECT_EQ(sim::calls("CreateWindowExA"), 0);
    EXPECT_EQ(sim::calls("CreateFileA"), 0) << "the picture is loaded once";
    std::vector<std::string> log = LogLines();
    std::vector<std::string> second(log.end() - 5, log.end());
    EXPECT_EQ(second[1], "create_screen entered");
    EXPECT_EQ(second[2], "display_active 1");
    EXPECT_EQ(second[3], "Create Screen Complete");
}

TEST_F(Window, DontShowWindowCreatesItHidden) {
    Start("Width=320\nHeight=120\nDontShowWindow=1\n");
    EXPECT_EQ(ok_, 1);
    Write("changed");
    EXPECT_GE(Repaints(), 1);
    EXPECT_FALSE(IsWindowVisible(DisplayWindow));
    EXPECT_EQ(sim::calls("ShowWindow"), 0);
}

// A window that must not take the activation is shown without it at once,
// not only at its first repaint.
TEST_F(Window, NoActivateShowsTheNewWindowWithoutActivatingIt) {
    const struct {
        const char *config;
        const char *shown;
    } cases[] = {{"NoActivate=1\n", "SW_SHOWNOACTIVATE"}, {"NoActivate=0\n", "SW_SHOWNORMAL"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.config);
        sim::reset();
        Start(std::string("EndHostOnClose=0\nWidth=320\nHeight=120\n") + c.config);
        int shown = sim::find_call("ShowWindow(", sim::find_call("CreateWindowExA"));
        ASSERT_GE(shown, 0);
        EXPECT_NE(sim::journal()[shown].find(c.shown), std::string::npos) << sim::journal()[shown];
        DISPLAYDLL_Done();
    }
}

TEST_F(Window, AFailedCreationIsRetriedAtTheNextStart) {
    sim::fail_call("CreateWindowExA", 1, ERROR_NOT_ENOUGH_MEMORY);
    Start();
    EXPECT_EQ(ok_, 0);
    EXPECT_EQ(DisplayWindow, nullptr);
    EXPECT_EQ(LogCount("Error Error from CreateWindow : Not enough memory resources are available "
                       "to process this command.\r"),
              1);
    Write("no window");
    EXPECT_EQ(Repaints(), 0);
    EXPECT_EQ(LogLines().back().substr(0, 8), "Outgoing") << "no paint, no paint error";

    DISPLAYDLL_Init(0, 0, nullptr, &ok_);
    EXPECT_EQ(ok_, 1);
    EXPECT_NE(DisplayWindow, nullptr);
    EXPECT_EQ(LogCount("Error Error from RegisterClassEx : Class already exists.\r"), 0)
        << "the class registered by the first start serves";
    EXPECT_GE(Repaints(), 1);
}

TEST_F(Window, TakesOnlyItsOwnMessagesAndNoneWithoutAWindow) {
    PostMessageA(nullptr, WM_USER, 1, 0);
    PostQuitMessage(3);
    DISPLAYDLL_SetPosition(1, 1); // no window yet: the host's messages stay
    Start();
    PostMessageA(nullptr, WM_USER, 2, 0);
    PostMessageA(DisplayWindow, WM_USER + 5, 0, 0);
    Write("x");
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, DisplayWindow, 0, 0, PM_NOREMOVE)) << "the window's are taken";
    std::vector<WPARAM> userMessages;
    bool quit = false;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_USER) userMessages.push_back(m.wParam);
        if (m.message == WM_QUIT) quit = m.wParam == 3;
    }
    EXPECT_EQ(userMessages, (std::vector<WPARAM>{1, 2}));
    EXPECT_TRUE(quit) << "the host's quit message is still there";
}

TEST_F(Window, DoneEndsTheProcessWithStatusZero) {
    Start();
    EXPECT_EXIT((ExpectExit(), DISPLAYDLL_Done()), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            ExpectExit();
            PostMessageA(DisplayWindow, WM_CLOSE, 0, 0);
            Write("closing");
            fprintf(stderr, "still running");
        },
        ::testing::ExitedWithCode(0), "^$");
}

TEST_F(Refresh, ChangedRowsRepaintAndUnchangedOnesDoNot) {
    Start();
    sim::clear_journal();
    WriteAt(1, 1, "ABCDE");
    EXPECT_EQ(Repaints(), 1);
    WriteAt(1, 1, "ABCDE");
    EXPECT_EQ(Repaints(), 1) << "same text";
    WriteAt(1, 1, "ABCD");
    EXPECT_EQ(Repaints(), 2) << "shortened";
    WriteAt(1, 1, "ABCDE");
    EXPECT_EQ(Repaints(), 3) << "written back";
    WriteAt(1, 1, "");
    EXPECT_EQ(Repaints(), 4) << "emptied";
    DISPLAYDLL_SetPosition(2, 2);
    EXPECT_EQ(Repaints(), 4) << "a cursor move does not repaint";
    EXPECT_EQ(sim::calls("GetSystemMetrics"), 4 * 5);
    ExpectNothingLeaked();
}

TEST_F(Refresh, ANewGlyphShapeRepaintsAtTheNextRefresh) {
    Start();
    WriteAt(1, 2, "\x01");
    sim::clear_journal();
    char bar[8] = {0x1F, 0x1F, 0, 0, 0, 0, 0, 0};
    DISPLAYDLL_CustomChar(1, bar);
    EXPECT_EQ(Repaints(), 0) << "defining a glyph does not paint by itself";
    WriteAt(1, 2, "\x01");
    EXPECT_EQ(Repaints(), 1);
    DISPLAYDLL_CustomChar(1, bar);
    WriteAt(1, 2, "\x01");
    EXPECT_EQ(Repaints(), 1) << "the same bytes again are no change";
}

TEST_F(Refresh, ADesktopChangeRepaints) {
    Start();
    sim::clear_journal();
    WriteAt(1, 1, "Tavlora Starting");
    EXPECT_EQ(Repaints(), 0);
    sim::set_virtual_screen(-1280, 0, 2560, 800);
    WriteAt(1, 1, "Tavlora Starting");
    EXPECT_EQ(Repaints(), 1);
    WriteAt(1, 1, "Tavlora Starting");
    EXPECT_EQ(Repaints(), 1);
}

TEST_F(Refresh, APlatformPaintRequestRepaintsOnceWithoutLooping) {
    Start();
    sim::clear_journal();
    sim::expose_window(DisplayWindow);
    WriteAt(1, 1, "Tavlora Starting");
    EXPECT_EQ(Repaints(), 1);
    for (int i = 0; i < 10; ++i) WriteAt(1, 1, "Tavlora Starting");
    EXPECT_EQ(Repaints(), 1);
    ShowWindow(DisplayWindow, SW_MINIMIZE);
    sim::clear_journal();
    WriteAt(1, 1, "changed");
    EXPECT_FALSE(IsIconic(DisplayWindow)) << "a repaint restores the window";
    // ... without taking the activation from the host's windows.
    EXPECT_EQ(sim::calls("ShowWindow"), 1);
    EXPECT_GE(sim::find_call("ShowWindow(0x"), 0);
    EXPECT_NE(sim::journal()[sim::find_call("ShowWindow(")].find("SW_SHOWNOACTIVATE"),
              std::string::npos);
    ShowWindow(DisplayWindow, SW_HIDE);
    WriteAt(1, 1, "hidden by the user");
    EXPECT_TRUE(IsWindowVisible(DisplayWindow)) << "shown again at the next repaint";
    for (int i = 0; i < 10; ++i) WriteAt(1, 1, "changed");
    EXPECT_LE(Repaints(), 3);
}

TEST_F(Refresh, ARepaintComposesOffScreenAndReleasesEverything) {
    Start();
    sim::clear_journal();
    WriteAt(1, 1, "Hello \xFF");
    int begin = sim::find_call("BeginPaint(");
    int blt = sim::find_call("BitBlt(", begin);
    int end = sim::find_call("EndPaint(", blt);
    ASSERT_GE(begin, 0);
    ASSERT_GT(blt, begin);
    ASSERT_GT(end, blt);
    EXPECT_LT(sim::find_call("InvalidateRect(", 0), begin);
    EXPECT_EQ(sim::calls("BitBlt"), 1);
    // The window's inside: the outer size less the simulated frame.
    EXPECT_NE(sim::journal()[blt].find(", 0, 0, 314, 94, "), std::string::npos)
        << sim::journal()[blt];
    EXPECT_EQ(sim::calls("ShowWindow"), 0) << "a visible window is left alone, not activated";
    ExpectNothingLeaked();
}

TEST_F(Refresh, BeginPaintFailureIsLoggedAndRetried) {
    Start();
    sim::clear_journal();
    sim::fail_call("BeginPaint", 1, ERROR_INVALID_WINDOW_HANDLE);
    WriteAt(1, 1, "new text");
    EXPECT_EQ(Repaints(), 0);
    EXPECT_EQ(LogCount("Error Error from BeginPaint : Invalid window handle.\r"), 1);
    WriteAt(1, 1, "new text");
    EXPECT_EQ(Repaints(), 1) << "the missed repaint is not lost";
    ExpectNothingLeaked();
}

// The kept image goes at Done and with the window; a release that fails
// half-way is logged and leaves nothing it could give back.
TEST_F(Refresh, ReleaseFailuresAreLoggedAndNothingLeaks) {
    Start();
    WriteAt(1, 1, "");
    sim::clear_journal();
    sim::fail_call("SelectObject", 1, ERROR_INVALID_HANDLE);
    ReleaseKeptImage();
    EXPECT_EQ(LogCount("Error Error from SelectObject(hbm) : The handle is invalid.\r"), 1);
    // Still selected, the bitmap cannot be deleted; it goes once its surface is gone.
    EXPECT_EQ(LogCountStarting("Error Error from DeleteObject(hbm) : "), 1);
    EXPECT_EQ(sim::live_dcs(), 0);
    sim::fail_call("DeleteObject", 1, ERROR_INVALID_HANDLE);
    ReleaseRowFonts(); // one font a row
    EXPECT_EQ(LogCountStarting("Error Error from DeleteObject(hFont) : "), 1);
    EXPECT_EQ(sim::live_gdi_objects(), 1) << "the font that could not go";

    sim::set_virtual_screen(0, 0, 1000, 800); // a repaint on a new bitmap
    WriteAt(1, 1, "");
    EXPECT_EQ(Repaints(), 1);
    AllowLeakedObjects(); // a context whose deletion fails stays alive
    sim::fail_call("DeleteObject", 1, ERROR_INVALID_HANDLE);
    sim::fail_call("DeleteDC", 1, ERROR_INVALID_HANDLE);
    ReleaseKeptImage();
    EXPECT_EQ(LogCountStarting("Error Error from DeleteObject(hbm) : "), 2);
    EXPECT_EQ(LogCount("Error Error from DeleteObject(mhdc) : The handle is invalid.\r"), 1);
}

TEST_F(Refresh, CaptureTimerFollowsTheInterval) {
    sim::set_ticks(1000);
    Start("Width=40\nHeight=40\nRecord=1\nRecordInterval=5\nRecordFile=cap.bmp\n");
    auto captures = [] { return sim::calls("MoveFileExA"); };
    sim::clear_journal();
    sim::set_ticks(1000 + 5000);
    Write("a");
    EXPECT_EQ(captures(), 0) << "exactly the interval is not more than it";
    sim::set_ticks(1000 + 5001);
    Write("a");
    EXPECT_EQ(captures(), 1);
    Write("a");
    EXPECT_EQ(captures(), 1);
    sim::advance_ticks(5001);
    Write("a"); // unchanged text still runs the timer
    EXPECT_EQ(captures(), 2);
    // After weeks of running the clock goes on counting.
    sim::set_ticks(1000 + 26ull * 24 * 3600 * 1000);
    Write("a");
    EXPECT_EQ(captures(), 3);
    sim::advance_ticks(5001);
    Write("a");
    EXPECT_EQ(captures(), 4);
    ExpectNothingLeaked();
}

TEST_F(Refresh, CaptureIntervalZeroAndNegative) {
    sim::set_ticks(0);
    Start("Width=40\nHeight=40\nRecord=1\nRecordInterval=0\nRecordFile=cap.bmp\n");
    sim::clear_journal();
    Write("a");
    EXPECT_EQ(sim::calls("MoveFileExA"), 0) << "the clock has not moved";
    sim::advance_ticks(1);
    Write("a");
    EXPECT_EQ(sim::calls("MoveFileExA"), 1);
    WriteConfig("Width=40\nHeight=40\nRecord=1\nRecordInterval=-1\nRecordFile=cap.bmp\n");
    DISPLAYDLL_Init(0, 0, nullptr, &ok_);
    sim::clear_journal();
    Write("a");
    Write("a");
    EXPECT_EQ(sim::calls("MoveFileExA"), 2);
}

TEST_F(Refresh, BeginPaintFailureSkipsTheCapture) {
    sim::set_ticks(0);
    Start("Width=40\nHeight=40\nRecord=1\nRecordInterval=-1\nRecordFile=cap.bmp\n");
    sim::clear_journal();
    sim::fail_call("BeginPaint", 1, ERROR_INVALID_WINDOW_HANDLE);
    Write("b");
    EXPECT_EQ(sim::calls("CreateDIBSection"), 0);
}

} // namespace
