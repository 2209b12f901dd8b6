#include "place.h"

#include "config/config.h"
#include "log/log.h"
#include "platform/platform.h"
#include "screen/scale.h"

#include <cstdio>
#include <cstring>

// A place file is a few short lines: anything near this size is not one.
static const DWORD kMaxPlaceFile = 1024;

static bool Same(const WindowPlace &a, const WindowPlace &b) {
    return a.X == b.X && a.Y == b.Y && a.Zoom == b.Zoom;
}

static WindowPlace SettingsPlace() {
    WindowPlace place = {ScreenSettings.X, ScreenSettings.Y, ScreenSettings.Zoom};
    return place;
}

static void SetSettingsPlace(const WindowPlace &place) {
    ScreenSettings.X = place.X;
    ScreenSettings.Y = place.Y;
    ScreenSettings.Zoom = place.Zoom;
}

bool PlaceFilePath(char *path, size_t size) {
    int n = snprintf(path, size, "displays" PATH_SEP "%s.place", ModuleBaseName());
    return n >= 0 && static_cast<size_t>(n) < size;
}

// The file's keys, in the order they are written.
static const unsigned kPlaceKeyCount = 6;
static const char *const kPlaceKeys[kPlaceKeyCount] = {"X=",       "Y=",       "Zoom=",
                                                       "ConfigX=", "ConfigY=", "ConfigZoom="};

// One line "Key=number" into `values` at its key's index; false when the
// line is no such line or the key came before.
static bool ReadPlaceLine(const char *line, int32_t values[], unsigned *seen) {
    for (unsigned k = 0; k < kPlaceKeyCount; ++k) {
        size_t name = strlen(kPlaceKeys[k]);
        if (strncmp(line, kPlaceKeys[k], name) != 0) continue;
        const char *value = line + name;
        bool negative = *value == '-';
        if (negative) ++value;
        if (*value < '0' || *value > '9' || (*seen & (1u << k)) != 0) return false;
        int64_t number = 0;
        for (; *value >= '0' && *value <= '9'; ++value)
            if ((number = number * 10 + (*value - '0')) > INT32_MAX) return false;
        if (*value != 0) return false;
        values[k] = static_cast<int32_t>(negative ? -number : number);
        *seen |= 1u << k;
        return true;
    }
    return false;
}

// The file's text: lines of keys, comments ("/") and empty lines; every key
// once, and a zoom the driver can use.
static bool ParsePlace(char *text, PlaceFile *file) {
    unsigned seen = 0;
    int32_t values[kPlaceKeyCount];
    for (char *line = text; line;) {
        char *next = strchr(line, '\n');
        if (next) *next++ = 0;
        size_t length = strlen(line);
        if (length > 0 && line[length - 1] == '\r') line[--length] = 0;
        if (length > 0 && line[0] != '/' && !ReadPlaceLine(line, values, &seen)) return false;
        line = next;
    }
    if (seen != (1u << kPlaceKeyCount) - 1) return false;
    const WindowPlace place = {values[0], values[1], values[2]};
    const WindowPlace configured = {values[3], values[4], values[5]};
    file->place = place;
    file->configured = configured;
    return place.Zoom >= kMinZoom && place.Zoom <= kMaxZoom;
}

PlaceFileState ReadPlaceFile(const char *path, PlaceFile *file) {
    HANDLE handle = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? PlaceFileMissing
                   : PlaceFileUnreadable;
    }
    static char text[kMaxPlaceFile + 1];
    DWORD read = 0;
    bool whole = ReadFile(handle, text, kMaxPlaceFile, &read, NULL) != 0;
    DWORD error = GetLastError();
    CloseHandle(handle);
    if (!whole) {
        SetLastError(error);
        return PlaceFileUnreadable;
    }
    if (read >= kMaxPlaceFile || memchr(text, 0, read)) return PlaceFileCorrupt;
    text[read] = 0;
    PlaceFile parsed;
    if (!ParsePlace(text, &parsed)) return PlaceFileCorrupt;
    *file = parsed;
    return PlaceFileRead;
}

// Writes `text` into a new file at `path`; false with *failure saying how.
static bool WriteNewFile(const char *path, const char *text, const char **failure) {
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                NULL);
    if (handle == INVALID_HANDLE_VALUE) {
        *failure = "cannot make";
        return false;
    }
    DWORD length = static_cast<DWORD>(strlen(text)), written = 0;
    *failure = "cannot write";
    bool ok = WriteFile(handle, text, length, &written, NULL) != 0;
    DWORD error = GetLastError();
    if (ok && written != length) {
        *failure = "wrote only part of"; // a write is whole or it failed
        ok = false;
    }
    if (!CloseHandle(handle) && ok) {
        *failure = "cannot close";
        return false;
    }
    if (!ok) SetLastError(error);
    return ok;
}

static const char *WriteFailure;

bool WritePlaceFile(const char *path, const PlaceFile &file) {
    char temporary[300]; // a place file's path is shorter than 256
    snprintf(temporary, sizeof temporary, "%s.tmp", path);
    char text[640];
    snprintf(text, sizeof text,
             "// Where the display window was left (RememberPlace=1): X and Y in 96-DPI units,\r\n"
             "// Zoom in percent. Written by the driver; delete this file to forget the place.\r\n"
             "X=%d\r\nY=%d\r\nZoom=%d\r\n"
             "// The configuration's own X=, Y= and Zoom= when this was written: once the\r\n"
             "// configuration says otherwise, its place is used instead of this one.\r\n"
             "ConfigX=%d\r\nConfigY=%d\r\nConfigZoom=%d\r\n",
             file.place.X, file.place.Y, file.place.Zoom, file.configured.X, file.configured.Y,
             file.configured.Zoom);
    WriteFailure = NULL;
    bool ok = WriteNewFile(temporary, text, &WriteFailure);
    if (ok && !MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING)) {
        WriteFailure = "cannot replace";
        ok = false;
    }
    if (ok) return true;
    DWORD error = GetLastError();
    DeleteFileA(temporary);
    SetLastError(error);
    return false;
}

PlaceChoice ChoosePlace(bool remember, PlaceFileState state, const PlaceFile &file,
                        const WindowPlace &configured) {
    if (!remember) return PlaceOff;
    switch (state) {
    case PlaceFileMissing:
        return PlaceNone;
    case PlaceFileUnreadable:
        return PlaceNotRead;
    case PlaceFileCorrupt:
        return PlaceIgnored;
    case PlaceFileRead:
        break;
    }
    return Same(file.configured, configured) ? PlaceRemembered : PlaceChanged;
}

const char *PlaceChoiceReason(PlaceChoice choice) {
    switch (choice) {
    case PlaceOff:
        return "not used with RememberPlace=0";
    case PlaceNone:
        return "no place remembered yet";
    case PlaceNotRead:
        return "cannot be read";
    case PlaceIgnored:
        return "not a place file the driver wrote, ignored";
    case PlaceChanged:
        return "the configuration's X=, Y= or Zoom= changed since it was written";
    case PlaceRemembered:
        break;
    }
    return "RememberPlace=1, and the configuration's X=, Y= and Zoom= are still those it recorded";
}

// The configuration's own values, and the settings' while a read runs.
static WindowPlace Configured;
static bool ConfiguredKnown;
static bool ConfiguredChanged; // by the last read
static WindowPlace Held;
static bool Holding;

// What the next start would use without another save (unknown: save).
static PlaceFile Settled;
static bool SettledKnown;

// Persistent conditions, each logged once while it lasts.
static bool ReadFailureLogged, CorruptLogged, WriteFailureLogged;

void PutBackConfiguredPlace() {
    Held = SettingsPlace();
    Holding = true;
    ConfiguredChanged = false;
    if (ConfiguredKnown) SetSettingsPlace(Configured);
}

void NoteConfiguredPlace() {
    WindowPlace read = SettingsPlace();
    ConfiguredChanged = !ConfiguredKnown || !Same(read, Configured);
    Configured = read;
    ConfiguredKnown = true;
}

WindowPlace ConfiguredPlace() {
    return ConfiguredKnown ? Configured : SettingsPlace();
}

void KeepPlaceUnlessConfigured() {
    if (!Holding) return;
    Holding = false;
    if (!ConfiguredChanged) SetSettingsPlace(Held);
}

// Logs what a start found in the place file, each failure once while it lasts.
static void LogPlaceFile(const char *path, PlaceFileState state) {
    char text[400];
    if (state == PlaceFileUnreadable && !ReadFailureLogged) {
        snprintf(text, sizeof text,
                 "The window's place cannot be read from %s (the configuration's place is used; "
                 "logged again once it is read)",
                 path);
        LogLastError(text);
    }
    if (state == PlaceFileCorrupt && !CorruptLogged) {
        snprintf(text, sizeof text,
                 "%s is not a place file the driver wrote: ignored, the configuration's place is "
                 "used (the next save replaces it)",
                 path);
        WriteLog("Place", text);
    }
    ReadFailureLogged = state == PlaceFileUnreadable;
    CorruptLogged = state == PlaceFileCorrupt;
}

void UseRememberedPlace() {
    Holding = false;
    SettledKnown = false;
    char path[256];
    if (ScreenSettings.RememberPlace == 0 || !PlaceFilePath(path, sizeof path)) return;
    PlaceFile file = {{0, 0, 0}, {0, 0, 0}};
    PlaceFileState state = ReadPlaceFile(path, &file);
    LogPlaceFile(path, state);
    PlaceChoice choice = ChoosePlace(true, state, file, ConfiguredPlace());
    char text[400];
    if (choice == PlaceRemembered) {
        SetSettingsPlace(file.place);
        snprintf(text, sizeof text, "X=%d Y=%d Zoom=%d from %s", file.place.X, file.place.Y,
                 file.place.Zoom, path);
        WriteLog("Place", text);
    } else if (choice == PlaceChanged) {
        snprintf(text, sizeof text, "%s: %s: the configuration's place is used", path,
                 PlaceChoiceReason(choice));
        WriteLog("Place", text);
    }
    Settled.place = SettingsPlace();
    Settled.place.Zoom = ClampZoom(Settled.place.Zoom);
    Settled.configured = ConfiguredPlace();
    SettledKnown = true;
}

void RememberPlace(const WindowPlace &place, bool always) {
    PlaceFile file = {place, ConfiguredPlace()};
    if (!always && SettledKnown && Same(file.place, Settled.place) &&
        Same(file.configured, Settled.configured))
        return;
    char path[256], text[400];
    if (!PlaceFilePath(path, sizeof path)) return;
    if (!WritePlaceFile(path, file)) {
        if (!WriteFailureLogged) {
            snprintf(text, sizeof text,
                     "The window's place was not saved: %s %s (kept as it was; tried again at the "
                     "next save, logged again once one works)",
                     WriteFailure, path);
            LogLastError(text);
        }
        WriteFailureLogged = true;
        return;
    }
    Settled = file;
    SettledKnown = true;
    if (WriteFailureLogged) {
        snprintf(text, sizeof text, "the window's place is saved again in %s", path);
        WriteLog("Place", text);
    }
    WriteFailureLogged = false;
    snprintf(text, sizeof text, "X=%d Y=%d Zoom=%d saved in %s", place.X, place.Y, place.Zoom,
             path);
    WriteLog("Place", text);
}
