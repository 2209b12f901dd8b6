// The display as a desktop widget, with the real DLL loaded into this test
// program: its styles from the settings and their live changes, dragging a
// frameless window, snapping, and the right-click menu.
#include "wine_support.h"

#include "driver/tavlora.h"

namespace {

// The driver started in the test's folder, as a host in that folder would.
class Widget : public DriverInProcess {
  protected:
    // Starts the driver with this configuration (the host goes on when the
    // window closes) and returns its window.
    HWND Start(const std::string &config) { return StartDriver("EndHostOnClose=0\n" + config); }
};

DWORD ExStyle(HWND window) { return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)); }
DWORD Style(HWND window) { return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)); }

LRESULT HitAtCentre(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return SendMessageA(window, WM_NCHITTEST, 0,
                        MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
}

// A frameless window keeps the inside of the framed one: Width= and
// Height= are the size of the window with its title bar and border.
SIZE FramedInside(int width, int height) {
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, 0x80C80000, FALSE, 0);
    return SIZE{width - (frame.right - frame.left), height - (frame.bottom - frame.top)};
}

const char kWidget[] = "WatchConfig=1\nX=100\nY=100\nWidth=200\nHeight=100\nFrame=0\n"
                       "NoActivate=1\nTaskbarButton=0\nOpacity=50\n"
                       "TransparentColor=255 0 255\nSnapDistance=10\n";
const char kWindow[] = "WatchConfig=1\nX=100\nY=100\nWidth=200\nHeight=100\nFrame=1\n"
                       "NoActivate=0\nTaskbarButton=1\nOpacity=100\n"
                       "TransparentColor=-1 -1 -1\nClickThrough=1\nSnapDistance=0\n";

void ExpectWidget(HWND window) {
    EXPECT_EQ(Style(window) & WS_CAPTION, 0u) << "frameless";
    DWORD ex = ExStyle(window);
    EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW) << "no taskbar button";
    EXPECT_TRUE(ex & WS_EX_LAYERED);
    EXPECT_FALSE(ex & WS_EX_TRANSPARENT) << "clicks land on the window";
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(flags, DWORD(LWA_ALPHA | LWA_COLORKEY));
    EXPECT_EQ(alpha, 127);
    EXPECT_EQ(key, RGB(255, 0, 255));
    EXPECT_EQ(HitAtCentre(window), HTCAPTION) << "the whole window drags";
    EXPECT_EQ(SendMessageA(window, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(window),
                           MAKELPARAM(HTCAPTION, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    EXPECT_EQ(client.right, FramedInside(200, 100).cx);
    EXPECT_EQ(client.bottom, FramedInside(200, 100).cy);
    EXPECT_EQ(outer.right - outer.left, client.right) << "no border";
    EXPECT_EQ(outer.bottom - outer.top, client.bottom) << "no title bar";
}

TEST_F(Widget, StylesFollowTheSettingsAndChangeLiveOnTheSameWindow) {
    HWND window = Start(kWidget);
    ASSERT_NE(window, nullptr);
    ExpectWidget(window);

    // A drag that would end 5 pixels from the work area's left edge ends
    // on it; one 15 pixels away stays where the user put it.
    MONITORINFO monitor = {sizeof monitor, {}, {}, 0};
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT &work = monitor.rcWork;
    RECT close = {work.left + 5, work.top + 40, work.left + 205, work.top + 140};
    SendMessageA(window, WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&close));
    EXPECT_EQ(close.left, work.left);
    EXPECT_EQ(close.right, work.left + 200);
    EXPECT_EQ(close.top, work.top + 40);
    RECT away = {work.left + 15, work.top + 40, work.left + 215, work.top + 140};
    SendMessageA(window, WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&away));
    EXPECT_EQ(away.left, work.left + 15);

    // Saved while the host runs: an ordinary window again, click-through.
    WriteConfig(std::string("EndHostOnClose=0\n") + kWindow);
    Sleep(1100);
    Write("a");
    Sleep(600);
    Write("b");
    EXPECT_EQ(FindWindowA("Tavlora", NULL), window) << "the same window";
    EXPECT_TRUE(Style(window) & WS_CAPTION);
    DWORD ex = ExStyle(window);
    EXPECT_FALSE(ex & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW));
    EXPECT_EQ(ex & (WS_EX_LAYERED | WS_EX_TRANSPARENT), DWORD(WS_EX_LAYERED | WS_EX_TRANSPARENT));
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(flags, DWORD(LWA_ALPHA));
    EXPECT_EQ(alpha, 255);
    EXPECT_EQ(HitAtCentre(window), HTCLIENT);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, 200) << "the outer size stays the configured one";

    // And back, by the menu's "Read the configuration again".
    WriteConfig(std::string("EndHostOnClose=0\n") + kWidget + "ClickThrough=0\n");
    PostMessageA(window, WM_COMMAND, 6, 0);
    position_(1, 1);
    EXPECT_EQ(FindWindowA("Tavlora", NULL), window);
    ExpectWidget(window);
}

// PNG's width and height, from its header chunk.
bool PngSize(const std::string &png, int *width, int *height) {
    if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return false;
    auto at = [&](size_t i) {
        return (static_cast<unsigned char>(png[i]) << 24) |
               (static_cast<unsigned char>(png[i + 1]) << 16) |
               (static_cast<unsigned char>(png[i + 2]) << 8) | static_cast<unsigned char>(png[i + 3]);
    };
    *width = static_cast<int>(at(16));
    *height = static_cast<int>(at(20));
    return true;
}

TEST_F(Widget, TheRightClickMenuSavesAPicture) {
    HWND window = Start("X=60\nY=60\nWidth=240\nHeight=120\nFrame=0\nDebug=1\n"
                        "Line1X=0\nLine1Y=0\nLine1FontHeight=20\nLine1FontWidth=10\n"
                        "Line1FontColor=255 255 255\nLine1FontBkColor=0 0 255\n");
    ASSERT_NE(window, nullptr);
    Write("menu");
    // A right-click on a frameless window arrives as a click on its title
    PostMessageA(window, WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(100, 100));
    // bar; then the key that picks "Save a picture" (as the menu reads it,
    // translated), and Escape for a menu that missed it.
    PostMessageA(window, WM_CHAR, 'p', 0);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    position_(1, 1); // the menu runs in this call's message processing
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(Path("screenshots\\Tavlora-*.png").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "no picture saved";
    FindClose(find);
    std::string name = found.cFileName;
    EXPECT_EQ(name.size(), std::string("Tavlora-20240101-120000.png").size()) << name;
    int width = 0, height = 0;
    ASSERT_TRUE(PngSize(ReadFile("screenshots\\" + name), &width, &height));
    EXPECT_EQ(width, FramedInside(240, 120).cx) << "the window's inside";
    EXPECT_EQ(height, FramedInside(240, 120).cy);
    bool logged = false;
    for (const std::string &line : LogLines())
        logged = logged || line.find("Screenshot screenshots\\" + name) != std::string::npos;
    EXPECT_TRUE(logged);
}

} // namespace
