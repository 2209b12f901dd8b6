#include "window.h"

#include "log/log.h"

HWND DisplayWindow;
int32_t WindowCreated;

static MSG Message;

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
