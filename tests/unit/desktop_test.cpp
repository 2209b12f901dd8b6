// Living on the desktop: a top-most window, a configuration file that
// applies when it is saved, and a host that goes on after the window closes.
#include "config/config.h"
#include "driver/display_memory.h"
#include "driver/tavlora.h"
#include "host/check.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstring>

namespace {

class Desktop : public DriverTest {
  protected:
    void Init(const std::string &config) {
        WriteConfig(config);
        ok_ = 9;
        DISPLAYDLL_Init(0, 0, nullptr, &ok_);
    }
    void Write(const char *text) { DISPLAYDLL_Write(const_cast<char *>(text)); }
    RECT WindowRect() {
        RECT r = {0, 0, 0, 0};
        GetWindowRect(DisplayWindow, &r);
        return r;
    }
    // Pixels of this colour in the window's inside.
    int PixelsOf(COLORREF colour) {
        RECT client;
        GetClientRect(DisplayWindow, &client);
        int n = 0;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) n += sim::window_pixel(DisplayWindow, x, y) == colour;
        return n;
    }
    char ok_ = 0;
};

const char kWatched[] = "Debug=1\nWatchConfig=1\nX=10\nY=20\nWidth=320\nHeight=120\n"
                        "Line1FontHeight=16\nLine1FontWidth=8\nLine1FontColor=255 0 0\n";

TEST_F(Desktop, OnlyStayOnTopMakesTheWindowTopMost) {
    Init("EndHostOnClose=0\nWidth=320\nHeight=120\n");
    EXPECT_EQ(GetWindowLongA(DisplayWindow, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    DISPLAYDLL_Done();
    Init("EndHostOnClose=0\nStayOnTop=1\nWidth=320\nHeight=120\n");
    EXPECT_NE(GetWindowLongA(DisplayWindow, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(Desktop, ASavedFileMovesTheWindowAndRecoloursARowAfterASecond) {
    sim::set_ticks(1000);
    Init(kWatched);
    Write("Hello");
    EXPECT_GT(PixelsOf(RGB(255, 0, 0)), 0);

    // Unchanged: at most one cheap look a second, and no read.
    sim::clear_journal();
    for (int i = 0; i < 10; ++i) {
        sim::advance_ticks(300);
        Write("Hello");
    }
    EXPECT_LE(sim::calls("GetFileAttributesExA"), 3);
    EXPECT_GE(sim::calls("GetFileAttributesExA"), 2);
    EXPECT_EQ(sim::calls("CreateFileA"), 0);

    std::string moved = kWatched;
    moved.replace(moved.find("X=10\nY=20"), 9, "X=150\nY=90");
    moved.replace(moved.find("255 0 0"), 7, "0 255 0");
    moved += "StayOnTop=1\n";
    sim::advance_ticks(1000);
    Write("Hello"); // looks at the file now, so the save below waits a second
    WriteConfig(moved);
    Write("Hello");
    EXPECT_EQ(WindowRect().left, 10) << "not a second since the last look";
    sim::advance_ticks(1000);
    Write("Hello");
    EXPECT_EQ(WindowRect().left, 10) << "seen changed once: not read yet";
    sim::advance_ticks(500);
    Write("Hello");
    RECT r = WindowRect();
    EXPECT_EQ(r.left, 150);
    EXPECT_EQ(r.top, 90);
    EXPECT_EQ(r.right - r.left, 320);
    EXPECT_NE(GetWindowLongA(DisplayWindow, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(PixelsOf(RGB(255, 0, 0)), 0);
    EXPECT_GT(PixelsOf(RGB(0, 255, 0)), 0);
    int readAgain = 0;
    for (const std::string &line : LogLines()) readAgain += line == "Configuration read again";
    EXPECT_EQ(readAgain, 1);
}

TEST_F(Desktop, AFileCaughtHalfSavedChangesNothingUntilItIsWhole) {
    sim::set_ticks(1000);
    Init(kWatched);
    Write("Hello");
    std::string moved = std::string(kWatched) + "X=200\n";

    WriteConfig(""); // an editor that empties the file first
    sim::advance_ticks(1000);
    Write("Hello");
    remove("displays/Tavlora.cfg"); // one that saves by deleting and renaming
    sim::advance_ticks(1000);
    Write("Hello");
    EXPECT_EQ(WindowRect().left, 10);
    EXPECT_GT(PixelsOf(RGB(255, 0, 0)), 0);
    EXPECT_EQ(WorkingLayouts[0].FontColor[0], 255) << "every setting as it was";

    WriteConfig(moved);
    sim::advance_ticks(1000);
    Write("Hello");
    sim::advance_ticks(500);
    Write("Hello");
    EXPECT_EQ(WindowRect().left, 200);
}

TEST_F(Desktop, ASaveInTwoPartsAppliesOnlyWhenItHasStayedTheSameForHalfASecond) {
    sim::set_ticks(1000);
    Init(kWatched);
    Write("Hello");
    std::string whole = std::string(kWatched) + "Width=400\nX=200\n";
    // The first part, then a pause that spans a look, then the rest.
    WriteConfig(std::string(kWatched) + "Width=3");
    sim::advance_ticks(1000);
    Write("Hello");
    WriteConfig(whole);
    sim::advance_ticks(500);
    Write("Hello");
    EXPECT_EQ(WindowRect().left, 10) << "changed since the last look: not read";
    EXPECT_EQ(WindowRect().right - WindowRect().left, 320) << "the first part is never applied";
    sim::advance_ticks(500);
    Write("Hello");
    EXPECT_EQ(WindowRect().left, 200);
    EXPECT_EQ(WindowRect().right - WindowRect().left, 400);
}

TEST_F(Desktop, WithoutEndHostOnCloseTheHostOutlivesTheWindow) {
    const char config[] = "Debug=1\nEndHostOnClose=0\nX=40\nY=30\nWidth=320\nHeight=120\n"
                          "Line1FontHeight=16\nLine1FontWidth=8\nLine1FontColor=0 0 255\n";
    WriteFile("images/Tavlora.jpg", ReadFile(TAVLORA_SOURCE_DIR "/tests/data/corners.jpg"));
    Init(config);
    Write("Hello");
    DISPLAYDLL_Done();
    EXPECT_EQ(DisplayWindow, nullptr);
    EXPECT_EQ(FindWindowA("Tavlora", nullptr), nullptr);

    // No window: writes change display memory only, and leave the host's
    // messages alone.
    PostMessageA(nullptr, WM_USER, 7, 0);
    sim::clear_journal();
    DISPLAYDLL_SetPosition(1, 2);
    Write("Again");
    EXPECT_EQ(sim::calls("PeekMessageA"), 0);
    EXPECT_EQ(sim::calls("BitBlt"), 0);
    EXPECT_EQ(memcmp(TextRows[1], "Again", 5), 0);

    Init(config);
    EXPECT_EQ(ok_, 1);
    ASSERT_NE(DisplayWindow, nullptr);
    EXPECT_EQ(FindWindowA("Tavlora", nullptr), DisplayWindow);
    RECT r = WindowRect();
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.bottom - r.top, 120);
    EXPECT_GT(PixelsOf(RGB(0, 0, 255)), 0) << "the new window shows display memory";
    EXPECT_EQ(sim::calls("OleLoadPicture"), 0);
    for (const std::string &line : LogLines()) EXPECT_EQ(line.find("Error"), std::string::npos) << line;

    // The window's own close button: the window goes, the host stays.
    PostMessageA(DisplayWindow, WM_CLOSE, 0, 0);
    Write("closing");
    EXPECT_EQ(DisplayWindow, nullptr);
    EXPECT_EQ(sim::live_windows(), 0);
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER, PM_REMOVE)) << "the host's message stays";
}

TEST_F(Desktop, AStartAfterDoneRecordsAtOnceAndNumbersFramesFromOne) {
    const char config[] = "EndHostOnClose=0\nWidth=320\nHeight=120\nRecord=1\n"
                          "RecordInterval=100\nRecordFile=f-##.bmp\n";
    sim::set_ticks(1000);
    Init(config);
    EXPECT_TRUE(FileExists("f-01.bmp")) << "the first recording at the start";
    sim::advance_ticks(1000);
    Write("changed");
    EXPECT_FALSE(FileExists("f-02.bmp")) << "the next one waits for the interval";
    DISPLAYDLL_Done();
    remove("f-01.bmp");
    Init(config);
    EXPECT_TRUE(FileExists("f-01.bmp")) << "a new start counts from 1 and records at once";
    EXPECT_FALSE(FileExists("f-02.bmp"));
}

TEST_F(Desktop, TheCheckKnowsTheKeysAndTheDefaultThatEndsTheHost) {
    WriteFile("plain.cfg", "Width=320\n");
    WriteFile("keys.cfg", "StayOnTop=1\nWatchConfig=1\nEndHostOnClose=0\n");
    std::string plain, keys;
    EXPECT_EQ(CheckConfig("plain.cfg", &plain), CheckClean);
    EXPECT_NE(plain.find("StayOnTop = 0, WatchConfig = 0, EndHostOnClose = 1"), std::string::npos)
        << plain;
    EXPECT_EQ(CheckConfig("keys.cfg", &keys), CheckClean) << keys;
    EXPECT_NE(keys.find("line 3: EndHostOnClose = 0"), std::string::npos) << keys;
    EXPECT_NE(keys.find("StayOnTop = 1, WatchConfig = 1, EndHostOnClose = 0"), std::string::npos);
}

} // namespace
