// The view serves four paths to GET and HEAD, and only to a request whose
// Host names the address the view listens on with its port: a page from
// another site that has its own name point at this address (DNS
// rebinding) sends that name, and is refused.
#include "answer.h"

#include "web/bounded_text.h"
#include "web/texts.h"

#include <cstdio>
#include <cstring>

struct Route {
    const char *path;
    WebRoute route;
    const char *type;
};
static const Route kRoutes[] = {
    {"/", WebRoutePage, "text/html; charset=utf-8"},
    {"/display.png", WebRoutePicture, "image/png"},
    {"/events", WebRouteEvents, "text/event-stream"},
    {"/state.json", WebRouteState, "application/json"},
};
static const int kRouteCount = sizeof kRoutes / sizeof kRoutes[0];

struct Status {
    int code;
    const char *reason;
    const char *body; // an error's text
};
static const Status kStatuses[] = {
    {200, "OK", NULL},
    {304, "Not Modified", NULL},
    {400, "Bad Request", "400 Bad Request\n"},
    {403, "Forbidden", "403 Forbidden: the Host header does not name this display\n"},
    {404, "Not Found", "404 Not Found\n"},
    {405, "Method Not Allowed", "405 Method Not Allowed: GET and HEAD only\n"},
    {431, "Request Header Fields Too Large", "431 Request Header Fields Too Large\n"},
    {503, "Service Unavailable", "503 Service Unavailable: every connection is taken\n"},
};
static const int kStatusCount = sizeof kStatuses / sizeof kStatuses[0];

static const Status &StatusOf(int code) {
    for (int i = 0; i < kStatusCount; ++i)
        if (kStatuses[i].code == code) return kStatuses[i];
    return kStatuses[0];
}

static bool SameTextIgnoringCase(const char *text, size_t length, const char *word) {
    if (strlen(word) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        char a =
            text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        char b =
            word[i] >= 'A' && word[i] <= 'Z' ? static_cast<char>(word[i] - 'A' + 'a') : word[i];
        if (a != b) return false;
    }
    return true;
}

static bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Four numbers 0 to 255 with dots between.
static bool IsIpv4(const char *text, size_t length) {
    size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= length || text[i] != '.') return false;
            ++i;
        }
        int value = 0;
        size_t digits = 0;
        while (i < length && IsDigit(text[i]) && digits < 3) {
            value = value * 10 + (text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || value > 255) return false;
    }
    return i == length;
}

// An IPv6 address in brackets, as a Host names one.
static bool IsIpv6InBrackets(const char *text, size_t length) {
    if (length < 4 || text[0] != '[' || text[length - 1] != ']') return false;
    bool colon = false;
    for (size_t i = 1; i + 1 < length; ++i) {
        char c = text[i];
        bool hex = IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex && c != ':' && c != '.') return false;
        colon = colon || c == ':';
    }
    return colon;
}

// Whether `host` is a name of the view: its address, or for the loopback
// address the loopback names; for the any-address, any address or
// localhost, but no other name. Each followed by ":port" exactly; without
// a port a Host names HTTP's own, 80, as browsers send it for that port.
static bool HostNamesView(const char *host, const WebView &view) {
    const char *brackets = host[0] == '[' ? strchr(host, ']') : NULL;
    const char *colon = strrchr(brackets ? brackets : host, ':');
    char port[16];
    snprintf(port, sizeof port, "%d", view.port);
    if (strcmp(colon ? colon + 1 : "80", port) != 0) return false;
    const size_t length = colon ? static_cast<size_t>(colon - host) : strlen(host);
    if (strcmp(view.address, "0.0.0.0") == 0)
        return IsIpv4(host, length) || IsIpv6InBrackets(host, length) ||
               SameTextIgnoringCase(host, length, "localhost");
    if (strcmp(view.address, "127.0.0.1") == 0 &&
        (SameTextIgnoringCase(host, length, "localhost") ||
         SameTextIgnoringCase(host, length, "[::1]")))
        return true;
    if (strchr(view.address, ':')) { // an IPv6 address, named in brackets
        return length == strlen(view.address) + 2 && host[0] == '[' && host[length - 1] == ']' &&
               SameTextIgnoringCase(host + 1, length - 2, view.address);
    }
    return SameTextIgnoringCase(host, length, view.address);
}

// If-None-Match holds "*" or a list of entity tags; a weak one (W/"...")
// matches too, as the header compares them.
static bool TagListHolds(const char *list, const char *tag) {
    if (strcmp(list, "*") == 0) return true;
    const size_t tagLength = strlen(tag);
    const char *p = list;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (p[0] == 'W' && p[1] == '/') p += 2;
        const char *end = p;
        while (*end && *end != ',') ++end;
        const char *last = end;
        while (last > p && (last[-1] == ' ' || last[-1] == '\t')) --last;
        if (static_cast<size_t>(last - p) == tagLength && memcmp(p, tag, tagLength) == 0)
            return true;
        if (!*end) return false;
        p = end + 1;
    }
}

// The frame's number, after the view's start: frames count from 1 again
// when the host starts the driver again, and a browser's cached picture of
// an earlier frame 1 must not pass for the new one.
static void PictureTag(const WebView &view, char *tag, size_t size) {
    snprintf(tag, size, "\"%lx-%lu\"", static_cast<unsigned long>(view.start),
             static_cast<unsigned long>(view.frame));
}

static WebAnswer Error(int status, bool body) {
    WebAnswer answer = {status, WebRouteNone, body, true};
    return answer;
}

WebAnswer DecideAnswer(const WebRequest &request, const WebView &view) {
    const bool body = request.method != WebHead;
    if (request.method == WebOtherMethod) return Error(405, body);
    if (!request.hasHost || !HostNamesView(request.host, view)) return Error(403, body);
    for (int i = 0; i < kRouteCount; ++i) {
        if (strcmp(request.path, kRoutes[i].path) != 0) continue;
        WebAnswer answer = {200, kRoutes[i].route, body, false};
        char tag[32];
        PictureTag(view, tag, sizeof tag);
        if (answer.route == WebRoutePicture && request.hasIfNoneMatch &&
            TagListHolds(request.ifNoneMatch, tag)) {
            answer.status = 304;
            answer.body = false;
        }
        return answer;
    }
    return Error(404, body);
}

WebAnswer AnswerUnreadable(RequestState state) {
    return Error(state == RequestTooLarge ? 431 : 400, true);
}

WebAnswer AnswerBusy() { return Error(503, true); }

const char *AnswerBody(const WebAnswer &answer) {
    if (answer.status >= 400) return StatusOf(answer.status).body;
    return answer.status == 200 && answer.route == WebRoutePage ? ViewPage() : NULL;
}

static void PutHeader(BoundedText &w, const char *name, const char *value) {
    PutText(w, name);
    PutText(w, ": ");
    PutText(w, value);
    PutText(w, "\r\n");
}

// Only text a header line can carry: a configured origin with a line
// break would add headers of its own.
static bool IsHeaderValue(const char *text) {
    for (; *text; ++text)
        if (static_cast<unsigned char>(*text) < 0x20 || *text == 0x7F) return false;
    return true;
}

size_t BuildAnswerHead(const WebAnswer &answer, const WebView &view, size_t contentLength,
                       char *out, size_t size) {
    BoundedText w = StartText(out, size);
    const Status &status = StatusOf(answer.status);
    PutText(w, "HTTP/1.1 ");
    PutNumber(w, status.code);
    PutText(w, " ");
    PutText(w, status.reason);
    PutText(w, "\r\n");
    if (answer.status != 304) {
        const char *type = "text/plain; charset=utf-8";
        for (int i = 0; i < kRouteCount; ++i)
            if (kRoutes[i].route == answer.route) type = kRoutes[i].type;
        PutHeader(w, "Content-Type", type);
        if (answer.route != WebRouteEvents) {
            const char *fixed = AnswerBody(answer);
            PutText(w, "Content-Length: ");
            PutNumber(w, static_cast<long>(fixed ? strlen(fixed) : contentLength));
            PutText(w, "\r\n");
        }
    }
    PutHeader(w, "Cache-Control", "no-cache");
    PutHeader(w, "X-Content-Type-Options", "nosniff");
    if (answer.route == WebRoutePicture) {
        char tag[32];
        PictureTag(view, tag, sizeof tag);
        PutHeader(w, "ETag", tag);
    }
    if (answer.status == 405) PutHeader(w, "Allow", "GET, HEAD");
    if (view.origin[0] && IsHeaderValue(view.origin))
        PutHeader(w, "Access-Control-Allow-Origin", view.origin);
    if (answer.close) PutHeader(w, "Connection", "close");
    PutText(w, "\r\n");
    return TextLength(w);
}
