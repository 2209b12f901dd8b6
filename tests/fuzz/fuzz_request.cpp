// Fuzz target: the web view's request reader and what it answers, on any
// bytes a client sends. The head is read from a block of exactly the
// input's size, so the sanitizers see any read beyond it, and
//  1. a head read whole ends where it says, inside the input, with its
//     texts terminated and its zoom in range;
//  2. the answer's head fits and is one head: whatever the request or the
//     configured origin hold, no line break of theirs starts a header or
//     ends the head early;
//  3. any rows, read as the display's text, make JSON with no raw control
//     character and only whole UTF-8 sequences, and always fit.
#include "fuzz_support.h"

#include "web/answer.h"
#include "web/request.h"
#include "web/texts.h"

#include <cstring>
#include <vector>

static void CheckHead(const char *head, size_t length) {
    fuzz::Require(length >= 4 && memcmp(head + length - 4, "\r\n\r\n", 4) == 0, "a head ends in a blank line");
    for (size_t i = 0; i + 4 <= length; ++i)
        fuzz::Require(memcmp(head + i, "\r\n\r\n", 4) != 0 || i + 4 == length, "one blank line");
    for (size_t i = 0; i < length; ++i)
        fuzz::Require(head[i] != '\n' || (i > 0 && head[i - 1] == '\r'), "only CR LF breaks a line");
}

static void CheckJson(const char *json, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(json[i]);
        fuzz::Require(c >= 0x20, "no raw control character");
        if (c < 0x80) continue;
        size_t more = c >= 0xE0 ? 2 : 1;
        fuzz::Require(c >= 0xC2 && c < 0xF0 && i + more < length, "a sequence starts well");
        for (size_t k = 1; k <= more; ++k)
            fuzz::Require((static_cast<unsigned char>(json[i + k]) & 0xC0) == 0x80, "a sequence goes on");
        i += more;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<char> exact(data, data + size);
    WebRequest request;
    RequestState state = ParseRequestHead(exact.empty() ? nullptr : exact.data(), exact.size(), &request);
    fuzz::Require(state != RequestTooLarge || size > kWebHeadLimit, "only a long head is too large");

    WebView view;
    memset(&view, 0, sizeof view);
    snprintf(view.address, sizeof view.address, "127.0.0.1");
    view.port = 8080;
    view.frame = static_cast<DWORD>(size);
    size_t rest = 0; // what follows the head: the origin, then the rows
    WebAnswer answer = AnswerUnreadable(state);
    if (state == RequestComplete) {
        fuzz::Require(request.headLength > 0 && request.headLength <= size, "the head is in the input");
        fuzz::Require(data[request.headLength - 1] == '\n', "the head ends a line");
        fuzz::Require(memchr(request.path, 0, sizeof request.path) && memchr(request.host, 0, sizeof request.host) &&
                          memchr(request.query, 0, sizeof request.query) &&
                          memchr(request.ifNoneMatch, 0, sizeof request.ifNoneMatch),
                      "texts are terminated");
        fuzz::Require(request.zoom >= 1 && request.zoom <= 16, "zoom 1 to 16");
        answer = DecideAnswer(request, view);
        rest = request.headLength;
    }
    if (state != RequestNeedMore) {
        size_t origin = size - rest < sizeof view.origin ? size - rest : sizeof view.origin - 1;
        memcpy(view.origin, data + rest, origin);
        view.origin[origin] = 0;
        char head[1024];
        size_t length = BuildAnswerHead(answer, view, 123456, head, sizeof head);
        fuzz::Require(length > 0, "an answer's head fits");
        CheckHead(head, length);
        rest += origin;
    }

    WebState shown;
    memset(&shown, 0, sizeof shown);
    for (size_t r = 0; r < static_cast<size_t>(kRows); ++r)
        for (size_t c = 0; c < static_cast<size_t>(kColumns) && rest < size; ++c)
            shown.rows[r][c] = data[rest++];
    static char json[kStateJsonSize];
    size_t length = BuildStateJson(shown, json, sizeof json);
    fuzz::Require(length > 0, "any state's JSON fits");
    CheckJson(json, length);
    return 0;
}
