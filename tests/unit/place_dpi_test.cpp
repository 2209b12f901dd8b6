// The remembered place on screens of 96, 120 and 144 DPI: the place file
// holds the 96-DPI place nearest the window's (rounded, negative places
// too), a start puts the window back there, and saving it again writes the
// same place; a configuration whose place the user changed wins.
#include "driver/tavlora.h"
#include "screen/menu.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstdlib>

namespace {

class PlaceDpi : public DriverTest {
  protected:
    RECT Where() {
        RECT r = {0, 0, 0, 0};
        GetWindowRect(DisplayWindow, &r);
        return r;
    }
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
        if (sim::calls("GetDpiForSystem") == 0) {
            DISPLAYDLL_Done();
            GTEST_SKIP() << "the DPI functions were looked for before: run alone, as ctest does";
        }
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

} // namespace
