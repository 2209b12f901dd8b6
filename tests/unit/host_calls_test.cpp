// Host calls made where the window cannot be used as usual: from inside the
// menu's own message loop (the host's timer writes while the menu is open),
// and from a thread other than the window's.
#include "driver/display_memory.h"
#include "driver/tavlora.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstring>

namespace {

const char kConfig[] = "Debug=1\nEndHostOnClose=0\nPicture=\nWidth=200\nHeight=100\nRecord=1\n"
                       "RecordInterval=-1\nRecordFile=rec.bmp\nLine1X=20\nLine1Y=10\n"
                       "Line2X=20\nLine2Y=50\nLine1FontColor=255 0 0\nLine2FontColor=255 0 0\n"
                       "Line1FontBkColor=0 0 0\nLine2FontBkColor=0 0 0\nLine1FontHeight=20\n"
                       "Line2FontHeight=20\nLine1FontWidth=16\nLine2FontWidth=16\n";
const COLORREF kRed = RGB(255, 0, 0);

class HostCalls : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        sim::set_frame(0, 0);
        StartWith(kConfig);
        char full[8];
        memset(full, 0x1F, sizeof full);
        DISPLAYDLL_CustomChar(1, full);
        WriteAt(1, 1, "");
    }
    void TearDown() override {
        sim::set_current_thread(1);
        DISPLAYDLL_Done();
        DriverTest::TearDown();
    }
    // Row 1 or 2 shows glyph 1, a full block.
    static bool Shows(int row) {
        return sim::window_pixel(DisplayWindow, 22, row == 1 ? 12 : 52) == kRed;
    }
    int Logged(const char *part) {
        int n = 0;
        for (const std::string &line : LogLines()) n += line.find(part) != std::string::npos;
        return n;
    }
};

// What the timer's calls saw while the menu was open.
bool ShownAtOnce, KeyLeftForTheMenu;

void TimerWritesWhileTheMenuIsOpen() {
    PostMessageA(DisplayWindow, WM_KEYDOWN, 0x1B, 0); // Escape: the user's key, for the menu
    DISPLAYDLL_SetPosition(1, 2);
    DISPLAYDLL_Write(const_cast<char *>("\x01"));
    ShownAtOnce = sim::window_pixel(DisplayWindow, 22, 52) == kRed;
    MSG message;
    KeyLeftForTheMenu = PeekMessageA(&message, DisplayWindow, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE);
}

// The host's call opens the menu; its timer writes while the menu is open:
// both texts land where each call put them, the timer's shows at once, and
// the menu's own messages stay for the menu.
TEST_F(HostCalls, AWriteWhileTheMenuIsOpenShowsAtOnceAndLeavesTheMenuItsKeys) {
    ShownAtOnce = KeyLeftForTheMenu = false;
    sim::call_while_menu_open(TimerWritesWhileTheMenuIsOpen);
    DISPLAYDLL_SetPosition(1, 1);
    PostMessageA(DisplayWindow, WM_CONTEXTMENU, 0, -1);
    sim::clear_journal();
    DISPLAYDLL_Write(const_cast<char *>("\x01")); // the menu opens in this call
    EXPECT_GE(sim::calls("TrackPopupMenu"), 1);
    EXPECT_TRUE(ShownAtOnce);
    EXPECT_TRUE(KeyLeftForTheMenu);
    EXPECT_STREQ(reinterpret_cast<char *>(TextRows[0]), "\x01");
    EXPECT_STREQ(reinterpret_cast<char *>(TextRows[1]), "\x01");
    EXPECT_TRUE(Shows(1));
    EXPECT_TRUE(Shows(2));
    EXPECT_EQ(Logged("Error"), 0);
}

// Another thread's calls only change display memory; the window, its
// repaint and its recording wait for the window's thread, which shows them
// at its next write. Said once in the log.
TEST_F(HostCalls, AnotherThreadsCallsAreShownByTheWindowsThread) {
    sim::clear_journal();
    sim::set_current_thread(2);
    char top[8] = {0x1F, 0, 0, 0, 0, 0, 0, 0};
    DISPLAYDLL_CustomChar(2, top);
    for (int i = 0; i < 3; ++i) WriteAt(1, 2, "\x01\x02");
    EXPECT_STREQ(reinterpret_cast<char *>(TextRows[1]), "\x01\x02");
    EXPECT_EQ(GlyphStore[2][0], 0x1F);
    for (const char *call : {"PeekMessageA", "BeginPaint", "BitBlt", "CreateFileA", "ShowWindow"})
        EXPECT_EQ(sim::calls(call), 0) << call;
    EXPECT_FALSE(Shows(2));
    EXPECT_EQ(Logged("another thread"), 1) << "once";

    sim::set_current_thread(1);
    WriteAt(1, 1, "\x01");
    EXPECT_TRUE(Shows(1));
    EXPECT_TRUE(Shows(2));
    EXPECT_EQ(sim::window_pixel(DisplayWindow, 22 + 16, 52), kRed) << "its glyph too";
    EXPECT_GE(sim::calls("CreateFileA"), 1) << "recorded by the window's thread";
    EXPECT_EQ(Logged("another thread"), 1);
    EXPECT_EQ(Logged("Error"), 0);
}

} // namespace
