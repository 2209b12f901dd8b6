// The display's menu on the simulated platform: where it opens, what each
// zoom row does and shows, opening the configuration file, and reading the
// configuration again, which starts or stops the watching as the file now
// says and applies a save once.
#include "driver/tavlora.h"
#include "screen/menu.h"
#include "screen/window.h"
#include "screen/window_proc.h"
#include "test_support.h"

#include <cstdio>

namespace {

class MenuCommands : public DriverTest {
  protected:
    void Start(const std::string &config) {
        StartWith("Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\nPicture=\n" + config);
    }
    void TearDown() override {
        DISPLAYDLL_Done();
        DriverTest::TearDown();
    }
    // The user picks `id` from the menu; the pick arrives as a message.
    void Pick(UINT id) {
        sim::pick_menu_command(id);
        ScreenWndProc(DisplayWindow, WM_CONTEXTMENU, 0, -1);
        DISPLAYDLL_SetPosition(1, 1);
    }
    // The rows the last menu opened showed checked, from its journal.
    std::vector<std::string> Checked() {
        std::vector<std::string> rows;
        for (const std::string &call : sim::journal())
            if (call.rfind("AppendMenuA(", 0) == 0 && call.find(", 0x8, ") != std::string::npos)
                rows.push_back(call.substr(call.find(", 0x8, ") + 7));
        return rows;
    }
    RECT Client() {
        RECT r = {0, 0, 0, 0};
        GetClientRect(DisplayWindow, &r);
        return r;
    }
    LONG Left() {
        RECT r = {0, 0, 0, 0};
        GetWindowRect(DisplayWindow, &r);
        return r.left;
    }
    // Refreshes for `seconds`, as a host that writes twice a second.
    void Run(int seconds) {
        for (int i = 0; i < 2 * seconds; ++i) {
            sim::advance_ticks(500);
            DISPLAYDLL_Write(const_cast<char *>("x"));
        }
    }
};

// Each zoom row gives its zoom and is the one row the next menu checks;
// the command is logged and WM_COMMAND answered as handled.
TEST_F(MenuCommands, EachZoomRowZoomsAndIsTheOneChecked) {
    sim::set_frame(0, 0);
    Start("Zoom=100\n");
    const struct {
        UINT id;
        int zoom;
        const char *row;
    } rows[] = {{10, 50, "10, Zoom &50 %)"},   {12, 150, "12, Zoom 15&0 %)"},
                {13, 200, "13, Zoom &200 %)"}, {14, 300, "14, Zoom &300 %)"},
                {11, 100, "11, Zoom &100 %)"}};
    int picked = 0;
    for (const auto &r : rows) {
        SCOPED_TRACE(r.row);
        Pick(r.id);
        ++picked;
        EXPECT_EQ(Client().right, 2 * r.zoom);
        EXPECT_EQ(Client().bottom, r.zoom);
        EXPECT_EQ(Logged("Menu Zoom"), picked);
        sim::clear_journal();
        Pick(0);
        EXPECT_EQ(Checked(), std::vector<std::string>{r.row});
    }
    EXPECT_EQ(ScreenWndProc(DisplayWindow, WM_COMMAND, 13, 0), 0);
    EXPECT_EQ(Client().right, 400);
}

// The menu opens at the click's point, at the window's top-left corner for
// the keyboard (-1, -1 only); it takes the foreground unless the window
// never activates. A menu that cannot be made shows nothing and says so.
TEST_F(MenuCommands, TheMenuOpensWhereTheUserAskedForIt) {
    sim::set_frame(0, 0);
    const struct {
        UINT message;
        int x, y;           // the point the message carries
        int atX, atY;       // where the menu opens
        int noActivate;
    } cases[] = {
        {WM_CONTEXTMENU, -1, -1, 30, 40, 0}, {WM_CONTEXTMENU, -300, 50, -300, 50, 0},
        {WM_CONTEXTMENU, -1, 50, -1, 50, 1},  {WM_CONTEXTMENU, 50, -1, 50, -1, 0},
        {WM_NCRBUTTONUP, -1, -1, -1, -1, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.message << " at " << c.x << ", " << c.y);
        Start("X=30\nY=40\nNoActivate=" + std::to_string(c.noActivate) + "\n");
        sim::clear_journal();
        ScreenWndProc(DisplayWindow, c.message, 0,
                      static_cast<LPARAM>(static_cast<WORD>(c.x) |
                                          static_cast<DWORD>(static_cast<WORD>(c.y)) << 16));
        const int at = sim::find_call("TrackPopupMenu(");
        ASSERT_GE(at, 0);
        char where[32];
        snprintf(where, sizeof where, ", %d, %d, ", c.atX, c.atY);
        EXPECT_NE(sim::journal()[at].find(where), std::string::npos) << sim::journal()[at];
        EXPECT_EQ(sim::calls("SetForegroundWindow"), c.noActivate ? 0 : 1);
        EXPECT_EQ(sim::calls("DestroyMenu"), 1);
        DISPLAYDLL_Done();
    }
    EXPECT_EQ(Logged("Error"), 0);
    Start("");
    sim::fail_call("CreatePopupMenu", 1, ERROR_NOT_ENOUGH_MEMORY);
    sim::clear_journal();
    ScreenWndProc(DisplayWindow, WM_CONTEXTMENU, 0, -1);
    EXPECT_EQ(sim::calls("TrackPopupMenu"), 0);
    EXPECT_EQ(Logged("Error Error from CreatePopupMenu"), 1);
}

// "Open the configuration file": its own program, Notepad when it has
// none, and a failure said as one.
TEST_F(MenuCommands, OpeningTheFileFallsBackToNotepadAndSaysHowItWent) {
    Start("");
    const struct {
        int failing;      // calls of ShellExecuteA that fail: 1 the first, -1 every one
        DWORD code;       // with this code
        int calls;
        const char *logged;
    } cases[] = {
        {0, 0, 1, "Configuration displays/Tavlora.cfg opened (42)"},
        {1, 31, 2, "Configuration displays/Tavlora.cfg opened (42)"},
        {-1, 31, 2, "Error displays/Tavlora.cfg could not be opened (31)"},
        {1, 2, 1, "Error displays/Tavlora.cfg could not be opened (2)"},
        {1, 32, 1, "Error displays/Tavlora.cfg could not be opened (32)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.logged);
        if (c.failing) sim::fail_call("ShellExecuteA", c.failing < 0 ? 0 : 1, c.code);
        sim::clear_journal();
        const int before = Logged(c.logged);
        Pick(5);
        sim::clear_faults();
        EXPECT_EQ(sim::calls("ShellExecuteA"), c.calls);
        EXPECT_GE(sim::find_call("ShellExecuteA((nil), open, displays/Tavlora.cfg, (null)"), 0);
        const int notepad =
            sim::find_call("ShellExecuteA((nil), open, notepad.exe, displays/Tavlora.cfg");
        EXPECT_EQ(notepad >= 0, c.calls == 2);
        EXPECT_EQ(Logged(c.logged), before + 1);
    }
}

// "Read the configuration again" with a file that newly says WatchConfig=1
// starts the watching: the next save applies by itself, and the save the
// menu applied is not applied again (the window the user then moves stays).
// With WatchConfig=0 the watching stops.
TEST_F(MenuCommands, ReadingAgainStartsAndStopsTheWatchingAsTheFileSays) {
    sim::set_ticks(1000);
    sim::set_frame(0, 0);
    int save = 0;
    // Each save a size of its own: the watcher sees it changed.
    auto config = [&save](int watch, int x) {
        return "Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\nWatchConfig=" +
               std::to_string(watch) + "\nX=" + std::to_string(x) + "\n//" +
               std::string(++save, '-') + "\n";
    };
    StartWith(config(0, 10));
    WriteConfig(config(1, 100));
    Run(3);
    EXPECT_EQ(Left(), 10) << "not watched yet";
    Pick(6);
    EXPECT_EQ(Left(), 100);
    EXPECT_EQ(Logged("Configuration read again"), 1);
    SetWindowPos(DisplayWindow, nullptr, 500, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Run(4);
    EXPECT_EQ(Left(), 500) << "applied once";
    WriteConfig(config(1, 200));
    Run(3);
    EXPECT_EQ(Left(), 200) << "watched now";
    EXPECT_EQ(Logged("Configuration read again"), 2);

    WriteConfig(config(0, 300));
    Pick(6);
    EXPECT_EQ(Left(), 300);
    WriteConfig(config(0, 400));
    Run(4);
    EXPECT_EQ(Left(), 300) << "no longer watched";
    EXPECT_EQ(Logged("Configuration read again"), 3);
}

// "Stay on top" switched on and off says nothing; "Save place now" when
// the window's place cannot be had writes no place and says why.
TEST_F(MenuCommands, APlaceThatCannotBeHadIsNotSaved) {
    Start("X=30\nY=40\n");
    Pick(1);
    Pick(1);
    EXPECT_EQ(Logged("Error"), 0);
    sim::fail_call("GetWindowRect", 1, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_TRUE(RunDisplayCommand(3));
    EXPECT_FALSE(FileExists("displays/Tavlora.place"));
    EXPECT_EQ(Logged("Error Error from GetWindowRect"), 1);
    EXPECT_TRUE(RunDisplayCommand(3));
    EXPECT_TRUE(FileExists("displays/Tavlora.place"));
}

} // namespace
