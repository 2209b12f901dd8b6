// When the refresh cycle records: the interval on a 64-bit millisecond
// clock, and with RecordOnChange only after the window got a new image.
#include "capture.h"

#include "config/config.h"
#include "record/recording.h"

static bool Recorded;              // a recording was due since the driver was loaded
static ULONGLONG LastRecordTime;   // the clock when it was
static bool RepaintedSinceRecord;  // the window got a new image since then

void RestartRecording() {
    Recorded = false;
    RepaintedSinceRecord = false;
}

void NoteRepaint() {
    RepaintedSinceRecord = true;
}

void RecordIfDue(HWND window, ComposedImage *composed) {
    ULONGLONG now = GetTickCount64();
    // The first recording at once; then each after more than the interval
    // (a negative interval: at every refresh).
    long long elapsed = static_cast<long long>(now - LastRecordTime);
    if (Recorded && elapsed <= static_cast<long long>(ScreenSettings.RecordInterval) * 1000) return;
    // A display that shows the same as at the last recording writes nothing;
    // the next change is recorded as soon as it is painted.
    if (ScreenSettings.RecordOnChange != 0 && !RepaintedSinceRecord) return;
    Recorded = true;
    LastRecordTime = now;
    RepaintedSinceRecord = false;
    CaptureAnImage(window, composed);
}
