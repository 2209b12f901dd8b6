#include "window_settings.h"

#include "config/config.h"
#include "log/log.h"
#include "screen/dirty.h"
#include "screen/placement.h"
#include "screen/widget.h"
#include "screen/window.h"

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
