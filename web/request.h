// One HTTP/1.1 request head, read from the bytes that arrived so far. The
// caller keeps the bytes in a buffer of its own and asks again after each
// arrival; nothing is kept here between two calls.
#pragma once

#include <stddef.h>

// The largest head, request line to blank line included.
const size_t kWebHeadLimit = 8192;
// Room for the path, the query and the header values kept.
const size_t kWebTextSize = 256;

enum RequestState {
    RequestNeedMore, // no blank line yet: wait for more bytes
    RequestComplete, // the head was read into the request
    RequestTooLarge, // more than kWebHeadLimit bytes without its end (431)
    RequestMalformed // not a request this server reads (400)
};

enum WebMethod { WebGet, WebHead, WebOtherMethod };

struct WebRequest {
    WebMethod method;
    int minorVersion; // HTTP/1.0 or HTTP/1.1
    // The path without its query, and the query without its "?". A longer
    // text than fits is kept cut short: then it names nothing the view
    // serves, as every name it serves is far shorter.
    char path[kWebTextSize];
    char query[kWebTextSize];
    int zoom; // zoom=N in the query, 1 to 16; 1 when missing or anything else
    bool hasHost;
    char host[kWebTextSize];
    bool hasIfNoneMatch;
    char ifNoneMatch[kWebTextSize];
    size_t headLength; // bytes up to and including the blank line
};

// Reads the head at the start of `bytes` (all `length` bytes arrived so
// far). Lines end in CR LF or a bare LF. Header names are matched without
// regard to case; of the headers only Host and If-None-Match are kept.
// Malformed: a request line other than "METHOD /path[?query] HTTP/1.x",
// a header line without a name and colon, a folded header line, a control
// character anywhere but a tab in a value, two Host headers, or none in an
// HTTP/1.1 request.
RequestState ParseRequestHead(const char *bytes, size_t length, WebRequest *out);
