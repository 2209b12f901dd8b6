// The real DLL called as hosts call it beyond one call at a time: from the
// host's timer while the user holds the menu open or moves the window (the
// system's own loop runs inside the host's call), and from two threads.
#include "wine_support.h"

#include "driver/tavlora.h"

namespace {

// The driver loaded into this test program, which is the host.
class HostCalls : public DriverInProcess {
  protected:
    HWND Start(const std::string &config) {
        return StartDriver("Debug=1\nEndHostOnClose=0\nPicture=\nX=100\nY=100\nWidth=320\nHeight=200\n"
                    "Line1X=0\nLine1Y=0\nLine2X=0\nLine2Y=60\nLine1FontHeight=20\n"
                    "Line2FontHeight=20\nLine1FontWidth=10\nLine2FontWidth=10\n"
                    "Line1FontColor=255 255 255\nLine2FontColor=255 255 255\n"
                    "Line1FontBkColor=0 0 255\nLine2FontBkColor=0 0 255\n" + config);
    }
    int LogCount(const char *part) const {
        int n = 0;
        for (const std::string &line : LogLines()) n += line.find(part) != std::string::npos;
        return n;
    }
};

// Row 1 or 2 shows white text on the window (rows are 60 pixels apart).
bool RowShowsText(HWND window, int row) {
    HDC dc = GetDC(window);
    int white = 0;
    for (int y = (row - 1) * 60; y < (row - 1) * 60 + 20; ++y)
        for (int x = 0; x < 200; x += 2) white += Near(GetPixel(dc, x, y), RGB(255, 255, 255), 60);
    ReleaseDC(window, dc);
    return white > 10;
}

// The host's timer, ticking inside the menu's or the move's own loop.
struct TimerRun {
    HostCalls *host;
    HWND window;
    WPARAM endKey; // the key that ends the loop: Escape for the menu, Return for a move
    int ticks;
    bool shownAtOnce;
    bool missedItsKey; // the loop never saw its key: ended from the outside
};
TimerRun Timer;

// Each tick writes; the user's keys for the loop arrive meanwhile, and
// must be left for it.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    int tick = ++Timer.ticks;
    if (tick == 4 || tick == 5) PostMessageA(Timer.window, WM_KEYDOWN, VK_RIGHT, 0);
    if (tick == 6) PostMessageA(Timer.window, WM_KEYDOWN, Timer.endKey, 0);
    if (tick <= 6) {
        Timer.host->position_(1, 2);
        Timer.host->write_(const_cast<char *>("#######"));
    }
    if (tick == 3) Timer.shownAtOnce = RowShowsText(Timer.window, 2);
    if (tick == 60) {
        Timer.missedItsKey = true;
        EndMenu();
        PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, Timer.endKey, 0);
    }
}

TEST_F(HostCalls, WritesFromTheTimerWhileTheMenuIsOpenOrTheWindowMovesAreShown) {
    HWND window = Start("Frame=1\n");
    ASSERT_NE(window, nullptr);
    struct Case {
        const char *name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        WPARAM endKey;
    } cases[] = {
        {"menu", WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(150, 150), VK_ESCAPE},
        {"move", WM_SYSCOMMAND, SC_MOVE, 0, VK_RETURN},
    };
    for (const Case &c : cases) {
        for (UINT row : {1u, 2u}) {
            position_(1, row);
            Write("");
            ASSERT_FALSE(RowShowsText(window, row)) << c.name;
        }
        Timer = TimerRun{this, window, c.endKey, 0, false, false};
        RECT before, after;
        GetWindowRect(window, &before);
        UINT_PTR timer = SetTimer(NULL, 0, 30, Tick);
        position_(1, 1);
        PostMessageA(window, c.message, c.wParam, c.lParam);
        Write("outer"); // the loop runs in here until its key ends it
        KillTimer(NULL, timer);
        MSG left; // keys no loop took
        while (PeekMessageA(&left, NULL, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {
        }
        EXPECT_GE(Timer.ticks, 6) << c.name << ": the loop ran the timer";
        EXPECT_FALSE(Timer.missedItsKey) << c.name << ": a nested call took the loop's key";
        EXPECT_TRUE(Timer.shownAtOnce) << c.name;
        EXPECT_TRUE(RowShowsText(window, 1)) << c.name << ": the outer call's text";
        EXPECT_TRUE(RowShowsText(window, 2)) << c.name;
        GetWindowRect(window, &after);
        if (c.message == WM_SYSCOMMAND) {
            EXPECT_GT(after.left, before.left) << "moved by its keys";
        }
    }
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(LogCount("Error"), 0);
}

// Two host threads write at once: the window's thread shows what the other
// stored, at its next call; nothing else touches the window or the recording.
struct OtherThread {
    HostCalls *host;
    volatile LONG stop;
    LONG calls;
};

DWORD WINAPI WriteUntilStopped(void *argument) {
    OtherThread *other = static_cast<OtherThread *>(argument);
    char glyph[8] = {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F};
    while (!InterlockedCompareExchange(&other->stop, 0, 0)) {
        other->host->position_(1, 2);
        other->host->write_(const_cast<char *>("##########"));
        other->host->glyph_(1, glyph);
        ++other->calls;
        Sleep(1);
    }
    other->host->position_(1, 2);
    other->host->write_(const_cast<char *>("")); // its last word: row 2 emptied
    return 0;
}

TEST_F(HostCalls, TwoThreadsWriteAtOnceAndTheWindowsThreadShowsTheOthersText) {
    HWND window = Start("Record=1\nRecordInterval=0\nRecordFile=rec.bmp\n");
    ASSERT_NE(window, nullptr);
    OtherThread other = {this, 0, 0};
    HANDLE thread = CreateThread(NULL, 0, WriteUntilStopped, &other, 0, NULL);
    ASSERT_NE(thread, nullptr);
    bool shownMeanwhile = false;
    ULONGLONG end = GetTickCount64() + 3000;
    while (GetTickCount64() < end) {
        position_(1, 1);
        Write("main");
        shownMeanwhile = shownMeanwhile || (other.calls > 0 && RowShowsText(window, 2));
    }
    InterlockedExchange(&other.stop, 1);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_GT(other.calls, 10);
    EXPECT_TRUE(shownMeanwhile) << "the other thread's text, shown by this thread's calls";
    EXPECT_TRUE(RowShowsText(window, 2)) << "the other thread left the window alone";
    Write("");
    EXPECT_FALSE(RowShowsText(window, 2)) << "this thread's next call shows the emptied row";
    EXPECT_TRUE(ReadCapture(ReadFile("rec.bmp")).valid);
    EXPECT_EQ(LogCount("Error"), 0);
    EXPECT_EQ(LogCount("another thread"), 1);
}

} // namespace
