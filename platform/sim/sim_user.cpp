// Simulated user32: windows and messages. (Grows with the window code.)
#include "sim_internal.h"

namespace sim {
void reset_user() {}
} // namespace sim

BOOL WINAPI DestroyWindow(HWND window) {
    if (sim::enter("DestroyWindow", "%p", static_cast<void *>(window))) return FALSE;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    sim::enter("DefWindowProcA", "%p, 0x%X, %lu, %ld", static_cast<void *>(window), message,
               static_cast<unsigned long>(wParam), static_cast<long>(lParam));
    return 0;
}
