// The simulated windows and messages behave as Windows does where the driver
// relies on it.
#include "platform/platform.h"
#include "test_support.h"

#include <string>
#include <vector>

namespace {

// What the test window procedure saw, in order, and how it answers.
struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
    BOOL stillAWindow; // IsWindow during the call
};
std::vector<Seen> seen;
bool eraseHandled = false;  // WM_ERASEBKGND answered 1 without drawing
bool paintValidates = true; // WM_PAINT goes to DefWindowProcA

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back(Seen{window, message, wParam, IsWindow(window)});
    if (message == WM_ERASEBKGND && eraseHandled) return 1;
    if (message == WM_PAINT && !paintValidates) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

int countSeen(UINT message) {
    int n = 0;
    for (const Seen &s : seen) n += s.message == message;
    return n;
}

const DWORD kPopupWithCaption = WS_POPUP | WS_CAPTION | WS_SYSMENU;

class SimUser : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        seen.clear();
        eraseHandled = false;
        paintValidates = true;
    }

    ATOM Register(const char *name, HBRUSH background = nullptr) {
        WNDCLASSEXA c = {};
        c.cbSize = sizeof c;
        c.lpfnWndProc = RecordingProc;
        c.hbrBackground = background;
        c.lpszClassName = name;
        return RegisterClassExA(&c);
    }

    HWND Create(DWORD style, int width = 200, int height = 100, const char *title = "Test") {
        return CreateWindowExA(0, "TestClass", title, style, 10, 20, width, height, nullptr,
                               nullptr, nullptr, nullptr);
    }

    // Takes every waiting message for `filter` and dispatches it; the
    // messages taken, in order.
    std::vector<UINT> Pump(HWND filter, int limit = 20) {
        std::vector<UINT> taken;
        MSG m;
        while (limit-- > 0 && PeekMessageA(&m, filter, 0, 0, PM_REMOVE)) {
            taken.push_back(m.message);
            DispatchMessageA(&m);
        }
        return taken;
    }
};

TEST_F(SimUser, ClassesAreRegisteredOnceAndNeededForWindows) {
    EXPECT_NE(Register("TestClass"), 0);
    EXPECT_EQ(Register("testclass"), 0) << "class names ignore case";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    WNDCLASSEXA wrongSize = {};
    wrongSize.cbSize = sizeof wrongSize - 4;
    wrongSize.lpszClassName = "Other";
    EXPECT_EQ(RegisterClassExA(&wrongSize), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    EXPECT_EQ(CreateWindowExA(0, "Missing", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));

    HWND window = Create(WS_POPUP);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(UnregisterClassA("TestClass", nullptr)) << "a class with windows stays";
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(UnregisterClassA("TestClass", nullptr));
    EXPECT_FALSE(UnregisterClassA("TestClass", nullptr));
    EXPECT_NE(Register("TestClass"), 0) << "registered again after unregistering";
}

TEST_F(SimUser, CreationSendsCreateAndSizeAndShowsWhenAsked) {
    Register("TestClass");
    HWND hidden = Create(WS_POPUP);
    ASSERT_NE(hidden, nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_SIZE));
    EXPECT_FALSE(IsWindowVisible(hidden));

    HWND shown = Create(WS_POPUP | WS_VISIBLE);
    EXPECT_TRUE(IsWindowVisible(shown));
    EXPECT_EQ(countSeen(WM_SHOWWINDOW), 1);
    EXPECT_EQ(sim::live_windows(), 2);
}

TEST_F(SimUser, CaptionAndBorderMakeTheClientAreaSmaller) {
    Register("TestClass");
    HWND framed = Create(kPopupWithCaption, 400, 300);
    RECT r;
    ASSERT_TRUE(GetWindowRect(framed, &r));
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 410);
    EXPECT_EQ(r.bottom, 320);
    ASSERT_TRUE(GetClientRect(framed, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 400 - 2 * 3);
    EXPECT_EQ(r.bottom, 300 - 20 - 2 * 3);

    HWND bare = Create(WS_POPUP, 400, 300);
    ASSERT_TRUE(GetClientRect(bare, &r));
    EXPECT_EQ(r.right, 400);
    EXPECT_EQ(r.bottom, 300);

    HWND thin = Create(WS_POPUP | WS_BORDER, 400, 300);
    ASSERT_TRUE(GetClientRect(thin, &r));
    EXPECT_EQ(r.right, 398);
    EXPECT_EQ(r.bottom, 298);

    sim::set_frame(4, 30);
    HWND tiny = Create(kPopupWithCaption, 5, 20);
    ASSERT_TRUE(GetClientRect(tiny, &r));
    EXPECT_EQ(r.right, 0) << "never negative";
    EXPECT_EQ(r.bottom, 0);
    EXPECT_EQ(GetSystemMetrics(4), 30); // SM_CYCAPTION follows the frame
}

TEST_F(SimUser, AWindowFilterLeavesOtherMessagesAndQuitQueued) {
    Register("TestClass");
    HWND a = Create(WS_POPUP);
    HWND b = Create(WS_POPUP);
    ASSERT_TRUE(PostMessageA(b, WM_USER + 2, 0, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 3, 0, 0)); // a thread message
    PostQuitMessage(7);
    ASSERT_TRUE(PostMessageA(a, WM_USER + 1, 11, 22));

    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, a, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, a);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(m.wParam, 11u);
    EXPECT_EQ(m.lParam, 22);
    EXPECT_FALSE(PeekMessageA(&m, a, 0, 0, PM_REMOVE)) << "b's, the thread's and the quit stay";

    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2)) << "PM_NOREMOVE leaves it first in line";
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, b);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 3));
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT)) << "the quit comes after posted messages";
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(SimUser, MessageRangesAndBadWindowsFilter) {
    Register("TestClass");
    HWND a = Create(WS_POPUP);
    PostMessageA(a, WM_USER, 0, 0);
    PostMessageA(a, WM_CLOSE, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, a, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_CLOSE));
    EXPECT_FALSE(PeekMessageA(&m, a, WM_CLOSE, WM_CLOSE, PM_REMOVE));

    HWND made_up = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
    EXPECT_FALSE(PeekMessageA(&m, made_up, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PostMessageA(made_up, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(SimUser, DestroyWindowSendsDestroyBeforeReturningAndDropsQueuedMessages) {
    Register("TestClass");
    HWND window = Create(WS_POPUP | WS_VISIBLE);
    PostMessageA(window, WM_USER, 0, 0);
    seen.clear();
    ASSERT_TRUE(DestroyWindow(window));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_TRUE(seen[0].stillAWindow) << "the window exists while its WM_DESTROY runs";
    EXPECT_FALSE(IsWindow(window));
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "its messages went with it";
    EXPECT_EQ(sim::live_windows(), 0);

    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(DestroyWindow(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(SimUser, CloseRequestsDestroyTheWindowThroughDefWindowProc) {
    Register("TestClass");
    HWND posted = Create(WS_POPUP);
    PostMessageA(posted, WM_CLOSE, 0, 0);
    Pump(posted);
    EXPECT_FALSE(IsWindow(posted));
    EXPECT_EQ(countSeen(WM_DESTROY), 1);

    HWND commanded = Create(WS_POPUP);
    SendMessageA(commanded, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(commanded));
    EXPECT_EQ(countSeen(WM_CLOSE), 2);
}

TEST_F(SimUser, ShowingAWindowQueuesAPaintUntilItIsValidated) {
    Register("TestClass");
    HWND window = Create(WS_POPUP);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, window, 0, 0, PM_REMOVE)) << "hidden: nothing to paint";

    EXPECT_FALSE(ShowWindow(window, SW_SHOWNORMAL)) << "it was hidden";
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE, WS_VISIBLE);
    paintValidates = false;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(PeekMessageA(&m, window, 0, 0, PM_REMOVE));
        EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
        DispatchMessageA(&m);
    }
    paintValidates = true;
    std::vector<UINT> taken = Pump(window);
    EXPECT_EQ(taken, std::vector<UINT>{WM_PAINT}) << "DefWindowProcA validates";

    EXPECT_TRUE(ShowWindow(window, SW_SHOWNORMAL)) << "it was visible";
    EXPECT_TRUE(ShowWindow(window, SW_RESTORE));
    EXPECT_TRUE(Pump(window).empty()) << "no change, no paint";

    InvalidateRect(window, nullptr, FALSE);
    PostMessageA(window, WM_USER, 0, 0);
    taken = Pump(window);
    EXPECT_EQ(taken, (std::vector<UINT>{WM_USER, WM_PAINT})) << "posted messages come first";
}

TEST_F(SimUser, BeginPaintValidatesAndClipsToTheInvalidArea) {
    Register("TestClass");
    HWND window = Create(WS_POPUP | WS_VISIBLE, 100, 50);
    eraseHandled = true;
    Pump(window);

    RECT part = {10, 10, 20, 15};
    InvalidateRect(window, &part, FALSE);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(ps.hdc, dc);
    EXPECT_EQ(ps.rcPaint.left, 10);
    EXPECT_EQ(ps.rcPaint.bottom, 15);
    EXPECT_FALSE(ps.fErase);
    EXPECT_EQ(sim::live_dcs(), 1);
    RECT all = {0, 0, 100, 50};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(window, &ps);
    EXPECT_EQ(sim::live_dcs(), 0);
    EXPECT_EQ(sim::window_pixel(window, 10, 10), RGB(0, 0, 0));
    EXPECT_EQ(sim::window_pixel(window, 19, 14), RGB(0, 0, 0));
    EXPECT_EQ(sim::window_pixel(window, 20, 14), RGB(255, 255, 255)) << "outside the paint area";
    EXPECT_EQ(sim::window_pixel(window, 9, 10), RGB(255, 255, 255));
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, window, 0, 0, PM_REMOVE)) << "validated";

    // Outside WM_PAINT there is nothing to paint: BeginPaint's context draws nothing.
    dc = BeginPaint(window, &ps);
    EXPECT_EQ(ps.rcPaint.right - ps.rcPaint.left, 0);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    EndPaint(window, &ps);
    EXPECT_EQ(sim::window_pixel(window, 50, 25), RGB(255, 255, 255));
}

TEST_F(SimUser, ErasingUsesTheClassBrushOrLeavesItToThePainter) {
    Register("TestClass");
    WNDCLASSEXA c = {};
    c.cbSize = sizeof c;
    c.lpfnWndProc = RecordingProc;
    c.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    c.lpszClassName = "Brushed";
    ASSERT_NE(RegisterClassExA(&c), 0);

    HWND brushed = CreateWindowExA(0, "Brushed", "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 30, nullptr,
                                   nullptr, nullptr, nullptr);
    PAINTSTRUCT ps;
    BeginPaint(brushed, &ps);
    EXPECT_FALSE(ps.fErase) << "DefWindowProcA erased with the class brush";
    EndPaint(brushed, &ps);
    EXPECT_EQ(sim::window_pixel(brushed, 0, 0), RGB(128, 128, 128));
    EXPECT_EQ(sim::window_pixel(brushed, 39, 29), RGB(128, 128, 128));

    HWND plain = Create(WS_POPUP | WS_VISIBLE);
    BeginPaint(plain, &ps);
    EXPECT_TRUE(ps.fErase) << "no class brush: still to erase";
    EndPaint(plain, &ps);
    EXPECT_EQ(sim::window_pixel(plain, 0, 0), RGB(255, 255, 255));
}

TEST_F(SimUser, MinimizedWindowsShowNothingAndRestoringRepaints) {
    Register("TestClass");
    HWND window = Create(kPopupWithCaption | WS_VISIBLE, 200, 100);
    Pump(window);
    HDC dc = GetDC(window);
    RECT all = {0, 0, 200, 100};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(sim::window_pixel(window, 5, 5), RGB(0, 0, 0));

    seen.clear();
    EXPECT_TRUE(ShowWindow(window, SW_MINIMIZE));
    EXPECT_TRUE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
    ASSERT_EQ(countSeen(WM_SIZE), 1);
    EXPECT_EQ(seen.back().wParam, 1u); // SIZE_MINIMIZED
    RECT r;
    GetClientRect(window, &r);
    EXPECT_EQ(r.right, 0);
    EXPECT_EQ(r.bottom, 0);
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, -32000);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, window, 0, 0, PM_REMOVE));
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    EXPECT_EQ(GetPixel(dc, 5, 5), CLR_INVALID) << "nothing of it shows";

    ShowWindow(window, SW_RESTORE);
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(sim::window_pixel(window, 5, 5), RGB(255, 255, 255)) << "the drawing was lost";
    ASSERT_TRUE(PeekMessageA(&m, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(ReleaseDC(window, dc), 1);
    EXPECT_EQ(ReleaseDC(window, dc), 0);
}

TEST_F(SimUser, HiddenWindowsTakeNoDrawingAndExposureRepaints) {
    Register("TestClass");
    HWND window = Create(WS_POPUP, 50, 40);
    HDC dc = GetDC(window);
    RECT all = {0, 0, 50, 40};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(sim::window_pixel(window, 1, 1), RGB(255, 255, 255));

    ShowWindow(window, SW_SHOWNORMAL);
    Pump(window);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(sim::window_pixel(window, 1, 1), RGB(0, 0, 0));
    sim::expose_window(window);
    EXPECT_EQ(sim::window_pixel(window, 1, 1), RGB(255, 255, 255));
    PAINTSTRUCT ps;
    ASSERT_NE(BeginPaint(window, &ps), nullptr);
    EXPECT_EQ(ps.rcPaint.right, 50);
    EXPECT_EQ(ps.rcPaint.bottom, 40);
    EXPECT_TRUE(ps.fErase);
    EndPaint(window, &ps);
    ReleaseDC(window, dc);

    EXPECT_TRUE(ShowWindow(window, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(ShowWindow(window, SW_HIDE));
    EXPECT_FALSE(ShowWindow(window, 99));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SimUser, AFailedBeginPaintLeavesTheWindowToPaint) {
    Register("TestClass");
    HWND window = Create(WS_POPUP | WS_VISIBLE);
    sim::fail_call("BeginPaint", 1, ERROR_NOT_ENOUGH_MEMORY);
    PAINTSTRUCT ps;
    EXPECT_EQ(BeginPaint(window, &ps), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(sim::live_dcs(), 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, window, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    EXPECT_NE(BeginPaint(window, &ps), nullptr);
    EndPaint(window, &ps);

    sim::fail_call("CreateWindowExA", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(Create(WS_POPUP), nullptr);
    EXPECT_EQ(sim::live_windows(), 1);
}

TEST_F(SimUser, ScreenMetricsAndFindingWindows) {
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 800);
    sim::set_virtual_screen(-1920, -100, 3200, 1180);
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -1920);
    EXPECT_EQ(GetSystemMetrics(SM_YVIRTUALSCREEN), -100);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 3200);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1180);

    Register("TestClass");
    HWND titled = Create(WS_POPUP, 10, 10, "Tavlora Display");
    HWND other = Create(WS_POPUP, 10, 10, "");
    EXPECT_EQ(FindWindowA("TestClass", nullptr), titled);
    EXPECT_EQ(FindWindowA(nullptr, "tavlora display"), titled);
    EXPECT_EQ(FindWindowA("TESTCLASS", ""), other);
    EXPECT_EQ(FindWindowA("Nothing", nullptr), nullptr);
}

} // namespace
