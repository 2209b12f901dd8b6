#include "menu.h"

#include "config/config.h"
#include "config/watch.h"
#include "log/log.h"
#include "record/screenshot.h"
#include "screen/placement.h"
#include "screen/window.h"
#include "screen/window_settings.h"

#include <cstdio>

const MenuCommand MenuCommands[] = {
    {1, "Stay on &top", StaysOnTop, ToggleStayOnTop, 0},
    {0, NULL, NULL, NULL, 0},
    {10, "Zoom &50 %", ZoomedTo, ZoomTo, 50},
    {11, "Zoom &100 %", ZoomedTo, ZoomTo, 100},
    {12, "Zoom 15&0 %", ZoomedTo, ZoomTo, 150},
    {13, "Zoom &200 %", ZoomedTo, ZoomTo, 200},
    {14, "Zoom &300 %", ZoomedTo, ZoomTo, 300},
    {0, NULL, NULL, NULL, 0},
    {3, "Save place &now", NULL, SavePlaceNow, 0},
    {4, "Save a &picture", NULL, SaveDisplayPicture, 0},
    {5, "&Open the configuration file", NULL, OpenConfigFile, 0},
    {6, "&Read the configuration again", NULL, ReadConfigAgain, 0},
    {0, NULL, NULL, NULL, 0},
    {7, "&Close the display", NULL, CloseDisplay, 0},
};
const int MenuCommandCount = sizeof MenuCommands / sizeof MenuCommands[0];

LRESULT ShowDisplayMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)wParam;
    LONG x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    RECT place;
    if (message == WM_CONTEXTMENU && x == -1 && y == -1 && GetWindowRect(window, &place)) {
        x = place.left;
        y = place.top;
    }
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        LogLastError("Error from CreatePopupMenu");
        return 0;
    }
    for (int i = 0; i < MenuCommandCount; ++i) {
        const MenuCommand &c = MenuCommands[i];
        UINT flags = !c.label                           ? MF_SEPARATOR
                     : c.checked && c.checked(c.value) ? MF_CHECKED
                                                       : MF_STRING;
        if (!AppendMenuA(menu, flags, c.id, c.label)) LogLastError("Error from AppendMenu");
    }
    // A window that may be activated takes the foreground, so that a click
    // elsewhere closes the menu.
    if (ScreenSettings.NoActivate == 0) SetForegroundWindow(window);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, x, y, 0, window, NULL);
    if (!DestroyMenu(menu)) LogLastError("Error from DestroyMenu");
    return 0;
}

// The label as the menu shows it: "&" marks the next letter as the key
// ("&&" shows one "&").
static void ShownLabel(const char *label, char *shown, size_t size) {
    size_t n = 0;
    for (const char *p = label; *p && n + 1 < size; ++p) {
        if (*p == '&' && *++p == 0) break;
        shown[n++] = *p;
    }
    shown[n] = 0;
}

bool RunDisplayCommand(UINT id) {
    for (int i = 0; i < MenuCommandCount; ++i)
        if (MenuCommands[i].id == id && id != 0 && MenuCommands[i].action) {
            char label[80];
            ShownLabel(MenuCommands[i].label, label, sizeof label);
            WriteLog("Menu", label);
            MenuCommands[i].action(MenuCommands[i].value);
            return true;
        }
    return false;
}

LRESULT RunMenuCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (RunDisplayCommand(LOWORD(wParam))) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

bool StaysOnTop(int) {
    return ScreenSettings.StayOnTop != 0;
}

void ToggleStayOnTop(int) {
    ScreenSettings.StayOnTop = ScreenSettings.StayOnTop != 0 ? 0 : 1;
    if (DisplayWindow &&
        !SetWindowPos(DisplayWindow, ScreenSettings.StayOnTop != 0 ? HWND_TOPMOST : HWND_NOTOPMOST,
                      0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE))
        LogLastError("Error from SetWindowPos");
}

bool ZoomedTo(int percent) {
    return ScreenSettings.Zoom == percent;
}

void ZoomTo(int percent) {
    SetDisplayZoom(percent);
}

void SavePlaceNow(int) {
    SaveWindowPlace();
}

void SaveDisplayPicture(int) {
    SaveScreenshot(DisplayWindow);
}

// ShellExecute's own codes: 32 and below are failures.
static const INT_PTR kNoAssociation = 31;

void OpenConfigFile(int) {
    char path[256];
    if (!ConfigFilePath(path, sizeof path)) return;
    INT_PTR done = reinterpret_cast<INT_PTR>(ShellExecuteA(NULL, "open", path, NULL, NULL,
                                                           SW_SHOWNORMAL));
    // A ".cfg" file often has no program of its own: Notepad opens it.
    if (done == kNoAssociation)
        done = reinterpret_cast<INT_PTR>(ShellExecuteA(NULL, "open", "notepad.exe", path, NULL,
                                                       SW_SHOWNORMAL));
    char detail[320];
    snprintf(detail, sizeof detail, "%s %s (%d)", path, done > 32 ? "opened" : "could not be opened",
             static_cast<int>(done));
    WriteLog(done > 32 ? "Configuration" : "Error", detail);
}

void ReadConfigAgain(int) {
    if (!ReadSettledConfig()) return; // a half-saved file is not applied
    ApplyWindowSettings();
    WriteLog("Configuration", "read again");
}

void CloseDisplay(int) {
    // The close button's way: WM_CLOSE, then the window's destruction.
    if (DisplayWindow && !PostMessageA(DisplayWindow, WM_CLOSE, 0, 0))
        LogLastError("Error from PostMessage");
}
