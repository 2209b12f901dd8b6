#include "config_writer.h"

#include "config/watch.h"
#include "log/log.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

static const size_t kMaxFile = 64 * 1024;
static char Before[kMaxFile + 1];
static char After[kMaxFile + 256];
static size_t AfterLength;
static bool FailureLogged;

struct PlaceKey {
    const char *name;
    int32_t value;
    bool written;
};

static void Append(const char *bytes, size_t length) {
    if (AfterLength + length > sizeof After) length = sizeof After - AfterLength;
    memcpy(After + AfterLength, bytes, length);
    AfterLength += length;
}

static void AppendNumber(int32_t value) {
    char number[16];
    int n = snprintf(number, sizeof number, "%d", value);
    if (n > 0) Append(number, static_cast<size_t>(n));
}

// One line of the old file (`length` bytes, its line end not included):
// a place key gets its new number in place of the old, the rest stays.
static void CopyLine(const char *line, size_t length, PlaceKey keys[3]) {
    for (int k = 0; k < 3; ++k) {
        size_t name = strlen(keys[k].name);
        if (length < name || strncmp(line, keys[k].name, name) != 0) continue;
        size_t start = name;
        while (start < length && (line[start] == ' ' || line[start] == '\t')) ++start;
        size_t end = start;
        if (end < length && (line[end] == '-' || line[end] == '+')) ++end;
        while (end < length && line[end] >= '0' && line[end] <= '9') ++end;
        Append(line, start);
        AppendNumber(keys[k].value);
        Append(line + end, length - end);
        keys[k].written = true;
        return;
    }
    Append(line, length);
}

// The new file's bytes from the old file's `size` bytes.
static void Rewrite(size_t size, PlaceKey keys[3]) {
    AfterLength = 0;
    const char *lineEnd = "\n";
    size_t start = 0;
    while (start < size) {
        const char *newline = static_cast<const char *>(memchr(Before + start, '\n', size - start));
        size_t end = newline ? static_cast<size_t>(newline - Before) : size;
        size_t length = end - start;
        bool crlf = newline && length > 0 && Before[end - 1] == '\r';
        if (crlf) --length;
        if (start == 0 && crlf) lineEnd = "\r\n"; // added lines end as the first one does
        CopyLine(Before + start, length, keys);
        if (crlf) Append("\r", 1);
        if (newline) Append("\n", 1);
        start = end + 1;
    }
    if (size > 0 && Before[size - 1] != '\n') Append(lineEnd, strlen(lineEnd));
    for (int k = 0; k < 3; ++k) {
        if (keys[k].written) continue;
        Append(keys[k].name, strlen(keys[k].name));
        AppendNumber(keys[k].value);
        Append(lineEnd, strlen(lineEnd));
    }
}

static bool ReadOld(const char *path, size_t *size) {
    FILE *file = fopen(path, "rb");
    if (!file) return false;
    *size = fread(Before, 1, sizeof Before, file);
    bool whole = !ferror(file) && *size <= kMaxFile;
    fclose(file);
    if (!whole) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return whole;
}

static bool WriteNew(const char *path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool whole = WriteFile(file, After, static_cast<DWORD>(AfterLength), &written, NULL) &&
                 written == AfterLength;
    DWORD error = GetLastError();
    if (!CloseHandle(file)) whole = false;
    else SetLastError(error);
    return whole;
}

static bool Failed(const char *path, const char *what) {
    if (!FailureLogged) {
        char prefix[320];
        snprintf(prefix, sizeof prefix,
                 "The window's place was not saved: %s %s (kept as it was; logged again once a "
                 "save works)",
                 what, path);
        LogLastError(prefix);
    }
    FailureLogged = true;
    return false;
}

bool WriteConfigPlace(const char *path, int32_t x, int32_t y, int32_t zoom) {
    size_t size = 0;
    if (!ReadOld(path, &size)) return Failed(path, "cannot read");
    PlaceKey keys[3] = {{"X=", x, false}, {"Y=", y, false}, {"Zoom=", zoom, false}};
    Rewrite(size, keys);
    char temporary[300];
    int n = snprintf(temporary, sizeof temporary, "%s.tmp", path);
    if (n < 0 || static_cast<size_t>(n) >= sizeof temporary) return Failed(path, "name too long:");
    // An edit the user saved and the driver did not read yet is read with
    // this save; otherwise the driver's own save is not an edit to apply.
    bool unreadEdit = ConfigEditedSinceRead();
    if (!WriteNew(temporary)) {
        DWORD error = GetLastError();
        DeleteFileA(temporary);
        SetLastError(error);
        return Failed(path, "cannot write the temporary file for");
    }
    if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING)) {
        DWORD error = GetLastError();
        DeleteFileA(temporary);
        SetLastError(error);
        return Failed(path, "cannot replace");
    }
    if (!unreadEdit) NoteConfigAsRead();
    if (FailureLogged) WriteLog("Configuration", "the window's place is saved again");
    FailureLogged = false;
    char detail[96];
    snprintf(detail, sizeof detail, "X=%d Y=%d Zoom=%d saved", x, y, zoom);
    WriteLog("Configuration", detail);
    return true;
}
