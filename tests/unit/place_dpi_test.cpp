// The remembered place on screens of 96, 120 and 144 DPI: the place file
// holds the 96-DPI place nearest the window's (rounded, negative places
// too), a start puts the window back there, and saving it again writes the
// same place; a configuration whose place the user changed wins. The driver
// looks for the DPI functions once a process: each test here needs a
// process of its own, as ctest gives it.
#include "driver/tavlora.h"
#include "screen/menu.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstdio>
#include <cstdlib>

namespace {

class PlaceDpi : public DriverTest {
  protected:
    std::string Saved() {
        std::string text = ReadFile("displays/Tavlora.place");
        size_t at = text.find("\nX="), end = text.find("\r\n//", at);
        return at == std::string::npos ? "" : text.substr(at + 1, end - at - 1);
    }
};

TEST_F(PlaceDpi, TheSameNinetySixDpiPlaceIsWrittenAndReadBack) {
    sim::set_ticks(5000);
    sim::offer_dpi_functions();
    const std::string config = "Debug=1\nEndHostOnClose=0\nPicture=\nFollowDpi=1\nRememberPlace=1\n"
                               "Width=200\nHeight=100\nY=20\n";
    const struct {
        int dpi;
        int left, top;    // where the user leaves the window, in the screen's pixels
        int x, y;         // the place file's
    } cases[] = {
        {96, -7, -3, -7, -3},       {96, 501, 333, 501, 333},
        {120, 126, 124, 101, 99},   {120, -126, -4, -101, -3},  {120, -124, -6, -99, -5},
        {144, 151, 149, 101, 99},   {144, -151, -1, -101, -1},  {144, -149, -2, -99, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " DPI at " << c.left << ", " << c.top);
        std::remove("displays/Tavlora.place");
        sim::set_dpi(c.dpi);
        StartWith(config + "X=10\n");
        SetWindowPos(DisplayWindow, nullptr, c.left, c.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SendMessageA(DisplayWindow, WM_EXITSIZEMOVE, 0, 0);
        const std::string place =
            "X=" + std::to_string(c.x) + "\r\nY=" + std::to_string(c.y) + "\r\nZoom=100";
        EXPECT_EQ(Saved(), place);
        DISPLAYDLL_Done();
        // Back where it was left, give or take the pixel a 96-DPI unit spans;
        // saved again, the same place.
        StartWith(config + "X=10\n");
        EXPECT_LE(std::abs(Where().left - c.left), 1) << Where().left;
        EXPECT_LE(std::abs(Where().top - c.top), 1) << Where().top;
        RunDisplayCommand(3);
        EXPECT_EQ(Saved(), place);
        DISPLAYDLL_Done();
        // The user changed X= since: the configuration's place, at this DPI.
        StartWith(config + "X=11\n");
        EXPECT_EQ(Where().left, (11 * c.dpi * 2 + 96) / (2 * 96)) << "11 units, rounded";
        EXPECT_EQ(Where().top, 20 * c.dpi / 96);
        DISPLAYDLL_Done();
    }
    sim::set_dpi(96);
}

// Moved to a monitor of another DPI: the system's suggested rectangle and
// the DPI said once; a DPI outside 48 to 960 is the nearest of these, the
// window its own size there, and said once while it lasts. The host's
// thread keeps its own DPI setting after each call.
TEST_F(PlaceDpi, AChangeOfMonitorDpiTakesTheSuggestedRectangleOrTheWindowsOwnSize) {
    sim::set_frame(0, 0);
    sim::offer_dpi_functions();
    StartWith("Debug=1\nEndHostOnClose=0\nPicture=\nFollowDpi=1\nWidth=200\nHeight=100\n"
              "X=30\nY=40\n");
    EXPECT_EQ(sim::dpi_context(), reinterpret_cast<HANDLE>(-1)) << "the host's own again";
    const struct {
        int asked;
        RECT suggested;
        RECT shown;
        const char *last; // the log's last line
    } changes[] = {
        {144, {30, 40, 330, 190}, {30, 40, 330, 190}, "Window 144 DPI"},
        {2000, {50, 60, 90, 70}, {50, 60, 50 + 2000, 60 + 1000}, "Window 960 DPI"},
        {2000, {50, 60, 90, 70}, {50, 60, 50 + 2000, 60 + 1000}, "Window 960 DPI"},
        {24, {5, 6, 7, 8}, {5, 6, 5 + 100, 6 + 50}, "Window 48 DPI"},
        {96, {1, 2, 201, 102}, {1, 2, 201, 102}, "Window 96 DPI"},
    };
    for (const auto &c : changes) {
        SCOPED_TRACE(c.asked);
        RECT suggested = c.suggested;
        const WPARAM dpi = static_cast<WPARAM>(c.asked) | static_cast<WPARAM>(c.asked) << 16;
        EXPECT_EQ(SendMessageA(DisplayWindow, WM_DPICHANGED, dpi, reinterpret_cast<LPARAM>(&suggested)),
                  0);
        const RECT r = Where();
        EXPECT_EQ(r.left, c.shown.left);
        EXPECT_EQ(r.top, c.shown.top);
        EXPECT_EQ(r.right, c.shown.right);
        EXPECT_EQ(r.bottom, c.shown.bottom);
        EXPECT_EQ(LogLines().back(), c.last);
    }
    int outside = 0, errors = 0;
    for (const std::string &l : LogLines()) {
        outside += l.find("is outside 48 to 960") != std::string::npos;
        errors += l.rfind("Error", 0) == 0;
    }
    EXPECT_EQ(outside, 2) << "2000 said once while it lasted, then 24";
    EXPECT_EQ(errors, 0);
    // A move the system refuses is said.
    sim::fail_call("SetWindowPos", 1, ERROR_ACCESS_DENIED);
    RECT suggested = {1, 2, 201, 102};
    SendMessageA(DisplayWindow, WM_DPICHANGED, 120 | 120 << 16, reinterpret_cast<LPARAM>(&suggested));
    int refused = 0;
    for (const std::string &l : LogLines()) refused += l.rfind("Error Error from SetWindowPos", 0) == 0;
    EXPECT_EQ(refused, 1);
    DISPLAYDLL_Done();
    EXPECT_EQ(sim::dpi_context(), reinterpret_cast<HANDLE>(-1));
}

// Made on a monitor of another DPI than the system's: its own size there.
TEST_F(PlaceDpi, AWindowMadeOnAMonitorOfAnotherDpiHasItsSizeThere) {
    sim::set_frame(0, 0);
    sim::offer_dpi_functions();
    sim::set_dpi(96);
    sim::set_window_dpi(144);
    StartWith("Debug=1\nEndHostOnClose=0\nPicture=\nFollowDpi=1\nWidth=200\nHeight=100\nX=30\nY=40\n");
    const RECT r = Where();
    EXPECT_EQ(r.left, 30) << "the system's pixels";
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 150);
    int said = 0;
    for (const std::string &l : LogLines()) said += l == "create_screen 144 DPI (the system's 96)";
    EXPECT_EQ(said, 1);
    DISPLAYDLL_Done();
}

// A window whose DPI cannot be told is made at the system's; a later start
// that does not follow the DPI makes the window at its configured size and
// says no DPI, though the monitor's is another.
TEST_F(PlaceDpi, AWindowOfUnknownDpiTakesTheSystemsAndOneNotFollowingNone) {
    sim::set_frame(0, 0);
    sim::offer_dpi_functions();
    sim::set_dpi(144);
    const std::string config = "Debug=1\nEndHostOnClose=0\nPicture=\nWidth=200\nHeight=100\nX=30\nY=40\n";
    sim::fail_call("GetDpiForWindow", 1, ERROR_INVALID_WINDOW_HANDLE);
    StartWith(config + "FollowDpi=1\n");
    EXPECT_EQ(Where().right - Where().left, 300);
    EXPECT_EQ(Where().bottom - Where().top, 150);
    EXPECT_EQ(Logged("create_screen 144 DPI (the system's 144)"), 1);
    DISPLAYDLL_Done();
    sim::set_window_dpi(120);
    StartWith(config + "FollowDpi=0\n");
    EXPECT_EQ(Where().right - Where().left, 200);
    EXPECT_EQ(Where().bottom - Where().top, 100);
    int said = 0;
    for (const std::string &l : LogLines()) said += l.find(" DPI (the system's ") != std::string::npos;
    EXPECT_EQ(said, 1) << "the first start's line alone";
    DISPLAYDLL_Done();
}

// A system without the newest DPI functions: the per-monitor setting of
// Windows 8.1 when the second version is refused, 96 DPI for the system
// when it cannot be asked; the functions are looked for once a process.
TEST_F(PlaceDpi, WithoutTheNewestDpiFunctionsTheWindowStillFollowsItsMonitor) {
    sim::set_frame(0, 0);
    sim::offer_dpi_functions();
    sim::set_dpi(144);
    const std::string config = "Debug=1\nEndHostOnClose=0\nPicture=\nFollowDpi=1\nWidth=200\nHeight=100\n";
    sim::fail_call("SetThreadDpiAwarenessContext", 1, ERROR_INVALID_PARAMETER);
    sim::fail_call("GetProcAddress", 3, ERROR_PROC_NOT_FOUND); // GetDpiForSystem
    sim::clear_journal();
    StartWith(config);
    char asked[2][80];
    snprintf(asked[0], sizeof asked[0], "SetThreadDpiAwarenessContext(%p)", reinterpret_cast<void *>(-4));
    snprintf(asked[1], sizeof asked[1], "SetThreadDpiAwarenessContext(%p)", reinterpret_cast<void *>(-3));
    const int first = sim::find_call("SetThreadDpiAwarenessContext(");
    ASSERT_GE(first, 0);
    EXPECT_EQ(sim::journal()[first], asked[0]);
    EXPECT_EQ(sim::journal()[sim::find_call("SetThreadDpiAwarenessContext(", first + 1)], asked[1]);
    EXPECT_EQ(Where().right - Where().left, 300) << "the monitor's DPI";
    DISPLAYDLL_Done();
    StartWith(config);
    EXPECT_EQ(Logged("create_screen 144 DPI (the system's 96)"), 2);
    DISPLAYDLL_Done();
    EXPECT_EQ(sim::dpi_context(), reinterpret_cast<HANDLE>(-1));
}

} // namespace
