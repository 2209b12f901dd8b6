#include "watch.h"

#include "config/config.h"
#include "config/place.h"
#include "log/log.h"
#include "platform/platform.h"

#include <cstring>

// An unchanged file is looked at once a second. A file seen changed is
// looked at again half a second later, and read only when that look finds
// it exactly as the first: an editor that saves in parts, with pauses
// between them, is not read half-way.
static const ULONGLONG kLookEveryMs = 1000;
static const ULONGLONG kSettleMs = 500;
static const int kSettleLooks = 6; // a read on demand waits at most 3 seconds
// At a start: a file written less than this long ago may still be being
// saved; it is looked at again this long after its read, at most so often.
static const ULONGLONG kRecentMs = 2000;
static const DWORD kStartPauseMs = 20;
static const int kStartAttempts = 25; // a second at most

static bool Watching;
static WIN32_FILE_ATTRIBUTE_DATA Seen;    // the file as last read; zero if it was missing
static WIN32_FILE_ATTRIBUTE_DATA Pending; // a change seen and not read yet
static bool ChangeSeen;                   // Pending holds one
static ULONGLONG ChangeSeenAt;            // the clock at the look that saw it
static ULONGLONG LastLook;

static bool SameVersion(const WIN32_FILE_ATTRIBUTE_DATA &a, const WIN32_FILE_ATTRIBUTE_DATA &b) {
    return a.ftLastWriteTime.dwLowDateTime == b.ftLastWriteTime.dwLowDateTime &&
           a.ftLastWriteTime.dwHighDateTime == b.ftLastWriteTime.dwHighDateTime &&
           a.nFileSizeLow == b.nFileSizeLow && a.nFileSizeHigh == b.nFileSizeHigh;
}

static bool LookAt(const char *path, WIN32_FILE_ATTRIBUTE_DATA *data) {
    if (GetFileAttributesExA(path, GetFileExInfoStandard, data)) return true;
    memset(data, 0, sizeof *data);
    return false;
}

// Reads the file again; on a read that fails or that the file changed
// under (before the look `pauseMs` after it), every setting and the debug
// level go back to what they were.
static bool ReadAsItIs(const char *path) {
    DebugLevel = 0;
    PutBackConfiguredPlace(); // a key the file lacks keeps the configuration's value
    return ReadConfigFrom(path, NULL, NULL);
}

static bool ReadWhole(const char *path, const WIN32_FILE_ATTRIBUTE_DATA &before,
                      DWORD pauseMs = 0) {
    static ScreenSettingsRecord keptScreen;
    static LineLayout keptRows[4];
    int32_t keptDebug = DebugLevel;
    keptScreen = ScreenSettings;
    memcpy(keptRows, ConfiguredLayouts, sizeof keptRows);

    bool read = ReadAsItIs(path);
    if (read && pauseMs > 0) Sleep(pauseMs);
    WIN32_FILE_ATTRIBUTE_DATA after;
    if (read && LookAt(path, &after) && SameVersion(before, after)) return true;
    ScreenSettings = keptScreen;
    memcpy(ConfiguredLayouts, keptRows, sizeof keptRows);
    DebugLevel = keptDebug;
    return false;
}

// Watches the file (WatchConfig=1) from the version read: a save that came
// after the read is read as any later save is.
static void WatchFrom(const WIN32_FILE_ATTRIBUTE_DATA &read) {
    Watching = ScreenSettings.WatchConfig != 0;
    ChangeSeen = false;
    Seen = read;
    LastLook = GetTickCount64();
}

// Milliseconds since the file was last written, by the calendar clock; a
// time stamp ahead of the clock counts as just written.
static ULONGLONG AgeMs(const WIN32_FILE_ATTRIBUTE_DATA &data) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULONGLONG clock = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    ULONGLONG written = (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                        data.ftLastWriteTime.dwLowDateTime;
    return clock > written ? (clock - written) / 10000 : 0;
}

void ReadConfigAtStart() {
    Watching = false;
    char path[256];
    if (!ConfigFilePath(path, sizeof path)) return;
    // A file written in the last seconds may be being saved in parts (an
    // empty one surely is): it is taken once it stayed the same from before
    // a read to a look a moment after it. One that never holds still is
    // read as it is.
    WIN32_FILE_ATTRIBUTE_DATA before;
    bool read = false;
    for (int attempt = 0; attempt < kStartAttempts && !read; ++attempt) {
        if (!LookAt(path, &before)) break; // no file: every setting keeps its value
        bool empty = before.nFileSizeLow == 0 && before.nFileSizeHigh == 0;
        bool recent = AgeMs(before) < kRecentMs;
        read = !(empty && recent) && ReadWhole(path, before, recent ? kStartPauseMs : 0);
        if (!read) Sleep(kStartPauseMs);
    }
    if (!read) {
        LookAt(path, &before);
        ReadAsItIs(path);
    }
    NoteConfiguredPlace();
    WatchFrom(before);
}

bool ConfigFileSaved() {
    if (!Watching || ScreenSettings.WatchConfig == 0) return false;
    ULONGLONG now = GetTickCount64();
    if (now - LastLook < (ChangeSeen ? kSettleMs : kLookEveryMs)) return false;
    LastLook = now;

    char path[256];
    WIN32_FILE_ATTRIBUTE_DATA current;
    if (!ConfigFilePath(path, sizeof path) || !LookAt(path, &current) ||
        SameVersion(current, Seen)) {
        ChangeSeen = false; // missing, or back as it was read
        return false;
    }
    // An empty file is an editor half-way through its save.
    bool empty = current.nFileSizeLow == 0 && current.nFileSizeHigh == 0;
    bool same = ChangeSeen && SameVersion(current, Pending);
    if (empty || !same || now - ChangeSeenAt < kSettleMs) {
        if (!same) ChangeSeenAt = now;
        Pending = current;
        ChangeSeen = !empty;
        return false;
    }
    ChangeSeen = false;
    if (!ReadWhole(path, current)) {
        WriteLog("Configuration", "not read whole (being saved?); tried again in a second");
        return false;
    }
    Seen = current;
    NoteConfiguredPlace();
    WriteLog("Configuration", "read again");
    return true;
}

bool ReadSettledConfig() {
    char path[256];
    if (!ConfigFilePath(path, sizeof path)) return false;
    WIN32_FILE_ATTRIBUTE_DATA first, second;
    bool seen = LookAt(path, &first);
    for (int look = 0; look < kSettleLooks; ++look) {
        Sleep(static_cast<DWORD>(kSettleMs));
        bool seenAgain = LookAt(path, &second);
        bool empty = second.nFileSizeLow == 0 && second.nFileSizeHigh == 0;
        if (seen && seenAgain && !empty && SameVersion(first, second)) {
            if (!ReadWhole(path, second)) break;
            NoteConfiguredPlace(); // a changed X=, Y= or Zoom= moves the window, as a save does
            WatchFrom(second);
            return true;
        }
        first = second;
        seen = seenAgain;
    }
    WriteLog("Configuration", seen ? "not read again: it is being saved (or empty); nothing changed"
                                   : "not read again: the file cannot be found; nothing changed");
    return false;
}

