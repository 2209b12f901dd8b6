#include "watch.h"

#include "config/config.h"
#include "log/log.h"
#include "platform/platform.h"

#include <cstring>

static const ULONGLONG kLookEveryMs = 1000;

static bool Watching;
static WIN32_FILE_ATTRIBUTE_DATA Seen; // the file as last read; zero if it was missing
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

void StartWatchingConfig() {
    Watching = ScreenSettings.WatchConfig != 0;
    if (!Watching) return;
    char path[256];
    if (!ConfigFilePath(path, sizeof path)) {
        Watching = false;
        return;
    }
    LookAt(path, &Seen);
    LastLook = GetTickCount64();
}

bool ConfigFileSaved() {
    if (!Watching || ScreenSettings.WatchConfig == 0) return false;
    ULONGLONG now = GetTickCount64();
    if (now - LastLook < kLookEveryMs) return false;
    LastLook = now;

    char path[256];
    WIN32_FILE_ATTRIBUTE_DATA before, after;
    if (!ConfigFilePath(path, sizeof path) || !LookAt(path, &before) || SameVersion(before, Seen))
        return false;
    // An editor may be half-way through its save: an empty file is not
    // read, and a read that the file changed under is undone.
    if (before.nFileSizeLow == 0 && before.nFileSizeHigh == 0) return false;
    static ScreenSettingsRecord keptScreen;
    static LineLayout keptRows[4];
    int32_t keptDebug = DebugLevel;
    keptScreen = ScreenSettings;
    memcpy(keptRows, ConfiguredLayouts, sizeof keptRows);

    DebugLevel = 0;
    bool whole = ReadConfigFrom(path, NULL, NULL) && LookAt(path, &after) &&
                 SameVersion(before, after);
    if (!whole) {
        ScreenSettings = keptScreen;
        memcpy(ConfiguredLayouts, keptRows, sizeof keptRows);
        DebugLevel = keptDebug;
        WriteLog("Configuration", "not read whole (being saved?); tried again in a second");
        return false;
    }
    Seen = before;
    WriteLog("Configuration", "read again");
    return true;
}
