#include "window.h"

#include "config/config.h"
#include "config/module.h"
#include "log/log.h"
#include "screen/menu.h"
#include "screen/picture.h"
#include "screen/placement.h"
#include "screen/refresh.h"
#include "screen/widget.h"

#include <cstdio>
#include <cstdlib>

HWND DisplayWindow;
int32_t WindowCreated;

static const char kClassName[] = "Tavlora";

static HINSTANCE Instance;
static WNDCLASSEXA WindowClass;
static MSG Message;

int create_screen() {
    WriteLog("create_screen", "entered");
    char active[16];
    snprintf(active, sizeof active, "%d", WindowCreated);
    WriteLog("display_active", active);

    if (WindowCreated != 1) {
        WriteLog("Module name", ModuleBaseName());
        Instance = GetModuleHandleA(ModuleBaseName());

        WindowClass.cbSize = sizeof WindowClass;
        WindowClass.style = CS_DBLCLKS;
        WindowClass.lpfnWndProc = ScreenWndProc;
        WindowClass.cbClsExtra = 0;
        WindowClass.cbWndExtra = 0;
        WindowClass.hInstance = Instance;
        WindowClass.hIcon = LoadIconA(NULL, IDI_APPLICATION);
        WindowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
        WindowClass.hbrBackground = NULL;
        WindowClass.lpszMenuName = NULL;
        WindowClass.lpszClassName = kClassName;
        WindowClass.hIconSm = LoadIconA(NULL, IDI_APPLICATION);
        // Registered already when the window was closed by its button and
        // this is the next start: not an error.
        if (!RegisterClassExA(&WindowClass)) {
            if (GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
                WriteLog("create_screen", "window class registered already");
            else
                LogLastError("Error from RegisterClassEx");
        }

        int32_t x, y, width, height;
        static LineLayout scratch[4];
        LoadWorkingLayouts(&x, &y, &width, &height, scratch);

        if (!ScreenPicture.picture && BackgroundPicturePath()[0] != 0) {
            LoadPicture(BackgroundPicturePath(), &ScreenPicture.picture,
                        &ScreenPicture.width, &ScreenPicture.height);
            if (!ScreenPicture.picture) WriteLog("Lost the Picture 1", "So cant display it");
        }

        DisplayWindow = CreateDisplayWindow(WidgetExStyle(ScreenSettings), kClassName, Instance);
        if (!DisplayWindow) {
            LogLastError("Error from CreateWindow");
            return 0;
        }
        ApplyWidgetLayering(DisplayWindow);
        WindowCreated = 1;
        MarkDisplayDirty(); // a window made again shows what display memory holds
        if (ScreenSettings.DontShowWindow == 0)
            ShowWindow(DisplayWindow, ScreenSettings.NoActivate != 0 ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL);
    }
    WriteLog("Create Screen", "Complete");
    return 1;
}

void ApplyWindowSettings() {
    if (!DisplayWindow) return;
    const ScreenSettingsRecord &s = ScreenSettings;
    ApplyWidgetStyles(DisplayWindow);
    if (!PlaceDisplayWindow(s.StayOnTop != 0 ? HWND_TOPMOST : HWND_NOTOPMOST))
        LogLastError("Error from SetWindowPos");
    bool shown = IsWindowVisible(DisplayWindow) != 0;
    if (s.DontShowWindow != 0 && shown) ShowWindow(DisplayWindow, SW_HIDE);
    if (s.DontShowWindow == 0 && !shown) ShowWindow(DisplayWindow, SW_SHOWNOACTIVATE);
    MarkDisplayDirty();
}

void CloseScreen() {
    // WM_DESTROY ends the process here when it should.
    if (DisplayWindow && !DestroyWindow(DisplayWindow)) LogLastError("Error from DestroyWindow");
    // The host may unload the driver now, however the window went (by Done
    // or by its close button): no class may keep pointing at this window
    // procedure, and the picture goes with the window.
    if (!DisplayWindow && Instance && !UnregisterClassA(kClassName, Instance) &&
        GetLastError() != ERROR_CLASS_DOES_NOT_EXIST)
        LogLastError("Error from UnregisterClass");
    ReleasePicture();
}

bool OnWindowThread() {
    static bool logged;
    if (!DisplayWindow || GetWindowThreadProcessId(DisplayWindow, NULL) == GetCurrentThreadId())
        return true;
    if (!logged)
        WriteLog("Thread", "a call from another thread than the window's: its text, cursor and "
                           "glyphs are kept, and the window's thread shows them at its next write");
    logged = true;
    return false;
}

void ProcessWindowMessages() {
    static bool dispatching;
    if (dispatching || !OnWindowThread()) return;
    dispatching = true;
    // Without a window a null filter would take every message of the host's
    // thread, its quit message included: then take none.
    // A message may close the window: then the loop ends with it.
    while (DisplayWindow && PeekMessageA(&Message, DisplayWindow, 0, 0, PM_REMOVE)) {
        if (Message.message == WM_QUIT) {
            // The quit message is the host's, whatever the window filter:
            // put it back for the host's own loop.
            PostQuitMessage(static_cast<int>(Message.wParam));
            break;
        }
        TranslateMessage(&Message);
        DispatchMessageA(&Message);
    }
    dispatching = false;
}

LRESULT CALLBACK ScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        if (ScreenSettings.EndHostOnClose != 0) exit(0);
        // The host goes on: display memory, glyphs and settings stay for
        // the next DISPLAYDLL_Init, which makes the window again.
        DisplayWindow = NULL;
        WindowCreated = 0;
        WriteLog("Window", "closed; the host goes on");
        return 0;
    case WM_ERASEBKGND:
        return 0;
    case WM_NCHITTEST:
        return WidgetHitTest(window, message, wParam, lParam);
    case WM_MOUSEACTIVATE:
        return WidgetMouseActivate(window, message, wParam, lParam);
    case WM_MOVING:
        return WidgetMoving(window, message, wParam, lParam);
    case WM_CONTEXTMENU:
    case WM_NCRBUTTONUP:
        return ShowDisplayMenu(window, message, wParam, lParam);
    case WM_COMMAND:
        return RunMenuCommand(window, message, wParam, lParam);
    case WM_PAINT:
        // The platform lost part of the image (uncovered, restored): the next
        // refresh composes the whole window again. Drawing happens only there.
        MarkDisplayDirty();
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_EXITSIZEMOVE:
        return OnExitSizeMove(window, wParam, lParam);
    case WM_SIZING:
        return OnSizing(window, wParam, lParam);
    case WM_SIZE:
        return OnSize(window, wParam, lParam);
    case WM_MOUSEWHEEL:
        return OnMouseWheel(window, wParam, lParam);
    case WM_DPICHANGED:
        return OnDpiChanged(window, wParam, lParam);
    case WM_DISPLAYCHANGE:
        return OnDisplayChange(window, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
