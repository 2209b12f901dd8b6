// What the view answers to one request, and the head of that answer. Pure:
// the caller passes what the view is (its address, port, allowed origin,
// frame) and sends the head, then the body the answer names.
#pragma once

#include "request.h"

#include "platform/platform.h"

#include <stddef.h>

struct WebView {
    char address[64]; // as listened on: "127.0.0.1", "0.0.0.0", "192.168.1.5"
    int port;
    char origin[256]; // sent as Access-Control-Allow-Origin; empty: none
    DWORD frame;      // the current frame, whose number is in the picture's ETag
    DWORD start;      // when the view started: frames of an earlier start have other tags
};

enum WebRoute {
    WebRoutePage,    // "/": the page that shows the picture
    WebRoutePicture, // "/display.png"
    WebRouteEvents,  // "/events": a frame event at each change
    WebRouteState,   // "/state.json": the rows and cursor as text
    WebRouteNone     // an error: the answer's body is its short text
};

struct WebAnswer {
    int status;     // 200, 304, 400, 403, 404, 405, 431 or 503
    WebRoute route; // what a 200 serves
    bool body;      // false: the head alone (HEAD, 304)
    bool close;     // the connection closes after the answer (errors)
};

// The answer to a complete request: 405 for a method but GET and HEAD,
// 403 for a Host that does not name the view with its port, 404 for
// another path, 304 for the picture when If-None-Match holds its ETag.
WebAnswer DecideAnswer(const WebRequest &request, const WebView &view);
// The answer to a head that could not be read: 431 too large, 400 malformed.
WebAnswer AnswerUnreadable(RequestState state);
// The answer to a newcomer when every connection is a viewer or a request
// in progress: 503, and the connection closes.
WebAnswer AnswerBusy();

// The body of an error or of the page (a static text); NULL for the
// routes whose body the caller makes.
const char *AnswerBody(const WebAnswer &answer);

// Writes the answer's head into `out`: status line, headers, blank line.
// `contentLength` is the body's length for the picture and the state
// (the caller made them); the other lengths are known here, and an event
// stream has none. Returns the head's length, 0 when it does not fit.
size_t BuildAnswerHead(const WebAnswer &answer, const WebView &view, size_t contentLength,
                       char *out, size_t size);
