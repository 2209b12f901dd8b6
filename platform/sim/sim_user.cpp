// Simulated user32: window classes, windows, the message queue, painting and
// the screen's metrics.
//
// One thread's worth of windowing: every window belongs to the calling
// thread, and there is one message queue. Windows are top-level and never
// overlap; a window's client area keeps its pixels in a surface of its own
// that the drawing part (sim_gdi.cpp) draws on through window device contexts.
//
// What the driver relies on and this part does as Windows does:
// - A window with a caption has a title bar and a border: its client area is
//   smaller than its window rectangle (see sim::set_frame).
// - Painting is driven by an invalid area per window. WM_PAINT is not queued:
//   PeekMessageA makes one when no posted message is waiting and a window
//   that shows has an invalid area, and goes on making it until the window is
//   validated (BeginPaint, or DefWindowProcA's WM_PAINT).
// - A window that becomes visible, or is restored from the taskbar, has lost
//   what was drawn on it: its client area turns white and all of it is
//   invalid, to be erased.
// - A hidden or minimized window shows nothing: drawing on it changes nothing.
// - Thread messages and WM_QUIT are taken only by a PeekMessageA without a
//   window filter.
#include "sim_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <new>
#include <strings.h>

// Win32 names this part needs beyond the shared header (which may come to define them).
#ifndef ERROR_CLASS_DOES_NOT_EXIST
#define ERROR_CLASS_DOES_NOT_EXIST 1411
#endif
#ifndef ERROR_CLASS_HAS_WINDOWS
#define ERROR_CLASS_HAS_WINDOWS 1412
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413
#endif
#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813
#endif
#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814
#endif
#ifndef ERROR_NOT_ENOUGH_QUOTA
#define ERROR_NOT_ENOUGH_QUOTA 1816
#endif
#ifndef WS_CHILD
#define WS_CHILD 0x40000000u
#endif
#ifndef WS_MINIMIZE
#define WS_MINIMIZE 0x20000000u
#endif
#ifndef WS_CLIPSIBLINGS
#define WS_CLIPSIBLINGS 0x04000000u
#endif
#ifndef WS_EX_DLGMODALFRAME
#define WS_EX_DLGMODALFRAME 0x00000001u
#endif
#ifndef WS_EX_WINDOWEDGE
#define WS_EX_WINDOWEDGE 0x00000100u
#endif
#ifndef SIZE_RESTORED
#define SIZE_RESTORED 0
#endif
#ifndef SIZE_MINIMIZED
#define SIZE_MINIMIZED 1
#endif
#ifndef WM_SYSKEYDOWN
#define WM_SYSKEYDOWN 0x0104
#endif
#ifndef WM_KEYUP
#define WM_KEYUP 0x0101
#endif
#ifndef WM_SYSKEYUP
#define WM_SYSKEYUP 0x0105
#endif
#ifndef CW_USEDEFAULT
#define CW_USEDEFAULT ((int)0x80000000)
#endif

namespace sim {
namespace {

// Handles are tagged numbers: the kind in the top byte, a serial number below.
const uintptr_t kWindowTag = 0x01;
const uintptr_t kIconTag = 0x02;
const uintptr_t kCursorTag = 0x03;

// Windows keeps at most this many posted messages in a thread's queue.
const size_t kQueueLimit = 10000;
// Window sizes are kept to 16-bit coordinates, and a client area to what a
// 32-bit process could hold.
const int kMaxWindowSide = 32767;
const int64_t kMaxClientPixels = 64 * 1024 * 1024;
// Where Windows puts a minimized top-level window, and its size there.
const int kIconicPosition = -32000;
const int kIconicWidth = 160;
const int kIconicHeight = 28;
// Pixels of a client area nothing has been drawn on yet.
const uint32_t kUnpainted = 0xFFFFFF;

struct WindowClass {
    std::string name;
    ATOM atom;
    UINT style;
    WNDPROC procedure;
    HINSTANCE instance;
    HBRUSH background;
    int windows;
};

struct Window {
    ATOM atom;
    std::string title;
    DWORD style; // without WS_VISIBLE and WS_MINIMIZE: see visible, minimized
    DWORD exStyle;
    WNDPROC procedure;
    RECT rect; // the window rectangle when not minimized, screen coordinates
    int clientWidth;
    int clientHeight;
    bool visible;
    bool minimized;
    bool destroying;
    DWORD thread; // the thread that created it
    RECT invalid; // the area to paint, client coordinates; empty when valid
    bool erase;   // its background is still to be erased
    Surface client;
};

// The Win32 CREATESTRUCTA that WM_CREATE points to.
struct CreateStruct {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

struct User {
    std::vector<WindowClass> classes;
    ATOM nextAtom = 0xC000;
    std::map<uintptr_t, Window> windows; // by handle: creation order
    std::deque<MSG> posted;
    bool quit = false;
    int quitCode = 0;
    RECT virtualScreen = {0, 0, 1280, 800};
    RECT workArea = {0, 0, 0, 0};
    bool workAreaSet = false;
    bool secondMonitor = false;
    RECT second = {0, 0, 0, 0}; // the second monitor and its work area
    RECT secondWork = {0, 0, 0, 0};
    int border = 3;
    int caption = 20;
};

User &user() {
    static User u;
    return u;
}

// Not reset with the rest: handles of windows from before a reset stay invalid.
uintptr_t nextSerial = 1;

uintptr_t newHandle(uintptr_t tag) {
    uintptr_t serial = nextSerial;
    nextSerial = nextSerial >= 0xFFFFFF ? 1 : nextSerial + 1;
    return (tag << 24) | serial;
}

uintptr_t key(HWND window) {
    return reinterpret_cast<uintptr_t>(window);
}

Window *findWindow(HWND window) {
    auto it = user().windows.find(key(window));
    return it == user().windows.end() ? nullptr : &it->second;
}

// A class name is either text or an atom in the low word (MAKEINTATOM).
bool isAtom(LPCSTR name) {
    return (reinterpret_cast<uintptr_t>(name) >> 16) == 0;
}

// A name as journal entries show it: the text, "#n" for an atom, "(null)".
std::string nameText(LPCSTR name) {
    if (!name) return "(null)";
    char text[64];
    if (isAtom(name)) {
        snprintf(text, sizeof text, "#%u",
                 static_cast<unsigned>(reinterpret_cast<uintptr_t>(name)));
        return text;
    }
    return name;
}

// The class a name means for a module, as Windows finds it: a null module
// or a class registered without one matches any module.
WindowClass *findClass(LPCSTR name, HINSTANCE instance) {
    if (!name) return nullptr;
    for (WindowClass &c : user().classes) {
        bool same = isAtom(name) ? c.atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(name))
                                 : strcasecmp(c.name.c_str(), name) == 0;
        if (same && (!instance || !c.instance || c.instance == instance)) return &c;
    }
    return nullptr;
}

WindowClass *classOfAtom(ATOM atom) {
    for (WindowClass &c : user().classes)
        if (c.atom == atom) return &c;
    return nullptr;
}

const char *messageName(UINT message, char *buffer, size_t size) {
    switch (message) {
    case WM_NULL:
        return "WM_NULL";
    case WM_CREATE:
        return "WM_CREATE";
    case WM_DESTROY:
        return "WM_DESTROY";
    case WM_SIZE:
        return "WM_SIZE";
    case WM_PAINT:
        return "WM_PAINT";
    case WM_CLOSE:
        return "WM_CLOSE";
    case WM_QUIT:
        return "WM_QUIT";
    case WM_ERASEBKGND:
        return "WM_ERASEBKGND";
    case WM_SHOWWINDOW:
        return "WM_SHOWWINDOW";
    case WM_KEYDOWN:
        return "WM_KEYDOWN";
    case WM_CHAR:
        return "WM_CHAR";
    case WM_SYSCOMMAND:
        return "WM_SYSCOMMAND";
    case WM_TIMER:
        return "WM_TIMER";
    default:
        if (message >= WM_USER && message < 0x8000)
            snprintf(buffer, size, "WM_USER+%u", message - WM_USER);
        else
            snprintf(buffer, size, "0x%04X", message);
        return buffer;
    }
}

// The window's handle, message name and parameters, as journal entries show them.
std::string messageText(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    char name[32], text[160];
    snprintf(text, sizeof text, "%p, %s, %lu, %ld", static_cast<void *>(window),
             messageName(message, name, sizeof name), static_cast<unsigned long>(wParam),
             static_cast<long>(lParam));
    return text;
}

bool isEmpty(const RECT &r) {
    return r.left >= r.right || r.top >= r.bottom;
}

RECT intersect(const RECT &a, const RECT &b) {
    RECT r = {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
              a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    if (isEmpty(r)) r = RECT{0, 0, 0, 0};
    return r;
}

RECT unite(const RECT &a, const RECT &b) {
    if (isEmpty(a)) return b;
    if (isEmpty(b)) return a;
    return RECT{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

// The client rectangle as GetClientRect reports it: empty while minimized.
RECT clientRect(const Window &w) {
    if (w.minimized) return RECT{0, 0, 0, 0};
    return RECT{0, 0, w.clientWidth, w.clientHeight};
}

bool shows(const Window &w) {
    return w.visible && !w.minimized;
}

void invalidate(Window &w, const RECT &area, bool erase) {
    RECT r = intersect(area, clientRect(w));
    if (isEmpty(r)) return;
    w.invalid = unite(w.invalid, r);
    if (erase) w.erase = true;
}

// What was drawn on the window is gone: all of it must be painted again.
void loseContents(Window &w) {
    std::fill(w.client.pixels.begin(), w.client.pixels.end(), kUnpainted);
    invalidate(w, clientRect(w), true);
}

// Calls the window's procedure; 0 when the window is gone or has none.
// The window may be destroyed by the call: nothing of it is kept across.
LRESULT callProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window *w = findWindow(window);
    if (!w || !w->procedure) return 0;
    WNDPROC procedure = w->procedure;
    return procedure(window, message, wParam, lParam);
}

bool destroyWindow(HWND window) {
    Window *w = findWindow(window);
    if (!w) return false;
    if (w->destroying) return true; // asked again while its WM_DESTROY runs
    w->destroying = true;
    w->visible = false; // hidden first, without WM_SHOWWINDOW, as Windows does
    callProcedure(window, WM_DESTROY, 0, 0);
    User &u = user();
    for (auto it = u.posted.begin(); it != u.posted.end();)
        it = it->hwnd == window ? u.posted.erase(it) : it + 1;
    w = findWindow(window);
    if (w) {
        if (WindowClass *c = classOfAtom(w->atom)) --c->windows;
        u.windows.erase(key(window));
    }
    return true;
}

// ShowWindow's work; returns whether the window was visible before.
bool showWindow(HWND window, int command) {
    Window *w = findWindow(window);
    bool wasVisible = w->visible;
    bool wasMinimized = w->minimized;
    bool show = command != SW_HIDE;
    bool minimize = wasMinimized;
    switch (command) {
    case SW_HIDE:
    case 5: // SW_SHOW
    case 8: // SW_SHOWNA
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case 7:  // SW_SHOWMINNOACTIVE
    case 11: // SW_FORCEMINIMIZE
        minimize = true;
        break;
    default: // SW_SHOWNORMAL, SW_MAXIMIZE, SW_SHOWNOACTIVATE, SW_RESTORE, SW_SHOWDEFAULT
        minimize = false;
        break;
    }
    if (show != wasVisible) {
        callProcedure(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        if (!(w = findWindow(window))) return wasVisible;
        w->visible = show;
    }
    if (minimize != wasMinimized) {
        w->minimized = minimize;
        LPARAM size = minimize ? 0 : static_cast<LPARAM>((w->clientHeight << 16) | w->clientWidth);
        callProcedure(window, WM_SIZE, minimize ? SIZE_MINIMIZED : SIZE_RESTORED, size);
        if (!(w = findWindow(window))) return wasVisible;
    }
    bool showedBefore = wasVisible && !wasMinimized;
    if (shows(*w) && !showedBefore) loseContents(*w);
    return wasVisible;
}

// The border width and caption height a window of this style has.
void frameOf(DWORD style, int *border, int *caption) {
    const User &u = user();
    *caption = (style & WS_CAPTION) == WS_CAPTION ? u.caption : 0;
    if (*caption || (style & (WS_DLGFRAME | WS_THICKFRAME)))
        *border = u.border;
    else if (style & WS_BORDER)
        *border = 1;
    else
        *border = 0;
}

int clampSide(int value) {
    if (value == CW_USEDEFAULT || value < 0) return 0;
    return value > kMaxWindowSide ? kMaxWindowSide : value;
}

// The client size of a window of this style and outer size (clamped in
// place); false, with the last error set, when it is too large to keep.
bool clientSizeOf(DWORD style, int *width, int *height, int *clientWidth, int *clientHeight) {
    *width = clampSide(*width);
    *height = clampSide(*height);
    int border, caption;
    frameOf(style, &border, &caption);
    *clientWidth = *width - 2 * border > 0 ? *width - 2 * border : 0;
    *clientHeight = *height - caption - 2 * border > 0 ? *height - caption - 2 * border : 0;
    if (static_cast<int64_t>(*clientWidth) * *clientHeight > kMaxClientPixels) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

bool matchesRange(UINT message, UINT first, UINT last) {
    if (first == 0 && last == 0) return true;
    return message >= first && message <= last;
}

// A window filter of (HWND)-1 means thread messages only, as in Windows.
bool threadOnly(HWND filter) {
    return filter == reinterpret_cast<HWND>(static_cast<intptr_t>(-1));
}

bool matchesWindow(HWND messageWindow, HWND filter) {
    if (!filter) return true;
    if (threadOnly(filter)) return messageWindow == nullptr;
    return messageWindow == filter;
}

// BeginPaint's work: the paint context, with the paint structure filled.
HDC beginPaint(HWND window, PAINTSTRUCT *paint) {
    Window *w = findWindow(window);
    RECT area = intersect(w->invalid, clientRect(*w));
    bool erase = w->erase;
    w->invalid = RECT{0, 0, 0, 0};
    w->erase = false;
    HDC dc = open_window_dc(window, &area);
    if (!dc) return nullptr;
    BOOL notErased = FALSE;
    if (erase)
        notErased = callProcedure(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
    memset(paint, 0, sizeof *paint);
    paint->hdc = dc;
    paint->fErase = notErased;
    paint->rcPaint = area;
    return dc;
}

} // namespace

void reset_user() {
    user() = User();
}

bool window_surface(HWND window, Surface **surface, RECT *showing) {
    Window *w = findWindow(window);
    if (!w) return false;
    *surface = &w->client;
    *showing = shows(*w) ? RECT{0, 0, w->clientWidth, w->clientHeight} : RECT{0, 0, 0, 0};
    return true;
}

SIZE screen_size() {
    const RECT &s = user().virtualScreen;
    return SIZE{s.right - s.left, s.bottom - s.top};
}

void set_virtual_screen(int left, int top, int width, int height) {
    user().virtualScreen = RECT{left, top, left + width, top + height};
}

void set_work_area(int left, int top, int width, int height) {
    user().workArea = RECT{left, top, left + width, top + height};
    user().workAreaSet = true;
}

void add_monitor(int left, int top, int width, int height, int taskbar) {
    user().second = RECT{left, top, left + width, top + height};
    user().secondWork = RECT{left, top, left + width, top + height - (taskbar > 0 ? taskbar : 0)};
    user().secondMonitor = true;
}

void set_frame(int border, int caption) {
    user().border = border < 0 ? 0 : border;
    user().caption = caption < 0 ? 0 : caption;
}

bool window_ex_style(HWND window, DWORD *exStyle) {
    Window *w = findWindow(window);
    if (!w) return false;
    *exStyle = w->exStyle;
    return true;
}

void expose_window(HWND window) {
    Window *w = findWindow(window);
    if (w && shows(*w)) loseContents(*w);
}

int live_windows() {
    return static_cast<int>(user().windows.size());
}

COLORREF window_pixel(HWND window, int x, int y) {
    Window *w = findWindow(window);
    if (!w || x < 0 || y < 0 || x >= w->client.width || y >= w->client.height) return CLR_INVALID;
    uint32_t p = w->client.pixels[static_cast<size_t>(y) * w->client.width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

} // namespace sim

using sim::enter;
using sim::findWindow;
using sim::user;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *windowClass) {
    if (enter("RegisterClassExA", "%s",
              windowClass ? sim::nameText(windowClass->lpszClassName).c_str() : "(null)"))
        return 0;
    if (!windowClass || windowClass->cbSize != sizeof(WNDCLASSEXA) || !windowClass->lpszClassName ||
        sim::isAtom(windowClass->lpszClassName) || !*windowClass->lpszClassName ||
        strlen(windowClass->lpszClassName) > 255) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (sim::findClass(windowClass->lpszClassName, windowClass->hInstance)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    sim::User &u = user();
    ATOM atom = u.nextAtom++;
    if (u.nextAtom == 0) u.nextAtom = 0xC000;
    u.classes.push_back(sim::WindowClass{windowClass->lpszClassName, atom, windowClass->style,
                                         windowClass->lpfnWndProc, windowClass->hInstance,
                                         windowClass->hbrBackground, 0});
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance) {
    if (enter("UnregisterClassA", "%s, %p", sim::nameText(className).c_str(),
              static_cast<void *>(instance)))
        return FALSE;
    sim::WindowClass *c = sim::findClass(className, instance);
    if (!c) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (c->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    std::vector<sim::WindowClass> &classes = user().classes;
    classes.erase(classes.begin() + (c - classes.data()));
    return TRUE;
}

// The system's icons and cursors (a null module and a predefined number)
// have fixed handles; the library has no icon or cursor resources of its own.
static HICON loadSystemImage(HINSTANCE instance, LPCSTR name, uintptr_t tag, unsigned first,
                             unsigned last) {
    if (instance) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    unsigned id = sim::isAtom(name) ? static_cast<unsigned>(reinterpret_cast<uintptr_t>(name)) : 0;
    if (id < first || id > last) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HICON>((tag << 24) | 0xFF0000 | id);
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (enter("LoadIconA", "%p, %s", static_cast<void *>(instance), sim::nameText(name).c_str()))
        return nullptr;
    return loadSystemImage(instance, name, sim::kIconTag, 32512,
                           32518); // IDI_APPLICATION..IDI_SHIELD
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (enter("LoadCursorA", "%p, %s", static_cast<void *>(instance), sim::nameText(name).c_str()))
        return nullptr;
    return loadSystemImage(instance, name, sim::kCursorTag, 32512, 32651); // IDC_ARROW..IDC_HELP
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    std::string title = windowName && !sim::isAtom(windowName) ? windowName : "";
    if (enter("CreateWindowExA", "0x%X, %s, %s, 0x%08X, %d, %d, %d, %d, %p", exStyle,
              sim::nameText(className).c_str(), title.c_str(), style, x, y, width, height,
              static_cast<void *>(parent)))
        return nullptr;
    sim::WindowClass *c = sim::findClass(className, instance);
    if (!c) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent && !findWindow(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    // An overlapped window (neither popup nor child) always has a caption;
    // top-level windows always clip their siblings.
    DWORD kept = style & ~(WS_VISIBLE | WS_MINIMIZE);
    if (!(kept & (WS_POPUP | WS_CHILD))) kept |= WS_CAPTION;
    if (!(kept & WS_CHILD)) kept |= WS_CLIPSIBLINGS;
    if ((kept & (WS_DLGFRAME | WS_THICKFRAME)) || (exStyle & WS_EX_DLGMODALFRAME))
        exStyle |= WS_EX_WINDOWEDGE;

    if (x == CW_USEDEFAULT) x = y = 0;
    int clientWidth, clientHeight;
    if (!sim::clientSizeOf(kept, &width, &height, &clientWidth, &clientHeight)) return nullptr;

    sim::Window w;
    w.atom = c->atom;
    w.title = title;
    w.style = kept;
    w.exStyle = exStyle;
    w.procedure = c->procedure;
    w.rect = RECT{x, y, x + width, y + height};
    w.clientWidth = clientWidth;
    w.clientHeight = clientHeight;
    w.visible = false;
    w.minimized = false;
    w.destroying = false;
    w.thread = GetCurrentThreadId();
    w.invalid = RECT{0, 0, 0, 0};
    w.erase = false;
    w.client.width = clientWidth;
    w.client.height = clientHeight;
    try {
        w.client.pixels.assign(static_cast<size_t>(clientWidth) * clientHeight, sim::kUnpainted);
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HWND window = reinterpret_cast<HWND>(sim::newHandle(sim::kWindowTag));
    user().windows.emplace(sim::key(window), std::move(w));
    ++c->windows;

    sim::CreateStruct create = {
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    if (sim::callProcedure(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        sim::destroyWindow(window);
        return nullptr;
    }
    if (!findWindow(window)) return nullptr;
    sim::callProcedure(window, WM_SIZE, SIZE_RESTORED,
                       static_cast<LPARAM>((clientHeight << 16) | clientWidth));
    if (!findWindow(window)) return nullptr;
    if (style & WS_VISIBLE)
        sim::showWindow(window, (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
    return findWindow(window) ? window : nullptr;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
    static const char *const names[] = {"SW_HIDE",     "SW_SHOWNORMAL",      "SW_SHOWMINIMIZED",
                                        "SW_MAXIMIZE", "SW_SHOWNOACTIVATE",  "SW_SHOW",
                                        "SW_MINIMIZE", "SW_SHOWMINNOACTIVE", "SW_SHOWNA",
                                        "SW_RESTORE",  "SW_SHOWDEFAULT",     "SW_FORCEMINIMIZE"};
    char number[16];
    snprintf(number, sizeof number, "%d", command);
    if (enter("ShowWindow", "%p, %s", static_cast<void *>(window),
              command >= 0 && command <= 11 ? names[command] : number))
        return FALSE;
    if (!findWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (command < SW_HIDE || command > 11) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return sim::showWindow(window, command) ? TRUE : FALSE;
}

BOOL WINAPI IsWindow(HWND window) {
    if (enter("IsWindow", "%p", static_cast<void *>(window))) return FALSE;
    return findWindow(window) ? TRUE : FALSE;
}

DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId) {
    sim::Window *w = findWindow(window);
    if (processId) *processId = w ? GetCurrentProcessId() : 0;
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w ? w->thread : 0;
}

BOOL WINAPI IsWindowVisible(HWND window) {
    if (enter("IsWindowVisible", "%p", static_cast<void *>(window))) return FALSE;
    sim::Window *w = findWindow(window);
    return w && w->visible ? TRUE : FALSE;
}

BOOL WINAPI IsIconic(HWND window) {
    if (enter("IsIconic", "%p", static_cast<void *>(window))) return FALSE;
    sim::Window *w = findWindow(window);
    return w && w->minimized ? TRUE : FALSE;
}

BOOL WINAPI DestroyWindow(HWND window) {
    if (enter("DestroyWindow", "%p", static_cast<void *>(window))) return FALSE;
    if (!sim::destroyWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (enter("DefWindowProcA", "%s", sim::messageText(window, message, wParam, lParam).c_str()))
        return 0;
    sim::Window *w = findWindow(window);
    if (!w) return 0;
    switch (message) {
    case WM_CLOSE:
        sim::destroyWindow(window);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) sim::callProcedure(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (sim::beginPaint(window, &paint)) sim::close_window_dc(paint.hdc, true);
        return 0;
    }
    case WM_ERASEBKGND: {
        sim::WindowClass *c = sim::classOfAtom(w->atom);
        if (!c || !c->background) return 0;
        RECT client = sim::clientRect(*w);
        sim::fill_rect(reinterpret_cast<HDC>(wParam), client, c->background);
        return 1;
    }
    default:
        return 0;
    }
}

BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove) {
    if (enter("PeekMessageA", "%p, %u, %u, %s", static_cast<void *>(window), first, last,
              (remove & PM_REMOVE) ? "PM_REMOVE" : "PM_NOREMOVE"))
        return FALSE;
    if (!message) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (window && !sim::threadOnly(window) && !findWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    sim::User &u = user();
    for (auto it = u.posted.begin(); it != u.posted.end(); ++it) {
        if (!sim::matchesWindow(it->hwnd, window) || !sim::matchesRange(it->message, first, last))
            continue;
        *message = *it;
        if (remove & PM_REMOVE) u.posted.erase(it);
        return TRUE;
    }
    bool threadMessages = !window || sim::threadOnly(window);
    if (u.quit && threadMessages && sim::matchesRange(WM_QUIT, first, last)) {
        *message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(u.quitCode), 0, 0, {0, 0}};
        if (remove & PM_REMOVE) u.quit = false;
        return TRUE;
    }
    if (sim::threadOnly(window) || !sim::matchesRange(WM_PAINT, first, last)) return FALSE;
    for (auto &entry : u.windows) {
        HWND handle = reinterpret_cast<HWND>(entry.first);
        const sim::Window &w = entry.second;
        if ((window && handle != window) || !sim::shows(w) || w.destroying ||
            sim::isEmpty(w.invalid))
            continue;
        *message = MSG{handle, WM_PAINT, 0, 0, 0, {0, 0}};
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (enter("PostMessageA", "%s", sim::messageText(window, message, wParam, lParam).c_str()))
        return FALSE;
    if (window && !findWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (user().posted.size() >= sim::kQueueLimit) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    user().posted.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
    return TRUE;
}

void WINAPI PostQuitMessage(int exitCode) {
    enter("PostQuitMessage", "%d", exitCode); // cannot fail
    user().quit = true;
    user().quitCode = exitCode;
}

BOOL WINAPI TranslateMessage(const MSG *message) {
    if (enter("TranslateMessage", "%s",
              message ? sim::messageText(message->hwnd, message->message, message->wParam,
                                         message->lParam)
                            .c_str()
                      : "(null)"))
        return FALSE;
    if (!message) return FALSE;
    switch (message->message) {
    case WM_KEYDOWN: {
        // Keys that stand for a character: digits, letters (unshifted) and space.
        WPARAM key = message->wParam;
        WPARAM character = 0;
        if ((key >= '0' && key <= '9') || key == ' ')
            character = key;
        else if (key >= 'A' && key <= 'Z')
            character = key - 'A' + 'a';
        if (character && findWindow(message->hwnd) && user().posted.size() < sim::kQueueLimit)
            user().posted.push_back(
                MSG{message->hwnd, WM_CHAR, character, message->lParam, 0, {0, 0}});
        return TRUE;
    }
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT WINAPI DispatchMessageA(const MSG *message) {
    if (enter("DispatchMessageA", "%s",
              message ? sim::messageText(message->hwnd, message->message, message->wParam,
                                         message->lParam)
                            .c_str()
                      : "(null)"))
        return 0;
    if (!message || !message->hwnd) return 0; // thread messages go to no window
    if (!findWindow(message->hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return sim::callProcedure(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (enter("SendMessageA", "%s", sim::messageText(window, message, wParam, lParam).c_str()))
        return 0;
    if (!findWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return sim::callProcedure(window, message, wParam, lParam);
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    if (enter("GetWindowRect", "%p", static_cast<void *>(window))) return FALSE;
    sim::Window *w = findWindow(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (w->minimized)
        *rect = RECT{sim::kIconicPosition, sim::kIconicPosition,
                     sim::kIconicPosition + sim::kIconicWidth,
                     sim::kIconicPosition + sim::kIconicHeight};
    else
        *rect = w->rect;
    return TRUE;
}

// The window rectangle around a client rectangle: the same frame a window
// of this style gets (sim::set_frame). Menus and extended styles add none.
BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
    char area[80] = "(null)";
    if (rect)
        snprintf(area, sizeof area, "{%d, %d, %d, %d}", rect->left, rect->top, rect->right,
                 rect->bottom);
    if (enter("AdjustWindowRectEx", "%s, 0x%lx, %d, 0x%lx", area,
              static_cast<unsigned long>(style), menu, static_cast<unsigned long>(exStyle)))
        return FALSE;
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int border, caption;
    sim::frameOf(style, &border, &caption);
    rect->left -= border;
    rect->top -= border + caption;
    rect->right += border;
    rect->bottom += border;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    if (enter("GetClientRect", "%p", static_cast<void *>(window))) return FALSE;
    sim::Window *w = findWindow(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *rect = sim::clientRect(*w);
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height,
                         UINT flags) {
    if (enter("SetWindowPos", "%p, %p, %d, %d, %d, %d, 0x%X", static_cast<void *>(window),
              static_cast<void *>(insertAfter), x, y, width, height, flags))
        return FALSE;
    sim::Window *w = findWindow(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
        else if (insertAfter == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
    }
    if (!(flags & SWP_NOMOVE)) {
        w->rect = RECT{x, y, x + (w->rect.right - w->rect.left), y + (w->rect.bottom - w->rect.top)};
    }
    // A new frame (SetWindowLongPtrA before) takes its share of the same
    // outer size: the client area follows.
    if ((flags & SWP_NOSIZE) && (flags & SWP_FRAMECHANGED)) {
        width = w->rect.right - w->rect.left;
        height = w->rect.bottom - w->rect.top;
        flags &= ~SWP_NOSIZE;
    }
    if (!(flags & SWP_NOSIZE)) {
        int clientWidth, clientHeight;
        if (!sim::clientSizeOf(w->style, &width, &height, &clientWidth, &clientHeight)) return FALSE;
        w->rect.right = w->rect.left + width;
        w->rect.bottom = w->rect.top + height;
        if (clientWidth != w->clientWidth || clientHeight != w->clientHeight) {
            w->clientWidth = w->client.width = clientWidth;
            w->clientHeight = w->client.height = clientHeight;
            w->client.pixels.assign(static_cast<size_t>(clientWidth) * clientHeight, sim::kUnpainted);
            w->invalid = RECT{0, 0, 0, 0};
            if (sim::shows(*w)) sim::loseContents(*w);
            sim::callProcedure(window, WM_SIZE, SIZE_RESTORED,
                               static_cast<LPARAM>((clientHeight << 16) | clientWidth));
        }
    }
    return TRUE;
}

// A window's style or extended style, as both widths of the call report it.
static bool windowLong(HWND window, int index, LONG_PTR *value) {
    sim::Window *w = findWindow(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    switch (index) {
    case GWL_STYLE:
        *value = static_cast<LONG_PTR>(w->style | (w->visible ? WS_VISIBLE : 0) |
                                       (w->minimized ? WS_MINIMIZE : 0));
        return true;
    case GWL_EXSTYLE:
        *value = static_cast<LONG_PTR>(w->exStyle);
        return true;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return false;
    }
}

LONG WINAPI GetWindowLongA(HWND window, int index) {
    if (enter("GetWindowLongA", "%p, %d", static_cast<void *>(window), index)) return 0;
    LONG_PTR value = 0;
    return windowLong(window, index, &value) ? static_cast<LONG>(value) : 0;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index) {
    if (enter("GetWindowLongPtrA", "%p, %d", static_cast<void *>(window), index)) return 0;
    LONG_PTR value = 0;
    return windowLong(window, index, &value) ? value : 0;
}

// The previous value, or 0 with the last error set. A new frame takes
// effect at the next SetWindowPos with SWP_FRAMECHANGED; showing, hiding and
// minimizing stay ShowWindow's.
LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    if (enter("SetWindowLongPtrA", "%p, %d, 0x%lX", static_cast<void *>(window), index,
              static_cast<unsigned long>(value)))
        return 0;
    sim::Window *w = findWindow(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    DWORD bits = static_cast<DWORD>(value);
    LONG_PTR previous;
    switch (index) {
    case GWL_STYLE:
        previous = static_cast<LONG_PTR>(w->style | (w->visible ? WS_VISIBLE : 0) |
                                         (w->minimized ? WS_MINIMIZE : 0));
        w->style = bits & ~(WS_VISIBLE | WS_MINIMIZE);
        return previous;
    case GWL_EXSTYLE:
        previous = static_cast<LONG_PTR>(w->exStyle);
        w->exStyle = bits;
        return previous;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
    if (enter("FindWindowA", "%s, %s", sim::nameText(className).c_str(),
              sim::nameText(windowName).c_str()))
        return nullptr;
    for (auto &entry : user().windows) {
        const sim::Window &w = entry.second;
        if (className) {
            const sim::WindowClass *c = sim::classOfAtom(w.atom);
            bool same = sim::isAtom(className)
                            ? w.atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(className))
                            : c && strcasecmp(c->name.c_str(), className) == 0;
            if (!same) continue;
        }
        if (windowName && (sim::isAtom(windowName) || strcasecmp(w.title.c_str(), windowName) != 0))
            continue;
        return reinterpret_cast<HWND>(entry.first);
    }
    return nullptr;
}

int WINAPI GetSystemMetrics(int index) {
    if (enter("GetSystemMetrics", "%d", index)) return 0;
    const sim::User &u = user();
    const RECT &s = u.virtualScreen;
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
        return s.right - s.left;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
        return s.bottom - s.top;
    case SM_XVIRTUALSCREEN:
        return s.left;
    case SM_YVIRTUALSCREEN:
        return s.top;
    case 4: // SM_CYCAPTION
        return u.caption;
    case 5: // SM_CXBORDER
    case 6: // SM_CYBORDER
        return 1;
    case 7:  // SM_CXFIXEDFRAME
    case 8:  // SM_CYFIXEDFRAME
    case 32: // SM_CXFRAME
    case 33: // SM_CYFRAME
        return u.border;
    case 80: // SM_CMONITORS
        return u.secondMonitor ? 2 : 1;
    default:
        return 0;
    }
}

BOOL WINAPI InvalidateRect(HWND window, const RECT *rect, BOOL erase) {
    char area[80] = "(null)";
    if (rect)
        snprintf(area, sizeof area, "{%d, %d, %d, %d}", rect->left, rect->top, rect->right,
                 rect->bottom);
    if (enter("InvalidateRect", "%p, %s, %d", static_cast<void *>(window), area, erase))
        return FALSE;
    if (!window) { // every window
        for (auto &entry : user().windows)
            sim::invalidate(entry.second, rect ? *rect : sim::clientRect(entry.second), erase != 0);
        return TRUE;
    }
    sim::Window *w = findWindow(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    sim::invalidate(*w, rect ? *rect : sim::clientRect(*w), erase != 0);
    return TRUE;
}

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    if (enter("BeginPaint", "%p", static_cast<void *>(window))) return nullptr;
    if (!findWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (!paint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return sim::beginPaint(window, paint);
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT *paint) {
    if (enter("EndPaint", "%p, %p", static_cast<void *>(window),
              paint ? static_cast<void *>(paint->hdc) : nullptr))
        return FALSE;
    if (!paint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::close_window_dc(paint->hdc, true);
    return TRUE; // Windows' EndPaint always succeeds
}

HDC WINAPI GetDC(HWND window) {
    if (enter("GetDC", "%p", static_cast<void *>(window))) return nullptr;
    if (window && !findWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return sim::open_window_dc(window, nullptr);
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
    if (enter("ReleaseDC", "%p, %p", static_cast<void *>(window), static_cast<void *>(dc)))
        return 0;
    return sim::close_window_dc(dc, false) ? 1 : 0;
}

static HMONITOR__ Monitors[2]; // the first, and the one sim::add_monitor adds

HMONITOR WINAPI MonitorFromRect(LPCRECT rect, DWORD flags) {
    char area[80] = "(null)";
    if (rect)
        snprintf(area, sizeof area, "{%d, %d, %d, %d}", rect->left, rect->top, rect->right,
                 rect->bottom);
    if (enter("MonitorFromRect", "%s, 0x%lx", area, static_cast<unsigned long>(flags)))
        return nullptr;
    const sim::User &u = user();
    if (!rect || !u.secondMonitor) return &Monitors[0];
    // The monitor with the most of the rectangle on it; with none on
    // either, the nearer one.
    const RECT *screens[2] = {&u.virtualScreen, &u.second};
    long long shared[2], apart[2];
    for (int i = 0; i < 2; ++i) {
        const RECT &m = *screens[i];
        const long long w = static_cast<long long>(rect->right < m.right ? rect->right : m.right) -
                            (rect->left > m.left ? rect->left : m.left);
        const long long h =
            static_cast<long long>(rect->bottom < m.bottom ? rect->bottom : m.bottom) -
            (rect->top > m.top ? rect->top : m.top);
        shared[i] = w > 0 && h > 0 ? w * h : 0;
        const long long dx = rect->right < m.left  ? static_cast<long long>(m.left) - rect->right
                             : rect->left > m.right ? static_cast<long long>(rect->left) - m.right
                                                    : 0;
        const long long dy = rect->bottom < m.top  ? static_cast<long long>(m.top) - rect->bottom
                             : rect->top > m.bottom ? static_cast<long long>(rect->top) - m.bottom
                                                    : 0;
        apart[i] = dx * dx + dy * dy;
    }
    const bool second = shared[0] || shared[1] ? shared[1] > shared[0] : apart[1] < apart[0];
    return &Monitors[second ? 1 : 0];
}

BOOL WINAPI GetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info) {
    if (enter("GetMonitorInfoA", "%p", static_cast<void *>(monitor))) return FALSE;
    if (!monitor || !info || info->cbSize < sizeof(MONITORINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const sim::User &u = user();
    if (monitor == &Monitors[1] && u.secondMonitor) {
        info->rcMonitor = u.second;
        info->rcWork = u.secondWork;
        info->dwFlags = 0;
        return TRUE;
    }
    info->rcMonitor = u.virtualScreen;
    info->rcWork = u.workAreaSet ? u.workArea : u.virtualScreen;
    info->dwFlags = 1; // MONITORINFOF_PRIMARY
    return TRUE;
}
