// Test-side controls of the simulated platform: the call journal, fault
// injection, and the knobs and probes that stand in for the real machine
// (module file name, clock, desktop metrics, screen resolution, pixels,
// live object counts).
#pragma once

#include "win32_sim.h"

#include <string>
#include <vector>

namespace sim {

// Puts the whole simulation back to its state at process start: journal,
// faults, module name, clock, metrics, windows, classes and objects.
void reset();

// Call journal: one entry per simulated call, "Name(arg, arg, ...)", in order.
const std::vector<std::string> &journal();
void clear_journal();
// Number of calls of one operation since the last clear_journal().
int calls(const char *operation);
// Index of the first entry at or after `from` that starts with `prefix`, or -1.
int find_call(const char *prefix, int from = 0);

// Fault injection: the nth call of `operation` from now (1 = the next one)
// fails with `error`; nth 0 makes every call fail until clear_faults().
void fail_call(const char *operation, int nth, DWORD error);
void clear_faults();
// The nth WriteFile from now (1 = the next) writes only its first `bytes`
// and reports success with that count, as a full disk or a lost share may.
// Cleared by clear_faults() too.
void write_short(int nth, DWORD bytes);

// The library's own file, as GetModuleFileNameA reports it.
void set_module_path(const char *path);

// Elapsed-time clock behind GetTickCount64. Real monotonic time until a test
// sets it; from then on it only moves when set or advanced (Sleep advances it).
void set_ticks(ULONGLONG milliseconds);
void advance_ticks(ULONGLONG milliseconds);
// Called at each Sleep of the set clock, after it advanced: a test's other
// program, busy while the driver waits. Null: none (the start state).
void on_sleep(void (*hook)(void *context), void *context);

// Calendar clock behind GetSystemTimeAsFileTime, as file times count it
// (seconds and nanoseconds since 1970): the real time until a test sets it;
// from then on it only moves with Sleep on the set tick clock.
void set_system_time(long long unixSeconds, long nanoseconds);

// Desktop: the virtual-screen rectangle (metrics 76 to 79) and the screen's
// dots per inch, as GetSystemMetrics and GetDeviceCaps report them.
void set_virtual_screen(int left, int top, int width, int height);
void set_dpi(int dotsPerInch);
// From now on user32's per-monitor DPI functions are found (by
// GetModuleHandleA and GetProcAddress), each window and the system at the
// DPI set_dpi sets; until then (the start state) there are none.
void offer_dpi_functions();
// The DPI of the monitor windows are on, as GetDpiForWindow reports it;
// 0 (the start state): the system's.
void set_window_dpi(int dotsPerInch);
// The calling thread's DPI awareness context as SetThreadDpiAwarenessContext
// left it: (HANDLE)-1, unaware, until the driver changes it.
HANDLE dpi_context();
// The one monitor's work area (the desktop less its task bar); the whole
// virtual screen until set.
void set_work_area(int left, int top, int width, int height);
// A second monitor (the first stays the virtual screen as set), its work
// area less a task bar of `taskbar` pixels at its bottom. A rectangle
// belongs to the monitor with most of it, or with none on either, to the
// nearer one.
void add_monitor(int left, int top, int width, int height, int taskbar);

// Window frame added around the client area: border width and caption height.
void set_frame(int border, int caption);

// Makes a window's whole client area need painting again, as when a window
// that covered it moves away: what was drawn there is lost (the area turns
// white) and a WM_PAINT with background erasing follows.
void expose_window(HWND window);

// Live objects: GDI objects, device contexts that were not released, open
// file handles and global memory blocks.
int live_gdi_objects();
int live_dcs();
int live_handles();
int live_globals();
// Global memory blocks freed while still locked: GlobalFree frees them
// anyway, and a debug Windows says so.
int locked_frees();
int live_pictures();
// Windows created and not yet destroyed.
int live_windows();

// Pixels: the colour at a point of a window's client area, or of a bitmap.
COLORREF window_pixel(HWND window, int x, int y);
COLORREF bitmap_pixel(HBITMAP bitmap, int x, int y);

// The local time GetLocalTime reports from now on (the real one until set).
void set_local_time(const SYSTEMTIME &time);

// The command the user picks from the next menu TrackPopupMenu shows: it
// posts WM_COMMAND with this id to the menu's window, as Windows does.
// 0 (the start state): the menu closes with nothing picked.
void pick_menu_command(UINT id);
// Calls `call` while the next menu TrackPopupMenu shows is open, as the
// menu's own message loop runs the host's timers, whose calls come back into
// the driver; then the menu closes as pick_menu_command says.
void call_while_menu_open(void (*call)());
// The thread the calls come from, as GetCurrentThreadId reports it (1 until
// set). A window belongs to the thread that created it.
void set_current_thread(DWORD id);
// The layered-window attributes last set on a window: false when none were.
bool layered_attributes(HWND window, COLORREF *key, BYTE *alpha, DWORD *flags);

} // namespace sim
