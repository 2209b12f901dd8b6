// Living on the desktop: a top-most window, a configuration file that
// applies when it is saved, and a host that goes on after the window closes.
#include "config/config.h"
#include "driver/display_memory.h"
#include "driver/tavlora.h"
#include "host/check.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstring>
#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>

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
    // Saves the file as an editor would, a second after the last save (a
    // last-write time of its own, whatever the file system's resolution),
    // and lets the host write for three seconds in steps of 0.6 s: time for
    // the watcher to see the save, see it settled and read it.
    void Save(const std::string &config) {
        WriteConfig(config);
        struct timespec times[2] = {{0, UTIME_OMIT}, {1700000000 + ++saves_, 0}};
        utimensat(AT_FDCWD, "displays/Tavlora.cfg", times, 0);
        Wait(3000);
    }
    void Wait(int milliseconds) {
        for (int t = 0; t < milliseconds; t += 600) {
            sim::advance_ticks(600);
            DISPLAYDLL_SetPosition(1, 1);
            Write("Hello"); // the same text: nothing to repaint for it
        }
    }
    bool TopMost() { return (GetWindowLongA(DisplayWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
    int LogCount(const std::string &line) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l == line;
        return n;
    }
    char ok_ = 0;
    int saves_ = 0;
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

// A start while another program saves the file in two parts: the first
// part is not taken for the file (its X= and Width= missing), and the
// watch goes on from the version read. A file saved long ago costs no wait.
void WriteTheRest(void *context) {
    std::string &rest = *static_cast<std::string *>(context);
    if (rest.empty()) return;
    std::ofstream("displays/Tavlora.cfg", std::ios::binary | std::ios::app) << rest;
    rest.clear();
}

TEST_F(Desktop, AStartDuringASaveInPartsReadsTheWholeFileAndAnOldFileAtOnce) {
    sim::set_ticks(1000);
    std::string whole = std::string(kWatched) + "EndHostOnClose=0\nWidth=400\nX=200\n";
    std::string rest = whole.substr(whole.size() - 10);
    WriteConfig(whole.substr(0, whole.size() - 10));
    utimensat(AT_FDCWD, "displays/Tavlora.cfg", nullptr, 0); // saved just now
    sim::on_sleep(WriteTheRest, &rest);
    DISPLAYDLL_Init(0, 0, nullptr, &ok_);
    sim::on_sleep(nullptr, nullptr);
    EXPECT_EQ(WindowRect().left, 200);
    EXPECT_EQ(WindowRect().right - WindowRect().left, 400);
    Wait(3000);
    EXPECT_EQ(LogCount("Configuration read again"), 0) << "the version read is not read again";
    DISPLAYDLL_Done();

    Save(std::string(kWatched) + "EndHostOnClose=0\n"); // written "long ago"
    sim::clear_journal();
    DISPLAYDLL_Init(0, 0, nullptr, &ok_);
    EXPECT_EQ(sim::calls("Sleep"), 0);
    EXPECT_EQ(WindowRect().left, 10);
    DISPLAYDLL_Done();

    WriteConfig(""); // an empty file saved long ago is no save under way
    sim::clear_journal();
    DISPLAYDLL_Init(0, 0, nullptr, &ok_);
    EXPECT_EQ(sim::calls("Sleep"), 0);
}

// At a start a file written less than two seconds ago is looked at again
// 20 ms after its read; one written two seconds ago is read at once.
TEST_F(Desktop, AFileWrittenUnderTwoSecondsBeforeAStartIsLookedAtAgain) {
    sim::set_ticks(1000);
    const long long now = 1700000000;
    const struct {
        long long seconds;
        long nanoseconds;
        int sleeps;
    } cases[] = {{now - 2, 1000000, 1}, {now - 2, 0, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.nanoseconds);
        WriteConfig(std::string(kWatched) + "EndHostOnClose=0\nX=200\n");
        struct timespec times[2] = {{0, UTIME_OMIT}, {c.seconds, c.nanoseconds}};
        utimensat(AT_FDCWD, "displays/Tavlora.cfg", times, 0);
        sim::set_system_time(now, 0);
        sim::clear_journal();
        DISPLAYDLL_Init(0, 0, nullptr, &ok_);
        EXPECT_EQ(sim::calls("Sleep"), c.sleeps);
        EXPECT_EQ(WindowRect().left, 200);
        DISPLAYDLL_Done();
    }
}

// A file saved again and again while the driver starts: read as it is
// after a second, and watched from the version read.
void SaveAgain(void *context) {
    int &saves = *static_cast<int *>(context);
    char text[160];
    snprintf(text, sizeof text, "%sEndHostOnClose=0\nX=%d\n", kWatched, 100 + ++saves);
    std::ofstream("displays/Tavlora.cfg", std::ios::binary) << text;
    struct timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
    utimensat(AT_FDCWD, "displays/Tavlora.cfg", times, 0);
}

TEST_F(Desktop, AFileThatNeverHoldsStillIsReadAsItIsAfterASecond) {
    sim::set_ticks(1000);
    int saves = 0;
    WriteConfig(""); // the folder
    SaveAgain(&saves);
    sim::on_sleep(SaveAgain, &saves);
    DISPLAYDLL_Init(0, 0, nullptr, &ok_);
    sim::on_sleep(nullptr, nullptr);
    EXPECT_EQ(GetTickCount64(), 1000u + 1000u) << "tried for a second";
    EXPECT_EQ(WindowRect().left, 100 + saves) << "the last save, read as it is";
    Wait(3000);
    EXPECT_EQ(LogCount("Configuration read again"), 0);
    DISPLAYDLL_Done();
}

// What a saved file sets while the host runs, as the window shows it.
struct Look {
    int x, y, width, height, onTop, hidden;
    COLORREF colour; // row 1's text
};

std::string WatchedConfig(const Look &l, const char *more = "") {
    char text[400];
    snprintf(text, sizeof text,
             "Debug=1\nWatchConfig=1\nX=%d\nY=%d\nWidth=%d\nHeight=%d\nStayOnTop=%d\n"
             "DontShowWindow=%d\nLine1FontHeight=16\nLine1FontWidth=8\nLine1FontColor=%d %d %d\n%s",
             l.x, l.y, l.width, l.height, l.onTop, l.hidden, GetRValue(l.colour),
             GetGValue(l.colour), GetBValue(l.colour), more);
    return text;
}

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0);
const Look kFirst = {10, 20, 320, 120, 0, 0, kRed};

// Each setting saved on its own, then saved back; every step checks the
// whole window, so a setting that undoes another shows too.
TEST_F(Desktop, EveryLiveSettingAppliesWhenSavedAndWhenSavedBack) {
    const Look steps[] = {
        {10, 20, 320, 120, 1, 0, kRed},   // on top
        {10, 20, 320, 120, 0, 0, kRed},   // and not
        {10, 20, 320, 120, 0, 1, kRed},   // hidden
        {10, 20, 320, 120, 0, 0, kRed},   // and shown
        {150, 90, 400, 200, 0, 0, kRed},  // moved and resized
        {10, 20, 320, 120, 0, 0, kRed},   // and back
        {10, 20, 320, 120, 0, 0, kGreen}, // only a colour: the same text drawn anew
        {10, 20, 320, 120, 0, 0, kRed},
        {10, 20, 320, 120, 1, 1, kGreen}, // all at once
        {10, 20, 320, 120, 0, 0, kRed},
    };
    sim::set_ticks(1000);
    Init(WatchedConfig(kFirst));
    Write("Hello");
    int step = 0;
    for (const Look &l : steps) {
        Save(WatchedConfig(l));
        RECT r = WindowRect();
        std::vector<long> shown = {r.left, r.top, r.right - r.left, r.bottom - r.top, TopMost(),
                                   !IsWindowVisible(DisplayWindow)};
        EXPECT_EQ(shown, (std::vector<long>{l.x, l.y, l.width, l.height, l.onTop, l.hidden})) << step;
        if (!l.hidden) {
            EXPECT_GT(PixelsOf(l.colour), 0) << step;
            EXPECT_EQ(PixelsOf(l.colour == kRed ? kGreen : kRed), 0) << step;
        }
        ++step;
    }
    EXPECT_EQ(LogCount("Configuration read again"), step);
    EXPECT_EQ(Logged("Error Error from"), 0);
}

// A save applied is read once: the window the user then moves stays where
// it was put, and the file is only looked at.
TEST_F(Desktop, AnAppliedSaveIsReadOnceAndWatchConfigZeroEndsTheWatching) {
    sim::set_ticks(1000);
    Init(WatchedConfig(kFirst));
    Write("Hello");
    Look moved = kFirst;
    moved.x = 150;
    Save(WatchedConfig(moved));
    ASSERT_EQ(WindowRect().left, 150);
    SetWindowPos(DisplayWindow, nullptr, 500, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    sim::clear_journal();
    Wait(10000);
    EXPECT_EQ(WindowRect().left, 500) << "read again and applied again";
    EXPECT_EQ(LogCount("Configuration read again"), 1);
    EXPECT_GE(sim::calls("GetFileAttributesExA"), 5) << "still watched";

    // Saved with WatchConfig=0: applied, and the last save that is.
    moved.x = 200;
    Save(WatchedConfig(moved, "WatchConfig=0\n"));
    EXPECT_EQ(WindowRect().left, 200);
    moved.x = 300;
    sim::clear_journal();
    Save(WatchedConfig(moved));
    Wait(5000);
    EXPECT_EQ(WindowRect().left, 200);
    EXPECT_EQ(sim::calls("GetFileAttributesExA"), 0);
    EXPECT_EQ(LogCount("Configuration read again"), 2);
}

// A file emptied by an editor half-way through its save is not read; one
// that changes under the read (the look after it finds it otherwise) is
// undone. Either way every setting and the debug level stay as they were,
// and the file is read when whole.
TEST_F(Desktop, AnEmptySaveAndOneChangedUnderTheReadLeaveEverySettingAsItWas) {
    const Look other = {150, 90, 400, 200, 1, 1, kGreen};
    // No Debug= line: read, it would stop the log.
    std::string changed = WatchedConfig(other, "Record=1\nRecordInterval=9\nRecordFile=x.bmp\n"
                                               "Line2X=40\nLine3Dots=1\nLine4FontName=Arial\n");
    changed.erase(0, changed.find('\n') + 1);
    for (bool empty : {true, false}) {
        sim::set_ticks(1000);
        Init(WatchedConfig(kFirst));
        Write("Hello");
        const ScreenSettingsRecord screen = ScreenSettings;
        LineLayout rows[4];
        memcpy(rows, ConfiguredLayouts, sizeof rows);
        if (empty) {
            Save("");
        } else {
            const char undone[] = "Configuration not read whole (being saved?); tried again in a second";
            const int reads = LogCount("Configuration read again"), undos = LogCount(undone);
            WriteConfig(changed);
            // The second look at the file within one refresh is the one
            // after a read: it finds the file changed.
            for (int i = 0; i < 40 && LogCount(undone) == undos; ++i) {
                sim::fail_call("GetFileAttributesExA", 2, ERROR_SHARING_VIOLATION);
                sim::advance_ticks(100);
                DISPLAYDLL_SetPosition(1, 1);
                Write("Hello");
                sim::clear_faults();
            }
            ASSERT_EQ(LogCount(undone), undos + 1);
            ASSERT_EQ(LogCount("Configuration read again"), reads);
        }
        EXPECT_EQ(memcmp(&screen, &ScreenSettings, sizeof screen), 0) << empty;
        EXPECT_EQ(memcmp(rows, ConfiguredLayouts, sizeof rows), 0) << empty;
        EXPECT_EQ(WindowRect().left, 10) << empty;
        EXPECT_FALSE(TopMost()) << empty;
        EXPECT_GT(PixelsOf(kRed), 0) << empty;
        DISPLAYDLL_CustomCharIndex(3);
        EXPECT_EQ(LogLines().back().compare(0, 26, "DISPLAYDLL_CustomCharIndex"), 0)
            << empty << ": the log goes on";

        Save(changed);
        EXPECT_EQ(WindowRect().left, 150) << empty;
        EXPECT_TRUE(TopMost()) << empty;
        EXPECT_EQ(ConfiguredLayouts[1].X, 40) << empty;
        EXPECT_EQ(DebugLevel, 0) << empty;
        // Back to the first file for the next case.
        DebugLevel = 1;
        Save(WatchedConfig(kFirst));
    }
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
    EXPECT_EQ(sim::calls("OleLoadPicture"), 1) << "released at Done, loaded with the window";
    for (const std::string &line : LogLines()) EXPECT_EQ(line.find("Error"), std::string::npos) << line;

    // The window's own close button: the window goes, the host stays.
    PostMessageA(DisplayWindow, WM_CLOSE, 0, 0);
    Write("closing");
    EXPECT_EQ(DisplayWindow, nullptr);
    EXPECT_EQ(sim::live_windows(), 0);
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER, PM_REMOVE)) << "the host's message stays";
}

// A host may unload the driver after Done, however the window went: the
// class, the picture and the open log file go with it.
TEST_F(Desktop, DoneLeavesNothingBehindEvenAfterTheCloseButton) {
    const char config[] = "Debug=1\nEndHostOnClose=0\nWidth=320\nHeight=120\n";
    WriteFile("images/Tavlora.jpg", ReadFile(TAVLORA_SOURCE_DIR "/tests/data/corners.jpg"));
    for (int closeButton = 0; closeButton < 2; ++closeButton) {
        Init(config);
        Write("Hello");
        ASSERT_EQ(sim::live_pictures(), 1);
        if (closeButton) {
            PostMessageA(DisplayWindow, WM_CLOSE, 0, 0);
            Write("closing");
            ASSERT_EQ(DisplayWindow, nullptr);
        }
        sim::clear_journal();
        DISPLAYDLL_Done();
        EXPECT_EQ(sim::live_pictures(), 0) << closeButton;
        EXPECT_GE(sim::find_call("UnregisterClassA(Tavlora"), 0) << closeButton;
        EXPECT_FALSE(UnregisterClassA("Tavlora", GetModuleHandleA("Tavlora"))) << "gone already";
    }
    // The log was closed at each Done and appended to at the next start.
    std::vector<std::string> log = LogLines();
    int opened = 0, closed = 0;
    for (const std::string &line : log) {
        opened += line.rfind("Log File opened for", 0) == 0;
        closed += line == "**** Done Called **** Closed";
    }
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(log.back(), "**** Done Called **** Closed");
    for (const std::string &line : log) EXPECT_EQ(line.find("Error"), std::string::npos) << line;
}

TEST_F(Desktop, AStartAfterDoneRecordsAtOnceAndGoesOnNumberingFrames) {
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
    EXPECT_TRUE(FileExists("f-02.bmp")) << "a new start records at once, as the next frame";
    EXPECT_FALSE(FileExists("f-01.bmp")) << "the earlier start's frames are not overwritten";
}

// The count a driver unloaded earlier in this process left behind goes on;
// one a parent process passed down in the environment does not.
TEST_F(Desktop, FramesGoOnAfterAReloadInTheSameProcessOnly) {
    const char config[] = "Width=320\nHeight=120\nRecord=1\nRecordFile=f-##.bmp\n";
    char left[64];
    snprintf(left, sizeof left, "%lu:41", static_cast<unsigned long>(GetCurrentProcessId() + 1));
    SetEnvironmentVariableA("TAVLORA_FRAMES_Tavlora", left);
    Init(config);
    EXPECT_TRUE(FileExists("f-01.bmp")) << "another process's count";
    // Kept for a reload of the driver in this process.
    char expected[64], kept[64] = "";
    snprintf(expected, sizeof expected, "%lu:1", static_cast<unsigned long>(GetCurrentProcessId()));
    GetEnvironmentVariableA("TAVLORA_FRAMES_Tavlora", kept, sizeof kept);
    EXPECT_STREQ(kept, expected);
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
