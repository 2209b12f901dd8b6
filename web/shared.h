// What the host's thread hands the server thread, under one lock.
#pragma once

#include "platform/platform.h"
#include "web/answer.h"
#include "web/serve_errors.h"
#include "web/texts.h"

struct WebShared {
    CRITICAL_SECTION lock;
    bool stop;       // set by StopWebView: the thread ends
    int viewers;     // connections open: the picture is made only while some are
    WebState state;  // state.frame counts the repaints
    WebView view;    // address, port, origin
    BYTE *pixels;    // the picture of pixelsFrame as the kept image holds it (malloc'd)
    size_t pixelsCapacity;
    BITMAPINFOHEADER pixelsInfo; // 32 bits a pixel
    COLORREF pixelsKey;          // the colour shown see-through, or none
    DWORD pixelsFrame;           // the frame handed over last; 0: none yet
    bool pixelsTaken;            // the server thread took them (its buffer is here instead)
    HMODULE module;  // the thread's reference to the DLL, freed as it ends
    ServeErrors errors; // noted by the thread, logged by the host's thread
};

extern WebShared WebRecord;

// The server thread's loop, on the listening socket.
DWORD WINAPI WebServerThread(LPVOID listening);

// Trades a buffer and its capacity for the record's pixels: the one way
// pixels change hands between the threads. Called with the lock held.
inline void TradePixels(BYTE **buffer, size_t *capacity) {
    BYTE *mine = *buffer;
    size_t mineCapacity = *capacity;
    *buffer = WebRecord.pixels;
    *capacity = WebRecord.pixelsCapacity;
    WebRecord.pixels = mine;
    WebRecord.pixelsCapacity = mineCapacity;
}
