// The host's side of the web view: starting and stopping the server thread,
// and handing it each new frame.
#include "web/server.h"

#include "config/config.h"
#include "driver/display_memory.h"
#include "log/log.h"
#include "screen/kept_image.h"
#include "screen/widget.h"
#include "web/png_alpha.h" // kNoColourKey
#include "web/shared.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

WebShared WebRecord;

static bool LockMade;
static bool WinsockStarted;
static SOCKET Listening = INVALID_SOCKET;
static HANDLE ServerThread;

// The settings the view was last started with, whether it started or not:
// a live save that changes them restarts it.
struct StartedWith {
    bool tried;
    int port;
    char address[sizeof ScreenSettings.WebAddress];
    char origin[sizeof ScreenSettings.WebAllowOrigin];
};
static StartedWith Started;

// The host's thread's own buffer: the kept image's pixels are read into
// it without the lock, then it trades places with the record's.
static BYTE *HostPixels;
static size_t HostPixelsCapacity;

static void LogWebFailure(const char *step, int error) {
    char detail[160];
    snprintf(detail, sizeof detail, "%s on %.63s:%d failed (error %d): no web view",
             step, ScreenSettings.WebAddress, static_cast<int>(ScreenSettings.WebPort), error);
    WriteLog("Error web view", detail);
}

static void CloseListening() {
    if (Listening != INVALID_SOCKET) closesocket(Listening);
    Listening = INVALID_SOCKET;
    if (WinsockStarted) WSACleanup();
    WinsockStarted = false;
}

// The listening socket, bound on the host's thread so that a failure is
// logged at once. False after logging why.
static bool OpenListening(int port) {
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    if (inet_pton(AF_INET, ScreenSettings.WebAddress, &address.sin_addr) != 1) {
        LogWebFailure("Reading the address", 0);
        return false;
    }
    WSADATA data;
    int started = WSAStartup(MAKEWORD(2, 2), &data);
    if (started != 0) {
        LogWebFailure("WSAStartup", started);
        return false;
    }
    WinsockStarted = true;
    Listening = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    BOOL exclusive = TRUE;
    ULONG nonBlocking = 1;
    const char *step = Listening == INVALID_SOCKET ? "socket" : NULL;
    if (!step && setsockopt(Listening, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                            reinterpret_cast<const char *>(&exclusive), sizeof exclusive) != 0)
        step = "setsockopt";
    if (!step && bind(Listening, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        step = "bind";
    if (!step && listen(Listening, 16) != 0) step = "listen";
    if (!step && ioctlsocket(Listening, FIONBIO, &nonBlocking) != 0) step = "ioctlsocket";
    if (!step) return true;
    LogWebFailure(step, WSAGetLastError());
    CloseListening();
    return false;
}

void StartWebView() {
    int port = ScreenSettings.WebPort;
    Started.tried = true;
    Started.port = port;
    snprintf(Started.address, sizeof Started.address, "%s", ScreenSettings.WebAddress);
    snprintf(Started.origin, sizeof Started.origin, "%s", ScreenSettings.WebAllowOrigin);
    if (port == 0) return;
    if (ServerThread) return; // an earlier start's thread still runs
    if (port < 0 || port > 65535) {
        LogWebFailure("The port", 0);
        return;
    }
    if (!OpenListening(port)) return;
    if (!LockMade) {
        InitializeCriticalSection(&WebRecord.lock);
        LockMade = true;
    }
    EnterCriticalSection(&WebRecord.lock);
    WebRecord.stop = false;
    WebRecord.viewers = 0;
    WebRecord.pixelsFrame = 0;
    snprintf(WebRecord.view.address, sizeof WebRecord.view.address, "%s",
             ScreenSettings.WebAddress);
    WebRecord.view.port = port;
    WebRecord.view.start = static_cast<DWORD>(GetTickCount64());
    snprintf(WebRecord.view.origin, sizeof WebRecord.view.origin, "%s",
             ScreenSettings.WebAllowOrigin);
    WebRecord.module = NULL;
    memset(&WebRecord.errors, 0, sizeof WebRecord.errors);
    LeaveCriticalSection(&WebRecord.lock);
    // The thread's own reference to the DLL: taken here, so no unload can
    // come between the thread's start and its taking it.
    HMODULE self = NULL;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&WebServerThread), &self)) {
        LogLastError("Error web view GetModuleHandleEx");
        CloseListening();
        return;
    }
    EnterCriticalSection(&WebRecord.lock);
    WebRecord.module = self;
    LeaveCriticalSection(&WebRecord.lock);
    ServerThread = CreateThread(NULL, 0, WebServerThread, reinterpret_cast<LPVOID>(Listening), 0,
                                NULL);
    if (!ServerThread) {
        LogLastError("Error web view CreateThread");
        FreeLibrary(self);
        CloseListening();
        return;
    }
    char detail[160];
    snprintf(detail, sizeof detail, "serving the display on http://%.63s:%d/",
             ScreenSettings.WebAddress, port);
    WriteLog("Web view", detail);
    if (strcmp(ScreenSettings.WebAddress, "127.0.0.1") != 0)
        WriteLog("Web view", "listening beyond this computer: the network can see the display");
}

static void StopServer() {
    if (!ServerThread) return;
    EnterCriticalSection(&WebRecord.lock);
    WebRecord.stop = true;
    LeaveCriticalSection(&WebRecord.lock);
    if (WaitForSingleObject(ServerThread, 1000) != WAIT_OBJECT_0) {
        // Its socket goes, which ends its wait; the thread, its record and
        // Winsock stay until a later Done sees it gone, and no start makes
        // a second one meanwhile.
        WriteLog("Web view", "the server thread did not stop within a second");
        if (Listening != INVALID_SOCKET) closesocket(Listening);
        Listening = INVALID_SOCKET;
        return;
    }
    CloseHandle(ServerThread);
    ServerThread = NULL;
    CloseListening();
    // Nothing of the view is left for a host that unloads the driver.
    free(WebRecord.pixels);
    free(HostPixels);
    WebRecord.pixels = HostPixels = NULL;
    WebRecord.pixelsCapacity = HostPixelsCapacity = 0;
    DeleteCriticalSection(&WebRecord.lock);
    LockMade = false;
}

void StopWebView() {
    StopServer();
    Started.tried = false;
}

// After a live save: a view started with other settings starts again with
// these (or ends, at WebPort=0).
static void FollowWebSettings() {
    const ScreenSettingsRecord &s = ScreenSettings;
    if (!Started.tried || (Started.port == s.WebPort && strcmp(Started.address, s.WebAddress) == 0 &&
                           strcmp(Started.origin, s.WebAllowOrigin) == 0))
        return;
    WriteLog("Web view", "the settings changed: the view starts again");
    StopServer();
    StartWebView();
}

// Hands the kept image's pixels to the server thread, which encodes them.
static void HandOverPicture(ComposedImage *image, DWORD frame) {
    const BITMAPINFOHEADER &info = image->info.bmiHeader;
    const size_t bytes = static_cast<size_t>(info.biWidth) * 4 * static_cast<size_t>(info.biHeight);
    if (HostPixelsCapacity < bytes) {
        free(HostPixels);
        HostPixels = static_cast<BYTE *>(malloc(bytes));
        HostPixelsCapacity = HostPixels ? bytes : 0;
    }
    if (!HostPixels) {
        EnterCriticalSection(&WebRecord.lock);
        NoteServeError(WebRecord.errors, ServeMemory, ERROR_NOT_ENOUGH_MEMORY, GetTickCount64());
        LeaveCriticalSection(&WebRecord.lock);
        return;
    }
    if (!CopyComposedPixels(image, HostPixels)) return;
    const ScreenSettingsRecord &s = ScreenSettings;
    COLORREF key = WidgetColourKeyed(s) ? WidgetColourKey(s) : kNoColourKey;
    EnterCriticalSection(&WebRecord.lock);
    TradePixels(&HostPixels, &HostPixelsCapacity);
    WebRecord.pixelsInfo = info;
    WebRecord.pixelsKey = key;
    WebRecord.pixelsFrame = frame;
    WebRecord.pixelsTaken = false;
    LeaveCriticalSection(&WebRecord.lock);
}

void PublishWebView(bool repainted) {
    FollowWebSettings();
    if (!ServerThread) return;
    ComposedImage *image = CurrentImage();
    EnterCriticalSection(&WebRecord.lock);
    WebState &state = WebRecord.state;
    if (repainted || state.frame == 0) {
        ++state.frame;
        if (state.frame == 0) state.frame = 1;
        memcpy(state.rows, TextRows, sizeof state.rows);
        state.column = Cursor.Column;
        state.row = Cursor.Row;
        snprintf(state.module, sizeof state.module, "%s", ScreenSettings.Module);
        state.width = image ? image->info.bmiHeader.biWidth : 0;
        state.height = image ? image->info.bmiHeader.biHeight : 0;
    }
    const bool wanted = WebRecord.viewers > 0 && image && WebRecord.pixelsFrame != state.frame;
    const DWORD frame = state.frame;
    ServeErrors errors = WebRecord.errors; // logged outside the lock
    WebRecord.errors.begun = 0;
    LeaveCriticalSection(&WebRecord.lock);
    if (wanted) HandOverPicture(image, frame);
    if (errors.begun) LogServeErrors(errors);
}
