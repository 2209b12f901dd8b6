// Errors while serving are logged once per kind while they last, never
// once per request: the server thread notes each one, and the host's
// thread writes a line for each kind that began since it last looked.
#pragma once

#include "platform/platform.h"

enum ServeErrorKind { ServeAccept, ServeSelect, ServeReceive, ServeSend, ServeMemory, kServeErrorKinds };

struct ServeErrors {
    ULONGLONG lastSeen[kServeErrorKinds]; // 0: the kind is not happening
    int error[kServeErrorKinds];          // its latest error code
    unsigned begun;                       // kinds to log, a bit each
};

// A kind unseen for this long has ended; when it happens again, it is
// logged again.
const ULONGLONG kServeErrorQuiet = 10000;

// The server thread: one error of a kind, at `now` (never 0).
void NoteServeError(ServeErrors &errors, ServeErrorKind kind, int error, ULONGLONG now);
// The host's thread: a log line for each kind begun, then none until it
// has ended and begins again.
void LogServeErrors(ServeErrors &errors);
