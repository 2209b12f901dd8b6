#include "window_dpi.h"

#include "config/config.h"
#include "log/log.h"
#include "screen/scale.h"

// The system's DPI functions, where it has them (Windows 10 1607 on; the
// v1 context from 8.1 on).
typedef HANDLE(WINAPI *SetContextFunction)(HANDLE);
typedef UINT(WINAPI *WindowDpiFunction)(HWND);
typedef UINT(WINAPI *SystemDpiFunction)();

static struct {
    bool looked;
    SetContextFunction setContext;
    WindowDpiFunction windowDpi;
    SystemDpiFunction systemDpi;
} Dpi;

static HANDLE WindowContext;      // the context the window was made in; null: not following
static int32_t SystemDpiNow = 96; // the system's DPI while following, else 96

static void *Function(HMODULE module, const char *name) {
    return module ? reinterpret_cast<void *>(GetProcAddress(module, name)) : NULL;
}

static void LookForDpiFunctions() {
    if (Dpi.looked) return;
    Dpi.looked = true;
    HMODULE user = GetModuleHandleA("user32.dll");
    Dpi.setContext = reinterpret_cast<SetContextFunction>(Function(user, "SetThreadDpiAwarenessContext"));
    Dpi.windowDpi = reinterpret_cast<WindowDpiFunction>(Function(user, "GetDpiForWindow"));
    Dpi.systemDpi = reinterpret_cast<SystemDpiFunction>(Function(user, "GetDpiForSystem"));
}

static HANDLE Context(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

void *EnterDisplayDpi() {
    return WindowContext && Dpi.setContext ? Dpi.setContext(WindowContext) : NULL;
}

void LeaveDisplayDpi(void *kept) {
    if (kept && Dpi.setContext) Dpi.setContext(kept);
}

void *StartFollowingDpi() {
    WindowContext = NULL;
    SystemDpiNow = 96;
    SetDisplayDpi(0);
    if (ScreenSettings.FollowDpi == 0) return NULL;
    LookForDpiFunctions();
    if (!Dpi.setContext) return NULL;
    const HANDLE perMonitorV2 = Context(-4), perMonitor = Context(-3);
    HANDLE kept = Dpi.setContext(perMonitorV2);
    WindowContext = perMonitorV2;
    if (!kept) {
        kept = Dpi.setContext(perMonitor);
        WindowContext = perMonitor;
    }
    if (!kept) {
        WindowContext = NULL;
        WriteLog("create_screen", "the system refused per-monitor DPI awareness: FollowDpi= not used");
        return NULL;
    }
    SystemDpiNow = Dpi.systemDpi ? static_cast<int32_t>(Dpi.systemDpi()) : 96;
    if (SystemDpiNow <= 0) SystemDpiNow = 96;
    SetDisplayDpi(SystemDpiNow);
    return kept;
}

bool FollowingDpi() {
    return WindowContext != NULL;
}

int32_t SystemDpi() {
    return SystemDpiNow;
}

int32_t DpiOfWindow(HWND window) {
    return Dpi.windowDpi ? static_cast<int32_t>(Dpi.windowDpi(window)) : SystemDpiNow;
}
