// The nine exported entry points. Each runs its steps in a fixed order;
// failures go to the log, never to the host (except the ok byte).
#include "tavlora.h"

#include "config/config.h"
#include "config/watch.h"
#include "driver/display_memory.h"
#include "log/log.h"
#include "record/capture.h"
#include "record/png_bands.h"
#include "screen/dirty.h"
#include "screen/placement.h"
#include "screen/refresh.h"
#include "screen/window.h"
#include "screen/window_class.h"
#include "web/server.h"

#include <cstdio>
#include <cstring>

static char DriverNameText[29];
static char UsageText[] = "No parameters required - see Tavlora.cfg";
static char DefaultParametersText[] = " ";

static unsigned LowByte(UINT value) {
    return value & 0xFF;
}

// The "Incoming"/"Outgoing" detail. The parameter text has no bound from the
// host, so only its first 512 characters are logged.
static void LogStart(const char *event, unsigned x, unsigned y, const char *params,
                     const char *ok) {
    char detail[640];
    snprintf(detail, sizeof detail, "x=%u, y=%u, params=%.512s, ok=%u", x, y, params ? params : "",
             ok ? static_cast<unsigned char>(*ok) : 0u);
    WriteLog(event, detail);
}

extern "C" {

char *WINAPI DISPLAYDLL_Init(UINT x, UINT y, char *params, char *ok) {
    unsigned column = LowByte(x), row = LowByte(y);
    ReadConfigAtStart();
    OpenLog();
    LogStart("Incoming", column, row, params, ok);
    FillStartupRows();
    int created = create_screen();
    if (ok) *ok = static_cast<char>(created);
    RestartRecording();
    StartWebView();
    RefreshScreen();
    LogStart("Outgoing", column, row, params, ok);
    return DISPLAYDLL_DriverName();
}

// Done leaves nothing of the driver behind, so a host may unload it: the
// window, its class, the picture and the last PNG recording's kept image
// go, and the log file is closed (a later Init opens it again and appends).
void WINAPI DISPLAYDLL_Done() {
    WriteLog("**** Done Called ****", "Closing");
    SavePendingPlace(true);
    StopWebView();
    CloseScreen();
    ForgetPngBands();
    WriteLog("**** Done Called ****", "Closed");
    CloseLog();
}

// The library's entry point. Unloaded without Done, the driver closes its
// log file, which the C runtime shared with the host would otherwise keep
// open. Nothing else is safe here under the loader's lock (no window, class
// or picture calls); at process exit (`reserved` non-null) nothing is done.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && !reserved) CloseLog();
    return TRUE;
}

// The text is stored before the refresh processes messages: a call the
// menu's or a drag's loop makes meanwhile (the host's timer) may move the
// cursor.
void WINAPI DISPLAYDLL_Write(char *text) {
    WriteAtCursor(text);
    RefreshScreen();
}

void WINAPI DISPLAYDLL_SetPosition(UINT column, UINT row) {
    ProcessWindowMessages();
    MoveCursor(LowByte(column), LowByte(row));
}

void WINAPI DISPLAYDLL_CustomChar(UINT chr, char *data) {
    unsigned slot = LowByte(chr);
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(data);
    unsigned char b[8] = {0};
    if (bytes) memcpy(b, bytes, sizeof b);
    char detail[80];
    snprintf(detail, sizeof detail, "chr=%u, data=%u,%u,%u,%u,%u,%u,%u,%u", slot, b[0], b[1], b[2],
             b[3], b[4], b[5], b[6], b[7]);
    WriteLog("DISPLAYDLL_CustomChar", detail);
    if (StoreGlyph(slot, bytes)) MarkDisplayDirty();
}

UINT WINAPI DISPLAYDLL_CustomCharIndex(UINT index) {
    unsigned value = LowByte(index);
    char detail[40];
    snprintf(detail, sizeof detail, "index=%u, returned %u", value, value);
    WriteLog("DISPLAYDLL_CustomCharIndex", detail);
    return value;
}

char *WINAPI DISPLAYDLL_DriverName() {
    memcpy(DriverNameText, "Tavlora Display v", 18);
    memcpy(DriverNameText + 17, "1.1.118.633", 12);
    return DriverNameText;
}

char *WINAPI DISPLAYDLL_Usage() {
    return UsageText;
}

char *WINAPI DISPLAYDLL_DefaultParameters() {
    return DefaultParametersText;
}

} // extern "C"
