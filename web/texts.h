// The view's texts: the display's state as JSON, the events that announce
// a new frame, and the page that shows the picture.
#pragma once

#include "driver/display_memory.h"
#include "platform/platform.h"

#include <stddef.h>

// What the state tells, copied from the driver's while it holds still.
struct WebState {
    DWORD frame;
    LONG width, height; // of the picture
    char module[16];    // "20x4"; empty: no module (null in the JSON)
    int column, row;    // the cursor
    unsigned char rows[kRows][kColumns + 1];
};

// Room for any state's JSON: every cell may take six characters.
const size_t kStateJsonSize = 4096;

// {"frame":N,"width":W,"height":H,"module":"20x4" or null,
//  "cursor":{"column":C,"row":R},"rows":["...","...","...","..."]} on one
// line, the rows' Windows-1252 characters as UTF-8. Returns its length, 0
// when it does not fit in `size` (with its terminator).
size_t BuildStateJson(const WebState &state, char *out, size_t size);

// "event: frame\ndata: <the state's JSON>\n\n"; its length, 0 when it does
// not fit.
size_t BuildFrameEvent(const WebState &state, char *out, size_t size);
// The comment that keeps an idle event stream open.
const char *KeepAliveEvent();

// The page: the picture at its size times the zoom of the page's query
// (zoom=1 to 16), on a transparent background, loaded again at each frame
// event.
const char *ViewPage();
