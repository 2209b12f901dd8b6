// Numbers outside what the driver can use: values clamped or refused with
// one log line each, a UTF-8 byte-order mark, the window's place and size
// kept where it can be seen, the menu's reread of a half-saved file, and
// round dots of any size.
#include "config/config.h"
#include "config/module.h"
#include "driver/display_memory.h"
#include "driver/tavlora.h"
#include "host/check.h"
#include "log/log.h"
#include "screen/menu.h"
#include "screen/placement.h"
#include "screen/rows.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstring>
#include <fstream>

namespace {

class Limits : public DriverTest {
  protected:
};

TEST_F(Limits, EachValueOutsideItsRangeIsLoggedOnceWithTheValueUsed) {
    struct Case {
        const char *line;
        const int32_t *field;
        int32_t used[3];
        const char *logged; // after "Configuration "
    };
    const ScreenSettingsRecord &s = ScreenSettings;
    const Case cases[] = {
        {"Zoom=0", &s.Zoom, {25}, "Zoom=0 is outside 25 to 800: 25 used"},
        {"Opacity=1000", &s.Opacity, {100}, "Opacity=1000 is outside 10 to 100: 100 used"},
        {"ModuleDotSize=100", &s.ModuleDotSize, {64}, "ModuleDotSize=100 is outside 1 to 64: 64 used"},
        {"Line2DotGap=-3", &ConfiguredLayouts[1].DotGap, {0}, "Line2DotGap=-3 is below 0: 0 used"},
        {"ModuleDotColor=300 -5 99999999999", s.ModuleDotColor, {-1, -1, -1},
         "ModuleDotColor=300 -5 2147483647 has a part outside 0 to 255: the colour set's used"},
        {"ModuleBackColor=10 20", s.ModuleBackColor, {-1, -1, -1},
         "ModuleBackColor= has 2 of its 3 numbers: the colour set's used"},
    };
    OpenLog();
    int said = 0;
    for (const Case &c : cases) {
        WriteConfig(std::string("Debug=1\n") + c.line + "\n");
        for (int read = 0; read < 3; ++read) ReadConfigFile();
        const int parts = strstr(c.line, "Color") ? 3 : 1;
        for (int p = 0; p < parts; ++p) EXPECT_EQ(c.field[p], c.used[p]) << c.line;
        EXPECT_EQ(Logged(std::string("Configuration ") + c.logged), 1) << c.line;
        EXPECT_EQ(Logged("Configuration "), ++said) << c.line << ": once, however often it is read";
    }
    // Given again after a value in range: said again.
    for (const char *line : {"Zoom=100", "Zoom=0", "ModuleBackColor=1 2 3", "ModuleBackColor=10 20"}) {
        WriteConfig(std::string("Debug=1\n") + line + "\n");
        ReadConfigFile();
    }
    EXPECT_EQ(Logged("Configuration Zoom=0 is outside 25 to 800: 25 used"), 2);
    EXPECT_EQ(Logged("Configuration ModuleBackColor= has 2 of its 3 numbers"), 2);
}

// Each key's range, at its edges: inside as given and nothing said, a step
// outside the nearest edge (a colour refused) and said.
TEST_F(Limits, EveryRangeHoldsItsEdgesAndNoMore) {
    struct Range {
        const char *key;
        const int32_t *field;
        int32_t low, high; // high INT32_MAX: no upper edge
    };
    const ScreenSettingsRecord &s = ScreenSettings;
    const Range numbers[] = {
        {"Zoom=", &s.Zoom, 25, 800},
        {"Opacity=", &s.Opacity, 10, 100},
        {"SnapDistance=", &s.SnapDistance, 0, INT32_MAX},
        {"ModuleDotSize=", &s.ModuleDotSize, 1, 64},
        {"ModuleDotGap=", &s.ModuleDotGap, 0, 32},
        {"ModuleMargin=", &s.ModuleMargin, 0, 32},
        {"ModuleBezel=", &s.ModuleBezel, 0, 256},
        {"Line1DotGap=", &ConfiguredLayouts[0].DotGap, 0, INT32_MAX},
    };
    OpenLog();
    int said = 0;
    auto read = [&](const std::string &line) {
        WriteConfig("Debug=1\n" + line + "\n");
        ReadConfigFile();
    };
    for (const Range &r : numbers) {
        const std::string key = r.key;
        for (int32_t edge : {r.low, r.high}) {
            read(key + std::to_string(edge));
            EXPECT_EQ(*r.field, edge) << key;
        }
        EXPECT_EQ(Logged("Configuration "), said) << key << ": the edges are inside";
        read(key + std::to_string(r.low - 1));
        EXPECT_EQ(*r.field, r.low) << key;
        EXPECT_EQ(Logged("Configuration " + key + std::to_string(r.low - 1)), 1) << key;
        ++said;
        if (r.high == INT32_MAX) continue;
        read(key + std::to_string(r.high + 1));
        EXPECT_EQ(*r.field, r.high) << key;
        EXPECT_EQ(Logged("Configuration " + key + std::to_string(r.high + 1)), 1) << key;
        ++said;
    }
    const std::pair<const char *, const int32_t *> colours[] = {
        {"ModuleBackColor=", s.ModuleBackColor}, {"ModuleDotColor=", s.ModuleDotColor},
        {"ModuleDotOffColor=", s.ModuleDotOffColor}, {"ModuleBezelColor=", s.ModuleBezelColor},
        {"TransparentColor=", s.TransparentColor}};
    for (const auto &colour : colours) {
        const std::string key = colour.first;
        for (const char *inside : {"0 0 0", "255 255 255", "-1 -1 -1"}) {
            read(key + inside);
            EXPECT_EQ(colour.second[1], inside[0] == '0' ? 0 : inside[0] == '2' ? 255 : -1) << key;
        }
        EXPECT_EQ(Logged("Configuration "), said) << key << ": the edges are inside";
        for (const char *outside : {"0 256 0", "0 -1 0", "-1 -1 255"}) {
            read(key + outside);
            EXPECT_EQ(colour.second[1], -1) << key << outside;
            EXPECT_EQ(colour.second[2], -1) << key << outside;
            EXPECT_EQ(Logged("Configuration " + key + outside), 1) << key << outside;
            ++said;
        }
    }
    // A fourth number is no part of the colour, nor of the key after it.
    read("ModuleDotOffColor=5 5 5");
    read("ModuleDotColor=1 2 3 4");
    EXPECT_EQ(s.ModuleDotOffColor[0], 5);
    // What a module makes of the lowest sizes.
    read("Module=1x1\nZoom=100\nModuleDotSize=1\nModuleDotGap=0");
    ModuleLayout module;
    ASSERT_TRUE(ResolveModule(&module));
    EXPECT_EQ(module.dotSize, 1);
    EXPECT_EQ(module.pitch, 1);
}

TEST_F(Limits, ARefusedColourOverrideDrawsInTheSetsColour) {
    sim::set_frame(0, 0);
    StartWith("Debug=1\nEndHostOnClose=0\nModule=8x1\nModuleColors=blue\n"
              "ModuleDotColor=300 -5 99999999999\nModuleBackColor=1 2\nModuleBezelColor=7 8 9\n");
    const ModuleColourSet &blue = ModuleColourSets[1];
    EXPECT_EQ(Logged("Module colours blue: back 24 62 206, dots 236 242 255, unlit 38 80 218, "
                     "bezel 7 8 9"),
              1);
    EXPECT_EQ(sim::window_pixel(DisplayWindow, 0, 0), RGB(7, 8, 9));
    EXPECT_EQ(sim::window_pixel(DisplayWindow, 14, 14), RGB(blue.back[0], blue.back[1], blue.back[2]));
    // Set some other way than by the file, a part above 255 still is no colour.
    const int32_t above[3] = {256, 5, 5};
    memcpy(ScreenSettings.ModuleDotColor, above, sizeof above);
    ModuleLayout module;
    ASSERT_TRUE(ResolveModule(&module));
    EXPECT_EQ(module.dot[0], blue.dot[0]);
}

TEST_F(Limits, TheCheckMarksAChangedValueAndSaysItSkippedAByteOrderMark) {
    WriteConfig("\xEF\xBB\xBF" "Debug=1\nZoom=0\nModuleDotColor=300 -5 9\nOpacity=50\n");
    std::string report;
    EXPECT_EQ(CheckConfig("displays/Tavlora.cfg", &report), CheckProblems);
    EXPECT_EQ(report.substr(0, report.find("settings:")),
              "the file starts with a UTF-8 byte-order mark (as Notepad saves): skipped\n"
              "line 1: Debug = 1\n"
              "line 2: Zoom = 25 (out of range: 25 used): \"Zoom=0\"\n"
              "line 3: ModuleDotColor = -1 -1 -1 (out of range: the colour set's used): "
              "\"ModuleDotColor=300 -5 9\"\n"
              "line 4: Opacity = 50\n");
    EXPECT_NE(report.find("result: 2 problem lines"), std::string::npos) << report;
}

TEST_F(Limits, AByteOrderMarkIsSkippedAndAnyOtherStartIsRead) {
    WriteConfig("\xEF\xBB\xBF" "Debug=1\r\nX=5\r\n");
    bool mark = false;
    ASSERT_TRUE(ReadConfigFrom("displays/Tavlora.cfg", NULL, NULL, &mark));
    EXPECT_TRUE(mark);
    EXPECT_EQ(DebugLevel, 1) << "the first line applies";
    EXPECT_EQ(ScreenSettings.X, 5);
    WriteConfig("Y=7");
    ASSERT_TRUE(ReadConfigFrom("displays/Tavlora.cfg", NULL, NULL, &mark));
    EXPECT_FALSE(mark);
    EXPECT_EQ(ScreenSettings.Y, 7);
}

// The menu's reread waits, as the watcher does, until the file stays the
// same across two looks half a second apart; the test's "editor" saves
// while the driver waits.
struct Editor {
    std::vector<std::string> saves; // one written at each wait, the last kept
    size_t next = 0;
};

void SaveNext(void *context) {
    Editor &editor = *static_cast<Editor *>(context);
    if (editor.next >= editor.saves.size()) return;
    std::ofstream("displays/Tavlora.cfg", std::ios::binary) << editor.saves[editor.next++];
}

TEST_F(Limits, TheMenusRereadAppliesAFileOnlyOnceItIsWhole) {
    sim::set_frame(0, 0);
    sim::set_ticks(1000);
    const std::string head = "Debug=1\nEndHostOnClose=0\nHeight=100\n";
    StartWith(head + "Width=200\n");
    // Cut at "Width=3", whole half a second later: the whole file applies.
    Editor editor;
    editor.saves = {head + "Width=300\n"};
    sim::on_sleep(SaveNext, &editor);
    WriteConfig(head + "Width=3");
    sim::clear_journal();
    ASSERT_TRUE(RunDisplayCommand(6));
    EXPECT_EQ(Where().right - Where().left, 300);
    EXPECT_EQ(sim::calls("Sleep"), 2) << "a change seen, then two looks alike";
    EXPECT_EQ(Logged("Configuration read again"), 1);
    // Emptied and never written again, or saved at every look: not applied.
    for (bool empty : {true, false}) {
        editor.saves.clear();
        editor.next = 0;
        for (int i = 0; i < 10; ++i) editor.saves.push_back(empty ? "" : head + "Width=4" + std::string(i, '0') + "\n");
        WriteConfig(empty ? "" : head + "Width=5\n");
        sim::clear_journal();
        ASSERT_TRUE(RunDisplayCommand(6));
        EXPECT_EQ(Where().right - Where().left, 300) << empty;
        EXPECT_EQ(DebugLevel, 1) << "the log stays on";
        EXPECT_EQ(sim::calls("Sleep"), 6) << "three seconds at the most";
    }
    EXPECT_EQ(Logged("Configuration not read again: it is being saved (or empty); nothing changed"), 2);
    // A file that stays as it is applies after one wait.
    sim::on_sleep(nullptr, nullptr);
    WriteConfig(head + "Width=250\n");
    sim::clear_journal();
    ASSERT_TRUE(RunDisplayCommand(6));
    EXPECT_EQ(Where().right - Where().left, 250);
    EXPECT_EQ(sim::calls("Sleep"), 1);
}

// A module's round dots are round at every size: through the mask (80
// pixels) and, for a cell too large for it, band by band (189 pixels).
class RoundDots : public SurfaceTest {
  protected:
    RoundDots() : SurfaceTest(1000, 1600) {}
};

TEST_F(RoundDots, AreRoundAboveSixtyFourPixels) {
    snprintf(reinterpret_cast<char *>(TextRows[0]), kColumns + 1, "%s", "\xff");
    struct Case {
        int dotSize, zoom, d;
    } cases[] = {{40, 200, 80}, {63, 300, 189}};
    for (const Case &c : cases) {
        WriteConfig("Module=1x1\nModuleDotShape=round\nModuleMargin=0\nModuleBezel=0\n"
                    "ModuleDotGap=1\nModuleDotSize=" + std::to_string(c.dotSize) +
                    "\nZoom=" + std::to_string(c.zoom) + "\n");
        ReadConfigFile();
        int32_t x, y, w, h;
        LoadWorkingLayouts(&x, &y, &w, &h, WorkingLayouts);
        RECT all = {0, 0, width_, height_};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        for (int r = 0; r < kRows; ++r) DrawRow(r, dc_);
        // The first dot: lit where the pixel's centre lies in its circle.
        const COLORREF lit = RGB(ModuleColourSets[0].dot[0], ModuleColourSets[0].dot[1],
                                 ModuleColourSets[0].dot[2]);
        int wrong = 0, outside = 0;
        for (int py = 0; py < c.d; ++py)
            for (int px = 0; px < c.d; ++px) {
                const int dx = 2 * px + 1 - c.d, dy = 2 * py + 1 - c.d;
                const bool in = dx * dx + dy * dy <= c.d * c.d;
                outside += !in;
                wrong += (At(px, py) == lit) != in;
            }
        for (int px = 0; px < c.d; ++px) wrong += At(px, c.d) == lit; // the gap below it
        EXPECT_EQ(wrong, 0) << c.d;
        EXPECT_GT(outside, c.d) << c.d << ": corners left out";
    }
}

TEST_F(Limits, AWindowIsMadeWhereItCanBeSeenAndEachCorrectionIsLoggedOnce) {
    sim::set_frame(0, 0);
    sim::set_ticks(1000);
    sim::set_work_area(0, 0, 1280, 760);
    struct Case {
        const char *config;
        RECT made;
        const char *logged; // after "Window "
    } cases[] = {
        {"Width=-5\nHeight=0\n", {0, 0, 8, 8},
         "-5 x 0 at 0, 0 is outside what can be shown (sizes 8 to 8192, places -30000 to 30000): "
         "8 x 8 at 0, 0 used"},
        {"Width=144390\nHeight=100\nX=10\nY=20\n", {10, 20, 10 + 8192, 120},
         "144390 x 100 at 10, 20 is outside what can be shown (sizes 8 to 8192, places -30000 "
         "to 30000): 8192 x 100 at 10, 20 used"},
        {"Width=200\nHeight=100\nX=2147483647\nY=-2147483648\n", {30000, -30000, 30200, -29900},
         "200 x 100 at 2147483647, -2147483648 is outside what can be shown (sizes 8 to 8192, "
         "places -30000 to 30000): 200 x 100 at 30000, -30000 used"},
        {"Width=200\nHeight=100\nX=2147483647\nY=2147483647\nKeepOnScreen=1\n",
         {1080, 660, 1280, 760}, NULL},
        {"Width=0\nHeight=0\nX=2147483647\nY=2147483647\nKeepOnScreen=1\n",
         {1272, 752, 1280, 760}, NULL},
        {"Width=200\nHeight=100\nX=10\nY=20\n", {10, 20, 210, 120}, NULL}, // as it is
    };
    for (const Case &c : cases) {
        StartWith(std::string("Debug=1\nEndHostOnClose=0\nWatchConfig=1\n") + c.config);
        // A live reread of the same values and a change of the monitors say nothing new.
        WriteConfig(std::string("Debug=1\nEndHostOnClose=0\nWatchConfig=1\n// again\n") + c.config);
        for (int look = 0; look < 3; ++look) {
            sim::advance_ticks(600);
            DISPLAYDLL_Write(const_cast<char *>("x"));
        }
        const int moves = Logged("Window off the screen");
        for (int i = 0; i < 10; ++i) SendMessageA(DisplayWindow, WM_DISPLAYCHANGE, 32, 0);
        EXPECT_EQ(Logged("Window off the screen"), moves) << c.config << ": on the screen now";
        RECT r = Where();
        EXPECT_EQ(r.left, c.made.left) << c.config;
        EXPECT_EQ(r.top, c.made.top) << c.config;
        EXPECT_EQ(r.right, c.made.right) << c.config;
        EXPECT_EQ(r.bottom, c.made.bottom) << c.config;
        if (c.logged) {
            EXPECT_EQ(Logged(std::string("Window ") + c.logged), 1) << c.config;
        }
        DISPLAYDLL_Done();
    }
    EXPECT_EQ(Logged("Window "), Logged("Window off the screen") + Logged("Window closed") + 5)
        << "each correction once";
}

TEST_F(Limits, AWindowLargerThanTheScreenIsMovedOnceNotAtEveryDisplayChange) {
    sim::set_frame(0, 0);
    sim::set_work_area(0, 0, 1280, 760);
    StartWith("Debug=1\nEndHostOnClose=0\nKeepOnScreen=1\nWidth=3000\nHeight=2000\nX=-2900\nY=5\n");
    for (int i = 0; i < 50; ++i) SendMessageA(DisplayWindow, WM_DISPLAYCHANGE, 32, 0);
    EXPECT_EQ(Where().left, 0);
    EXPECT_EQ(Where().top, 0);
    EXPECT_EQ(Logged("Window off the screen"), 1);

    const RECT monitor = {0, 0, 1280, 800}, work = {0, 0, 1280, 760};
    struct Case {
        RECT window;
        bool moves;
        LONG left, top;
    } cases[] = {
        {{5000, 5000, 5000, 5000}, true, 1280, 760}, // nothing to see, far off
        {{-9, 40, -9, 40}, true, 0, 40},
        {{10, 10, 10, 10}, false, 0, 0},             // nothing to see, on the monitor
        {{2000, 9, 2001, 10}, true, 1279, 9},        // one pixel, off it
        {{0, 0, 3000, 2000}, false, 0, 0},           // larger: at the corner already
        {{INT32_MAX - 10, 0, INT32_MAX, 10}, true, 1270, 0},
    };
    for (const Case &c : cases) {
        RECT moved = {1, 2, 3, 4};
        EXPECT_EQ(KeepRectOnScreen(c.window, monitor, work, &moved), c.moves) << c.window.left;
        if (!c.moves) continue;
        EXPECT_EQ(moved.left, c.left) << c.window.left;
        EXPECT_EQ(moved.top, c.top) << c.window.left;
        EXPECT_EQ(moved.right - moved.left, c.window.right - c.window.left);
    }
}

} // namespace
