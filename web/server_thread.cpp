// The server thread: accepts connections, reads their request heads and
// answers from what the host's thread handed over. It touches no window,
// no drawing object and no driver state, only the shared record, and keeps
// a reference to the DLL (taken for it at its start) that it gives back as
// it leaves, so that an unload never pulls the code from under it.
#include "web/picture_cache.h"
#include "web/request.h"
#include "web/shared.h"

#include <cstdlib>
#include <cstring>

namespace {

const int kMaxConnections = 16;
const ULONGLONG kHeadTimeout = 10000;   // ms for a whole head
const ULONGLONG kKeepAliveEvery = 15000; // ms between comments on a quiet stream
const ULONGLONG kStalled = 5000;        // ms an answer may wait for a reader that reads nothing
const LONG kSelectMicroseconds = 100000;
const LONG kFrameMicroseconds = 10000; // while a stream or a picture waits for frames

struct Connection {
    SOCKET socket; // INVALID_SOCKET: the slot is free
    char head[kWebHeadLimit + 1];
    size_t got;
    ULONGLONG since;  // when the head began
    bool waitPicture; // a picture request waits for the host's pixels of the frame
    WebRequest request;
    WebAnswer answer;
    bool events;      // an event stream: sends frames until it closes
    DWORD lastFrame;  // the last frame it was sent
    ULONGLONG lastSend;
    BYTE *out;        // the answer being sent (malloc'd); an event stream's one pending frame
    size_t outLength, outSent;
    ULONGLONG moved;  // when the answer was queued or last went out in part
    bool closeAfter;
};

Connection Connections[kMaxConnections];

void Lock() { EnterCriticalSection(&WebRecord.lock); }
void Unlock() { LeaveCriticalSection(&WebRecord.lock); }

void Failed(ServeErrorKind kind, int error) {
    Lock();
    NoteServeError(WebRecord.errors, kind, error, GetTickCount64());
    Unlock();
}

// A peer that went away is no error of the view's.
bool PeerGone(int error) {
    return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAESHUTDOWN;
}

void CloseConnection(Connection &c) {
    closesocket(c.socket);
    free(c.out);
    memset(&c, 0, sizeof c);
    c.socket = INVALID_SOCKET;
    Lock();
    --WebRecord.viewers;
    Unlock();
}

// Queues a head and body for sending; false when there is no memory.
bool Queue(Connection &c, const char *head, size_t headLength, const void *body,
           size_t bodyLength) {
    BYTE *out = static_cast<BYTE *>(malloc(headLength + bodyLength + 1));
    if (!out) {
        Failed(ServeMemory, ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    memcpy(out, head, headLength);
    if (bodyLength) memcpy(out + headLength, body, bodyLength);
    c.out = out;
    c.outLength = headLength + bodyLength;
    c.outSent = 0;
    c.moved = GetTickCount64();
    return true;
}

// Makes the answer to a read request, the picture only once the host has
// handed over the current frame's pixels. False while the picture is awaited.
bool Answer(Connection &c, const WebView &view, const WebState &state) {
    char head[1024];
    char text[kStateJsonSize];
    const void *body = NULL;
    size_t bodyLength = 0;
    WebView tagged = view; // the picture's tag names the frame it shows
    const WebAnswer &a = c.answer;
    if (a.status == 200 && a.route == WebRoutePicture) {
        const BYTE *picture = NULL;
        PictureReady ready = CurrentPicture(&picture, &bodyLength, &tagged.frame);
        if (ready == PictureAwaited) return false;
        if (ready == PictureFailed) { // no memory: the connection goes
            Failed(ServeMemory, ERROR_NOT_ENOUGH_MEMORY);
            CloseConnection(c);
            return true;
        }
        body = picture;
    } else if (a.status == 200 && a.route == WebRouteState) {
        bodyLength = BuildStateJson(state, text, sizeof text);
        body = text;
    } else if (AnswerBody(a)) {
        body = AnswerBody(a);
        bodyLength = strlen(AnswerBody(a));
    }
    size_t headLength = BuildAnswerHead(a, tagged, bodyLength, head, sizeof head);
    bool queued = headLength && Queue(c, head, headLength, a.body ? body : NULL,
                                      a.body ? bodyLength : 0);
    c.closeAfter = !queued || a.close || (a.status == 200 && a.route == WebRouteEvents);
    if (queued && a.status == 200 && a.route == WebRouteEvents && a.body) {
        c.events = true;
        c.closeAfter = false;
        c.lastFrame = 0; // the current state goes out first
    }
    return true;
}

// Answers the head at the start of what arrived once it is whole.
void TakeHead(Connection &c, const WebView &view, const WebState &state) {
    RequestState read = ParseRequestHead(c.head, c.got, &c.request);
    if (read == RequestNeedMore) return;
    c.answer = read == RequestComplete ? DecideAnswer(c.request, view) : AnswerUnreadable(read);
    c.waitPicture = !Answer(c, view, state);
}

// Reads what arrived. A closed or failed connection goes; a read that
// would wait is tried again at the next turn.
void Receive(Connection &c, const WebView &view, const WebState &state) {
    char discard[512]; // nothing more is read from an event stream
    bool discarding = c.got >= kWebHeadLimit || c.events;
    int n = discarding ? recv(c.socket, discard, sizeof discard, 0)
                       : recv(c.socket, c.head + c.got, static_cast<int>(kWebHeadLimit - c.got), 0);
    if (n < 0) {
        int error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK) return;
        if (!PeerGone(error)) Failed(ServeReceive, error);
    }
    if (n <= 0) {
        CloseConnection(c);
        return;
    }
    if (discarding) return;
    c.got += static_cast<size_t>(n);
    TakeHead(c, view, state);
}

// After a whole answer went out: the next head (one already here is
// answered at once), or the end.
void Sent(Connection &c, const WebView &view, const WebState &state) {
    free(c.out);
    c.out = NULL;
    c.outLength = c.outSent = 0;
    if (c.closeAfter) {
        CloseConnection(c);
        return;
    }
    if (c.events) return;
    size_t used = c.request.headLength <= c.got ? c.request.headLength : c.got;
    memmove(c.head, c.head + used, c.got - used);
    c.got -= used;
    c.since = GetTickCount64();
    if (c.got) TakeHead(c, view, state);
}

void SendSome(Connection &c, const WebView &view, const WebState &state, ULONGLONG now) {
    int chunk = static_cast<int>(c.outLength - c.outSent > 65536 ? 65536 : c.outLength - c.outSent);
    int n = send(c.socket, reinterpret_cast<const char *>(c.out + c.outSent), chunk, 0);
    if (n < 0) {
        int error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK) return;
        if (!PeerGone(error)) Failed(ServeSend, error);
        CloseConnection(c);
        return;
    }
    c.outSent += static_cast<size_t>(n);
    c.moved = now;
    if (c.outSent == c.outLength) Sent(c, view, state);
}

// An event stream with nothing queued: the new frame, or a keep-alive.
void FeedEvents(Connection &c, const WebState &state, ULONGLONG now) {
    if (c.lastFrame != state.frame) {
        char text[kStateJsonSize + 64];
        size_t length = BuildFrameEvent(state, text, sizeof text);
        if (length && Queue(c, text, length, NULL, 0)) c.lastFrame = state.frame;
        c.lastSend = now;
    } else if (now - c.lastSend >= kKeepAliveEvery) {
        const char *comment = KeepAliveEvent();
        Queue(c, comment, strlen(comment), NULL, 0);
        c.lastSend = now;
    }
}

// A slot for a newcomer: a free one, or else the one that has waited
// longest for a whole request head, which gives way. NULL when every
// connection is a viewer or a request in progress.
Connection *SlotForNewcomer() {
    Connection *longest = NULL;
    for (Connection &c : Connections) {
        if (c.socket == INVALID_SOCKET) return &c;
        bool awaitingHead = !c.events && !c.out && !c.waitPicture;
        if (awaitingHead && (!longest || c.since < longest->since)) longest = &c;
    }
    if (longest) CloseConnection(*longest);
    return longest;
}

// 503 to a newcomer there is no room for, as far as one send takes it.
void TurnAway(SOCKET s) {
    WebView none;
    memset(&none, 0, sizeof none);
    WebAnswer busy = AnswerBusy();
    char answer[512];
    size_t length = BuildAnswerHead(busy, none, 0, answer, sizeof answer);
    const char *body = AnswerBody(busy);
    if (length && length + strlen(body) < sizeof answer) {
        memcpy(answer + length, body, strlen(body));
        send(s, answer, static_cast<int>(length + strlen(body)), 0);
    }
    closesocket(s);
}

// Takes every connection waiting; false once none is.
bool AcceptOne(SOCKET listening, ULONGLONG now) {
    SOCKET s = accept(listening, NULL, NULL);
    if (s == INVALID_SOCKET) {
        int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK && !PeerGone(error)) Failed(ServeAccept, error);
        return false;
    }
    ULONG nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        Failed(ServeAccept, WSAGetLastError());
        closesocket(s);
        return true;
    }
    Connection *c = SlotForNewcomer();
    if (!c) {
        TurnAway(s);
        return true;
    }
    c->socket = s;
    c->since = now;
    Lock();
    ++WebRecord.viewers;
    Unlock();
    return true;
}

// One turn: waits for sockets, up to a tenth of a second, a hundredth while
// someone waits for the host's frames, then serves them.
// False once the host asked the thread to stop.
bool Serve(SOCKET listening) {
    Lock();
    bool stop = WebRecord.stop;
    Unlock();
    if (stop) return false;

    fd_set readable, writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(listening, &readable);
    bool awaitingFrames = false; // nothing wakes the wait when the host publishes
    for (Connection &c : Connections) {
        if (c.socket == INVALID_SOCKET) continue;
        if (c.out) FD_SET(c.socket, &writable);
        else if (!c.waitPicture) FD_SET(c.socket, &readable);
        awaitingFrames = awaitingFrames || c.events || c.waitPicture;
    }
    timeval wait = {0, awaitingFrames ? kFrameMicroseconds : kSelectMicroseconds};
    int ready = select(0, &readable, &writable, NULL, &wait);
    if (ready < 0) {
        int error = WSAGetLastError();
        Lock();
        stop = WebRecord.stop; // the listening socket may be gone at a stop
        Unlock();
        if (!stop) Failed(ServeSelect, error);
        Sleep(10);
        return true;
    }
    // The state as it is after the wait: a frame published meanwhile goes
    // out in this turn.
    WebView view;
    WebState state;
    Lock();
    view = WebRecord.view;
    state = WebRecord.state;
    Unlock();
    view.frame = state.frame;
    ULONGLONG now = GetTickCount64();
    if (ready > 0 && FD_ISSET(listening, &readable))
        for (int i = 0; i < 4 * kMaxConnections && AcceptOne(listening, now); ++i) {
        }
    for (Connection &c : Connections) {
        if (c.socket == INVALID_SOCKET) continue;
        // A reader that takes nothing is dropped, not buffered for.
        if (c.out && now > c.moved && now - c.moved > kStalled) {
            CloseConnection(c);
            continue;
        }
        if (ready > 0 && c.out && FD_ISSET(c.socket, &writable)) SendSome(c, view, state, now);
        else if (ready > 0 && !c.out && FD_ISSET(c.socket, &readable)) Receive(c, view, state);
        if (c.socket == INVALID_SOCKET || c.out) continue;
        // `since` may be later than `now`: an answer sent in this turn.
        bool late = now > c.since && now - c.since > kHeadTimeout;
        if (c.waitPicture && late) CloseConnection(c); // no refresh came to make the picture
        else if (c.waitPicture) c.waitPicture = !Answer(c, view, state);
        else if (c.events) FeedEvents(c, state, now);
        else if (late) CloseConnection(c);
    }
    return true;
}

} // namespace

DWORD WINAPI WebServerThread(LPVOID parameter) {
    Lock();
    HMODULE self = WebRecord.module;
    Unlock();
    SOCKET listening = reinterpret_cast<SOCKET>(parameter);
    for (Connection &c : Connections) {
        memset(&c, 0, sizeof c);
        c.socket = INVALID_SOCKET;
    }
    while (Serve(listening)) {
    }
    for (Connection &c : Connections)
        if (c.socket != INVALID_SOCKET) CloseConnection(c);
    ReleasePictureCache();
    if (self) FreeLibraryAndExitThread(self, 0);
    return 0;
}
