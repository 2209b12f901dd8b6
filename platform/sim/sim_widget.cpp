// Simulated calls of the window as a desktop widget: layering, the popup
// menu, the monitor, the shell and the local clock. They are journalled;
// what the window manager makes of them is not simulated.
#include "sim_internal.h"

#include <ctime>
#include <map>
#include <vector>

namespace sim {
namespace {

struct Layered {
    COLORREF key;
    BYTE alpha;
    DWORD flags;
};

struct Widget {
    std::map<uintptr_t, Layered> layered; // by window handle
    std::map<uintptr_t, std::vector<UINT>> menus; // the ids of each menu's items
    uintptr_t nextMenu = 1;
    UINT picked = 0;
    void (*whileOpen)() = nullptr;
    bool clockSet = false;
    SYSTEMTIME clock = {};
};

Widget &widget() {
    static Widget w;
    return w;
}

const uintptr_t kMenuTag = 0x0C;

uintptr_t key(const void *handle) {
    return reinterpret_cast<uintptr_t>(handle);
}

} // namespace

void reset_widget() {
    widget() = Widget();
}

void set_local_time(const SYSTEMTIME &time) {
    widget().clock = time;
    widget().clockSet = true;
}

void pick_menu_command(UINT id) {
    widget().picked = id;
}

void call_while_menu_open(void (*call)()) {
    widget().whileOpen = call;
}

bool layered_attributes(HWND window, COLORREF *key, BYTE *alpha, DWORD *flags) {
    auto it = widget().layered.find(sim::key(window));
    if (it == widget().layered.end()) return false;
    *key = it->second.key;
    *alpha = it->second.alpha;
    *flags = it->second.flags;
    return true;
}

} // namespace sim

using sim::enter;

// As in Windows, only a window with WS_EX_LAYERED takes them.
BOOL WINAPI SetLayeredWindowAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags) {
    if (enter("SetLayeredWindowAttributes", "%p, 0x%06X, %u, 0x%X", static_cast<void *>(window),
              key, alpha, flags))
        return FALSE;
    DWORD exStyle;
    if (!sim::window_ex_style(window, &exStyle)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!(exStyle & WS_EX_LAYERED)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    sim::widget().layered[sim::key(window)] = sim::Layered{key, alpha, flags};
    return TRUE;
}

BOOL WINAPI GetLayeredWindowAttributes(HWND window, COLORREF *key, BYTE *alpha, DWORD *flags) {
    if (enter("GetLayeredWindowAttributes", "%p", static_cast<void *>(window))) return FALSE;
    DWORD exStyle;
    COLORREF k;
    BYTE a;
    DWORD f;
    if (!sim::window_ex_style(window, &exStyle) || !(exStyle & WS_EX_LAYERED) ||
        !sim::layered_attributes(window, &k, &a, &f)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (key) *key = k;
    if (alpha) *alpha = a;
    if (flags) *flags = f;
    return TRUE;
}

HMENU WINAPI CreatePopupMenu() {
    if (enter("CreatePopupMenu", "%s", "")) return nullptr;
    sim::Widget &w = sim::widget();
    HMENU menu = reinterpret_cast<HMENU>((sim::kMenuTag << 24) | w.nextMenu++);
    w.menus[sim::key(menu)];
    return menu;
}

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
    if (enter("AppendMenuA", "%p, 0x%X, %lu, %s", static_cast<void *>(menu), flags,
              static_cast<unsigned long>(id), text ? text : "(null)"))
        return FALSE;
    auto it = sim::widget().menus.find(sim::key(menu));
    if (it == sim::widget().menus.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!(flags & MF_SEPARATOR)) it->second.push_back(static_cast<UINT>(id));
    return TRUE;
}

BOOL WINAPI TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND window,
                           const RECT *unused) {
    (void)reserved;
    (void)unused;
    if (enter("TrackPopupMenu", "%p, 0x%X, %d, %d, %p", static_cast<void *>(menu), flags, x, y,
              static_cast<void *>(window)))
        return FALSE;
    auto it = sim::widget().menus.find(sim::key(menu));
    if (it == sim::widget().menus.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    void (*whileOpen)() = sim::widget().whileOpen;
    sim::widget().whileOpen = nullptr;
    if (whileOpen) whileOpen();
    UINT picked = sim::widget().picked;
    sim::widget().picked = 0;
    for (UINT id : it->second)
        if (picked != 0 && id == picked) return PostMessageA(window, WM_COMMAND, id, 0);
    return FALSE; // closed with nothing picked
}

BOOL WINAPI DestroyMenu(HMENU menu) {
    if (enter("DestroyMenu", "%p", static_cast<void *>(menu))) return FALSE;
    if (!sim::widget().menus.erase(sim::key(menu))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI SetForegroundWindow(HWND window) {
    if (enter("SetForegroundWindow", "%p", static_cast<void *>(window))) return FALSE;
    return IsWindow(window);
}

HINSTANCE WINAPI ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                               LPCSTR directory, INT show) {
    if (enter("ShellExecuteA", "%p, %s, %s, %s, %s, %d", static_cast<void *>(window),
              operation ? operation : "(null)", file ? file : "(null)",
              parameters ? parameters : "(null)", directory ? directory : "(null)", show)) {
        // An injected error of 32 or below is the code returned (31: no
        // program for the file); any other: file not found.
        const DWORD error = GetLastError();
        return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(error <= 32 ? error : 2));
    }
    return reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(42));
}

void WINAPI GetLocalTime(LPSYSTEMTIME time) {
    enter("GetLocalTime", "%s", "");
    if (!time) return;
    if (sim::widget().clockSet) {
        *time = sim::widget().clock;
        return;
    }
    time_t now = ::time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    *time = SYSTEMTIME{static_cast<WORD>(local.tm_year + 1900), static_cast<WORD>(local.tm_mon + 1),
                       static_cast<WORD>(local.tm_wday), static_cast<WORD>(local.tm_mday),
                       static_cast<WORD>(local.tm_hour), static_cast<WORD>(local.tm_min),
                       static_cast<WORD>(local.tm_sec), 0};
}
