#include "window_class.h"

#include "config/config.h"
#include "config/module.h"
#include "log/log.h"
#include "screen/dirty.h"
#include "screen/picture.h"
#include "screen/placement.h"
#include "screen/widget.h"
#include "screen/window.h"
#include "screen/window_proc.h"

#include <cstdio>

static const char kClassName[] = "Tavlora";

static HINSTANCE Instance;
static WNDCLASSEXA WindowClass;

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
