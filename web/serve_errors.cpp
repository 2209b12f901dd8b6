#include "web/serve_errors.h"

#include "log/log.h"

#include <cstdio>

static const char *const kServeErrorSteps[kServeErrorKinds] = {
    "accepting a connection", "waiting for the connections", "reading a request",
    "sending an answer", "finding memory for an answer"};

void NoteServeError(ServeErrors &errors, ServeErrorKind kind, int error, ULONGLONG now) {
    ULONGLONG last = errors.lastSeen[kind];
    if (last == 0 || now - last > kServeErrorQuiet) errors.begun |= 1u << kind;
    errors.lastSeen[kind] = now;
    errors.error[kind] = error;
}

void LogServeErrors(ServeErrors &errors) {
    for (int kind = 0; kind < kServeErrorKinds; ++kind) {
        if (!(errors.begun & (1u << kind))) continue;
        char detail[128];
        snprintf(detail, sizeof detail, "%s failed (error %d); logged once while it lasts",
                 kServeErrorSteps[kind], errors.error[kind]);
        WriteLog("Error web view", detail);
    }
    errors.begun = 0;
}
