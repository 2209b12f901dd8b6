// The head is read only once its blank line is there: until then the
// caller is told to wait, or, past the limit, that it is too large. Every
// line is checked as HTTP/1.1 asks of a server that keeps no body: exact
// single spaces in the request line, no white space before a header's
// colon, no folded lines, no control characters.
#include "request.h"

#include <cstring>

struct Line {
    const char *text;
    size_t length; // without its CR LF or LF
};

// The byte after the LF that ends the head's blank line; 0: none yet.
static size_t HeadEnd(const char *bytes, size_t length) {
    size_t lineStart = 0;
    for (size_t i = 0; i < length; ++i) {
        if (bytes[i] != '\n') continue;
        size_t lineLength = i - lineStart;
        if (lineLength == 0 || (lineLength == 1 && bytes[lineStart] == '\r')) return i + 1;
        lineStart = i + 1;
    }
    return 0;
}

// The line starting at *at; moves *at past its LF (the head ends in one).
static Line NextLine(const char *bytes, size_t end, size_t *at) {
    Line line = {bytes + *at, 0};
    while (*at + line.length < end && line.text[line.length] != '\n') ++line.length;
    *at += line.length + 1;
    if (line.length > 0 && line.text[line.length - 1] == '\r') --line.length;
    return line;
}

// A character of a token: a method or a header's name.
static bool IsTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return c != '\0' && strchr("!#$%&'*+-.^_`|~", c) != NULL;
}

static size_t TokenLength(const char *text, size_t length) {
    size_t n = 0;
    while (n < length && IsTokenChar(text[n])) ++n;
    return n;
}

static void CopyCut(char *to, size_t size, const char *text, size_t length) {
    size_t n = length < size ? length : size - 1;
    memcpy(to, text, n);
    to[n] = '\0';
}

static bool SameText(const char *text, size_t length, const char *word) {
    return strlen(word) == length && memcmp(text, word, length) == 0;
}

static bool SameName(const char *text, size_t length, const char *name) {
    if (strlen(name) != length) return false;
    for (size_t i = 0; i < length; ++i) {
        char c =
            text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != name[i]) return false;
    }
    return true;
}

// The first "zoom=" parameter: whole decimal digits 1 to 16, else 1.
static int ZoomOf(const char *query, size_t length) {
    size_t start = 0;
    while (start <= length) {
        size_t end = start;
        while (end < length && query[end] != '&') ++end;
        if (end - start >= 5 && memcmp(query + start, "zoom=", 5) == 0) {
            int value = 0;
            size_t k = start + 5;
            for (; k < end && query[k] >= '0' && query[k] <= '9' && value <= 16; ++k)
                value = value * 10 + (query[k] - '0');
            return k == end && value >= 1 && value <= 16 ? value : 1;
        }
        start = end + 1;
    }
    return 1;
}

// "METHOD SP target SP HTTP/1.x", the target a path from "/".
static bool ReadRequestLine(Line line, WebRequest *out) {
    size_t method = TokenLength(line.text, line.length);
    if (method == 0 || method == line.length || line.text[method] != ' ') return false;
    out->method = SameText(line.text, method, "GET")    ? WebGet
                  : SameText(line.text, method, "HEAD") ? WebHead
                                                        : WebOtherMethod;
    const char *target = line.text + method + 1;
    const char *lineEnd = line.text + line.length;
    size_t targetLength = 0;
    while (target + targetLength < lineEnd && target[targetLength] > ' ' &&
           target[targetLength] < 0x7F)
        ++targetLength;
    if (targetLength == 0 || target[0] != '/') return false;
    const char *version = target + targetLength;
    if (version == lineEnd || *version != ' ') return false;
    ++version;
    size_t versionLength = static_cast<size_t>(lineEnd - version);
    if (SameText(version, versionLength, "HTTP/1.1"))
        out->minorVersion = 1;
    else if (SameText(version, versionLength, "HTTP/1.0"))
        out->minorVersion = 0;
    else
        return false;
    const char *question = static_cast<const char *>(memchr(target, '?', targetLength));
    size_t pathLength = question ? static_cast<size_t>(question - target) : targetLength;
    CopyCut(out->path, sizeof out->path, target, pathLength);
    if (question) {
        size_t queryLength = targetLength - pathLength - 1;
        CopyCut(out->query, sizeof out->query, question + 1, queryLength);
        out->zoom = ZoomOf(question + 1, queryLength);
    }
    return true;
}

// "name: value", blanks around the value left out; keeps the two the view
// uses. A line that starts with a blank (the obsolete folding of a value
// onto the next line) has no name, and is refused with the others.
static bool ReadHeader(Line line, WebRequest *out) {
    size_t name = TokenLength(line.text, line.length);
    if (name == 0 || name == line.length || line.text[name] != ':') return false;
    size_t from = name + 1, to = line.length;
    while (from < to && (line.text[from] == ' ' || line.text[from] == '\t')) ++from;
    while (to > from && (line.text[to - 1] == ' ' || line.text[to - 1] == '\t')) --to;
    for (size_t i = from; i < to; ++i) {
        unsigned char c = static_cast<unsigned char>(line.text[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
    }
    if (SameName(line.text, name, "host")) {
        if (out->hasHost) return false;
        out->hasHost = true;
        CopyCut(out->host, sizeof out->host, line.text + from, to - from);
    } else if (SameName(line.text, name, "if-none-match") && !out->hasIfNoneMatch) {
        out->hasIfNoneMatch = true;
        CopyCut(out->ifNoneMatch, sizeof out->ifNoneMatch, line.text + from, to - from);
    }
    return true;
}

RequestState ParseRequestHead(const char *bytes, size_t length, WebRequest *out) {
    memset(out, 0, sizeof *out);
    out->zoom = 1;
    size_t end = HeadEnd(bytes, length < kWebHeadLimit ? length : kWebHeadLimit);
    if (end == 0) return length >= kWebHeadLimit ? RequestTooLarge : RequestNeedMore;
    out->headLength = end;
    size_t at = 0;
    if (!ReadRequestLine(NextLine(bytes, end, &at), out)) return RequestMalformed;
    for (;;) {
        Line line = NextLine(bytes, end, &at);
        if (line.length == 0) break; // the blank line, the last of the head
        if (!ReadHeader(line, out)) return RequestMalformed;
    }
    if (out->minorVersion == 1 && !out->hasHost) return RequestMalformed;
    return RequestComplete;
}
