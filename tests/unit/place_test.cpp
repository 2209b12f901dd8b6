// The remembered place: kept in a file of the driver's own beside the
// configuration (which the driver never writes), the configuration winning
// once the user changed it, a sizing drag given back, and a wheel burst
// saved once; on the simulated platform.
#include "config/config.h"
#include "driver/tavlora.h"
#include "host/check.h"
#include "screen/menu.h"
#include "screen/placement.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char kPlace[] = "displays/Tavlora.place";
const std::string kWindow = "Debug=1\r\nEndHostOnClose=0\r\nPicture=\r\nWidth=200\r\nHeight=100\r\n";
// The window's outer width at a zoom: a frame of 6 pixels and 194 inside.
LONG WidthAt(int zoom) {
    return 6 + 194 * zoom / 100;
}

std::string PlaceFile(int x, int y, int zoom, int configX, int configY, int configZoom) {
    return "// as a user may leave it\r\n\r\nX=" + std::to_string(x) + "\r\nY=" + std::to_string(y) + "\r\nZoom=" +
           std::to_string(zoom) + "\r\nConfigX=" + std::to_string(configX) + "\r\nConfigY=" +
           std::to_string(configY) + "\r\nConfigZoom=" + std::to_string(configZoom) + "\r\n";
}

class RememberedPlace : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        sim::set_ticks(5000);
    }
    LONG Width() { return Where().right - Where().left; }
    // As the end of a user's drag: the window moved, then WM_EXITSIZEMOVE.
    void MoveTo(int x, int y) {
        SetWindowPos(DisplayWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SendMessageA(DisplayWindow, WM_EXITSIZEMOVE, 0, 0);
    }
    void Wheel(int turn) {
        WPARAM wParam = (static_cast<WPARAM>(static_cast<WORD>(turn)) << 16) | MK_CONTROL;
        SendMessageA(DisplayWindow, WM_MOUSEWHEEL, wParam, 0);
    }
    void Restart(const std::string &config) {
        DISPLAYDLL_Done();
        StartWith(config);
    }
    int Logged(const std::string &part) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l.find(part) != std::string::npos;
        return n;
    }
    // The place file's X=, Y= and Zoom= ("" when there is none).
    std::string Saved() {
        std::string text = ReadFile(kPlace);
        size_t at = text.find("\nX="), end = text.find("\r\n//", at);
        return at == std::string::npos ? "" : text.substr(at + 1, end - at - 1);
    }
};

TEST_F(RememberedPlace, AMovedWindowIsKeptInItsOwnFileAndTheConfigurationIsNeverWritten) {
    const std::string config = kWindow + "RememberPlace=1\r\n// my display\r\nX=10\r\nY=20\r\n";
    StartWith(config);
    MoveTo(300, 200);
    sim::clear_journal();
    MoveTo(300, 200);
    EXPECT_EQ(sim::calls("MoveFileExA"), 0) << "nothing new to save";
    std::remove(kPlace); // "Save place now" writes it all the same
    RunDisplayCommand(3);
    EXPECT_EQ(Saved(), "X=300\r\nY=200\r\nZoom=100");
    EXPECT_EQ(ReadFile("displays/Tavlora.cfg"), config);
    EXPECT_EQ(Saved(), "X=300\r\nY=200\r\nZoom=100");
    EXPECT_NE(ReadFile(kPlace).find("ConfigX=10\r\nConfigY=20\r\n"), std::string::npos);
    EXPECT_FALSE(FileExists(std::string(kPlace) + ".tmp"));
    // Made again, it comes back where it was left, and with its zoom.
    Restart(config);
    EXPECT_EQ(Where().left, 300);
    EXPECT_EQ(Where().top, 200);
    SetDisplayZoom(150);
    DISPLAYDLL_Done();
    EXPECT_EQ(Saved(), "X=300\r\nY=200\r\nZoom=150");
    StartWith(config);
    EXPECT_EQ(Where().left, 300) << "the zoom the file lacks is still the configuration's";
    EXPECT_EQ(Width(), WidthAt(150));
    EXPECT_EQ(ReadFile("displays/Tavlora.cfg"), config);
    DISPLAYDLL_Done();
}

TEST_F(RememberedPlace, TheConfigurationWinsOnceTheUserChangedItsPlace) {
    const std::string file = PlaceFile(300, 200, 150, 10, 20, 100);
    struct Case {
        const char *place; // the configuration's X=, Y= and Zoom=
        LONG left, width;
    } cases[] = {
        {"X=10\r\nY=20\r\nZoom=100\r\n", 300, WidthAt(150)}, // as recorded: the file's
        {"X=11\r\nY=20\r\nZoom=100\r\n", 11, WidthAt(100)},
        {"X=10\r\nY=21\r\nZoom=100\r\n", 10, WidthAt(100)},
        {"X=10\r\nY=20\r\nZoom=200\r\n", 10, WidthAt(200)},
    };
    for (const Case &c : cases) {
        WriteFile(kPlace, file);
        StartWith(kWindow + "RememberPlace=1\r\n// a comment of the user's\r\n" + c.place);
        EXPECT_EQ(Where().left, c.left) << c.place;
        EXPECT_EQ(Width(), c.width) << c.place;
        EXPECT_EQ(Logged("X=300 Y=200 Zoom=150 from displays/Tavlora.place"), 1);
        DISPLAYDLL_Done();
        EXPECT_EQ(ReadFile(kPlace), file) << "nothing new to save";
        EXPECT_EQ(sim::live_handles(), 0) << "the file is closed again";
    }
    EXPECT_EQ(Logged("changed since it was written: the configuration's place is used"), 3);
    // Moved again, the file records the configuration's values of now, and
    // is used at the next start.
    StartWith(kWindow + "RememberPlace=1\r\nX=11\r\nY=20\r\nZoom=100\r\n");
    MoveTo(400, 300);
    Restart(kWindow + "RememberPlace=1\r\nX=11\r\nY=20\r\nZoom=100\r\n");
    EXPECT_EQ(Where().left, 400);
    DISPLAYDLL_Done();
}

TEST_F(RememberedPlace, ALiveSaveMovesTheWindowOnlyWhenItChangesThePlace) {
    const std::string config = kWindow + "RememberPlace=1\r\nWatchConfig=1\r\nX=10\r\nY=20\r\n";
    StartWith(config);
    MoveTo(300, 200);
    auto save = [&](const std::string &text) {
        WriteConfig(text);
        for (int look = 0; look < 3; ++look) {
            sim::advance_ticks(600);
            DISPLAYDLL_Write(const_cast<char *>("x"));
        }
    };
    save(config + "// another line\r\n");
    EXPECT_EQ(Logged("Configuration read again"), 1);
    EXPECT_EQ(Where().left, 300) << "X=, Y= and Zoom= as they were";
    save(kWindow + "RememberPlace=1\r\nWatchConfig=1\r\nX=40\r\nY=20\r\n");
    EXPECT_EQ(Where().left, 40);
    EXPECT_EQ(Where().top, 20);
    DISPLAYDLL_Done();
}

TEST_F(RememberedPlace, RememberPlaceOffIgnoresTheFileAndLeavesItAlone) {
    const std::string file = PlaceFile(300, 200, 150, 10, 20, 100);
    WriteFile(kPlace, file);
    StartWith(kWindow + "RememberPlace=0\r\nResizable=1\r\nX=10\r\nY=20\r\nZoom=100\r\n");
    EXPECT_EQ(Where().left, 10);
    EXPECT_EQ(Width(), 200);
    MoveTo(50, 60);
    SetDisplayZoom(200);
    sim::advance_ticks(5000);
    DISPLAYDLL_Write(const_cast<char *>("x"));
    DISPLAYDLL_Done();
    EXPECT_EQ(ReadFile(kPlace), file);
}

TEST_F(RememberedPlace, AnUnreadableOrUnwritablePlaceIsLoggedOnceWhileItLasts) {
    // A folder where the file should be: it can be neither read nor replaced.
    const std::string config = kWindow + "RememberPlace=1\r\nX=10\r\nY=20\r\n";
    WriteConfig(config);
    WriteFile(std::string(kPlace) + "/inside", "");
    StartWith(config);
    EXPECT_EQ(Where().left, 10);
    for (int i = 0; i < 3; ++i) MoveTo(100 + i, 100);
    Restart(config);
    EXPECT_EQ(Where().left, 10);
    EXPECT_EQ(Logged("cannot be read"), 1);
    EXPECT_EQ(Logged("was not saved"), 1);
    EXPECT_FALSE(FileExists(std::string(kPlace) + ".tmp"));
    // Writable again: saved, and said so; each new failure is logged anew.
    ASSERT_EQ(std::system(("rm -rf " + std::string(kPlace)).c_str()), 0);
    int at = 120;
    MoveTo(at, 100);
    EXPECT_EQ(Saved(), "X=120\r\nY=100\r\nZoom=100");
    for (const char *failing : {"WriteFile", "MoveFileExA", "CreateFileA"}) {
        sim::fail_call(failing, 1, ERROR_ACCESS_DENIED);
        MoveTo(at + 5, 100);
        sim::clear_faults();
        EXPECT_EQ(Saved(), "X=" + std::to_string(at) + "\r\nY=100\r\nZoom=100") << failing;
        EXPECT_FALSE(FileExists(std::string(kPlace) + ".tmp")) << failing;
        at += 10;
        MoveTo(at, 100);
    }
    EXPECT_EQ(Saved(), "X=150\r\nY=100\r\nZoom=100");
    EXPECT_EQ(Logged("was not saved"), 4);
    EXPECT_EQ(Logged("was not saved: cannot write"), 1);
    EXPECT_EQ(Logged("was not saved: cannot replace"), 2); // the folder, then the move
    EXPECT_EQ(Logged("was not saved: cannot make"), 1);
    EXPECT_EQ(Logged("saved again"), 4);
    DISPLAYDLL_Done();
}

TEST_F(RememberedPlace, ACorruptPlaceFileIsIgnoredAndSaidOnce) {
    const std::string config = kWindow + "RememberPlace=1\r\nX=10\r\nY=20\r\nZoom=100\r\n";
    const std::string good = PlaceFile(300, 200, 150, 10, 20, 100);
    const std::string corrupt[] = {
        "",                                           // empty
        "garbage",                                    // no keys
        good.substr(0, good.find("ConfigY")),         // cut short
        "X=30x\r\n" + good,                           // not a number
        PlaceFile(300, 200, 24, 10, 20, 100),         // zooms out of range
        PlaceFile(300, 200, 801, 10, 20, 100),
        good + "Width=5\r\n",                         // a key of another file
        good + std::string(5000, '/'),                // far too long
    };
    for (const std::string &text : corrupt) {
        WriteFile(kPlace, text);
        StartWith(config);
        EXPECT_EQ(Where().left, 10) << text;
        EXPECT_EQ(Width(), 200) << text;
        DISPLAYDLL_Done();
    }
    EXPECT_EQ(Logged("is not a place file"), 1);
    // Read well once (the largest zoom), a corrupt file is said again.
    WriteFile(kPlace, PlaceFile(300, 200, 800, 10, 20, 100));
    StartWith(config);
    EXPECT_EQ(Where().left, 300);
    EXPECT_EQ(Width(), WidthAt(800));
    DISPLAYDLL_Done();
    WriteFile(kPlace, "garbage");
    StartWith(config);
    DISPLAYDLL_Done();
    EXPECT_EQ(Logged("is not a place file"), 2);
}

// A drag on the right edge proposes a size; the system applies it, or
// gives the old size back (Esc).
TEST_F(RememberedPlace, ASizingDragThatGivesBackItsSizeLeavesTheZoom) {
    // 133 %: a size whose zoom, worked out again from the size, is 132.
    const std::string config = kWindow + "RememberPlace=1\r\nResizable=1\r\nX=10\r\nY=20\r\n";
    for (int given : {0, 1}) {
        StartWith(config + "Zoom=133\r\n");
        const RECT old = Where();
        RECT drag = old;
        drag.right += 200;
        EXPECT_EQ(SendMessageA(DisplayWindow, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&drag)), TRUE);
        ASSERT_GT(drag.right - drag.left, Width());
        if (given) { // applied, then given back
            SetWindowPos(DisplayWindow, nullptr, drag.left, drag.top, drag.right - drag.left,
                         drag.bottom - drag.top, SWP_NOZORDER);
            SetWindowPos(DisplayWindow, nullptr, old.left, old.top, old.right - old.left,
                         old.bottom - old.top, SWP_NOZORDER);
        }
        SendMessageA(DisplayWindow, WM_EXITSIZEMOVE, 0, 0);
        EXPECT_EQ(ScreenSettings.Zoom, 133) << given;
        EXPECT_FALSE(FileExists(kPlace)) << "nothing new to save";
        Restart(config + "Zoom=133\r\n");
        EXPECT_EQ(Width(), old.right - old.left) << given;
        DISPLAYDLL_Done();
    }
    // A drag the system applies sets the zoom it proposed for that size: a
    // side's, or the larger of a corner's two; 133 % again.
    struct Drag {
        WPARAM edge;
        int wider, taller; // than the inside at 100 %, in hundredths of it
        int zoom;
    } drags[] = {{WMSZ_RIGHT, 100, 0, 200}, {WMSZ_BOTTOMRIGHT, 0, 100, 200}, {WMSZ_RIGHT, 34, 0, 133}};
    for (const Drag &d : drags) {
        StartWith(config + "Zoom=100\r\n");
        RECT drag = Where(), client;
        GetClientRect(DisplayWindow, &client);
        drag.right += client.right * d.wider / 100;
        drag.bottom += client.bottom * d.taller / 100;
        SendMessageA(DisplayWindow, WM_SIZING, d.edge, reinterpret_cast<LPARAM>(&drag));
        SetWindowPos(DisplayWindow, nullptr, drag.left, drag.top, drag.right - drag.left,
                     drag.bottom - drag.top, SWP_NOZORDER);
        EXPECT_EQ(ScreenSettings.Zoom, d.zoom) << "while the drag lasts";
        EXPECT_EQ(Width(), WidthAt(d.zoom));
        SendMessageA(DisplayWindow, WM_EXITSIZEMOVE, 0, 0);
        EXPECT_EQ(Saved(), "X=10\r\nY=20\r\nZoom=" + std::to_string(d.zoom));
        // Ended, the drag has no say in the zoom of the wheel.
        Wheel(120);
        EXPECT_EQ(ScreenSettings.Zoom, d.zoom + 10);
        DISPLAYDLL_Done();
        std::remove(kPlace);
    }
}

TEST_F(RememberedPlace, AWheelBurstIsSavedOnceItStops) {
    const std::string config = kWindow + "RememberPlace=1\r\nResizable=1\r\nX=10\r\nY=20\r\nZoom=100\r\n";
    StartWith(config);
    sim::clear_journal();
    for (int notch = 0; notch < 10; ++notch) {
        Wheel(120);
        sim::advance_ticks(300);
        DISPLAYDLL_Write(const_cast<char *>("x"));
    }
    sim::advance_ticks(699);
    DISPLAYDLL_Write(const_cast<char *>("x"));
    EXPECT_EQ(sim::calls("MoveFileExA"), 0) << "none per notch, none before a second has passed";
    sim::advance_ticks(1);
    DISPLAYDLL_Write(const_cast<char *>("x"));
    EXPECT_EQ(sim::calls("MoveFileExA"), 1);
    EXPECT_EQ(Saved(), "X=10\r\nY=20\r\nZoom=200");
    EXPECT_EQ(Logged("Zoom=200 saved in"), 1);
    sim::advance_ticks(5000);
    DISPLAYDLL_Write(const_cast<char *>("x"));
    EXPECT_EQ(sim::calls("MoveFileExA"), 1);
    // A zoom still pending is saved at Done.
    Wheel(-120);
    DISPLAYDLL_Done();
    EXPECT_EQ(Saved(), "X=10\r\nY=20\r\nZoom=190");
}

TEST_F(RememberedPlace, TheCheckSaysWhichPlaceAStartUsesAndWhy) {
    const std::string file = PlaceFile(300, 200, 150, 10, 20, 100);
    struct Case {
        const char *config;
        std::string place; // empty: no place file
        const char *says;
    } cases[] = {
        {"RememberPlace=1\nX=10\nY=20\n", file,
         "X = 300, Y = 200, Zoom = 150 from displays/Tavlora.place (RememberPlace=1, and"},
        {"RememberPlace=1\nX=11\nY=20\n", file,
         "X = 11, Y = 20, Zoom = 100 from the configuration (displays/Tavlora.place: the "
         "configuration's X=, Y= or Zoom= changed"},
        {"RememberPlace=0\nX=10\nY=20\n", file,
         "X = 10, Y = 20, Zoom = 100 from the configuration (displays/Tavlora.place: not used"},
        {"RememberPlace=1\nX=10\nY=20\n", "X=1\n",
         "from the configuration (displays/Tavlora.place: not a place file"},
        {"RememberPlace=1\nX=10\nY=20\n", "", "(displays/Tavlora.place: no place remembered yet)"},
    };
    for (const Case &c : cases) {
        WriteConfig(c.config);
        std::remove(kPlace);
        if (!c.place.empty()) WriteFile(kPlace, c.place);
        std::string report;
        EXPECT_EQ(CheckConfig("displays/Tavlora.cfg", &report), CheckClean) << report;
        size_t at = report.find("\nplace: X = ");
        ASSERT_NE(at, std::string::npos) << report;
        std::string place = report.substr(at + 1, report.find('\n', at + 1) - at - 1);
        EXPECT_NE(place.find(c.says), std::string::npos) << place;
    }
}

} // namespace
