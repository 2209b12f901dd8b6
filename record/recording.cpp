#include "recording.h"

#include "log/log.h"

#include <cstdio>
#include <cstring>

// The number of the last frame written in this process, and the one the
// last path was made with.
static unsigned long long LastFrame;
static unsigned long long PathFrame;
static bool FrameCountLoaded;

// The count outlives the library, so a host that unloads the driver and
// loads it again goes on numbering rather than overwriting its frames; a
// child process starts at 1 all the same.
static void LoadFrameCount() {
    if (FrameCountLoaded) return;
    FrameCountLoaded = true;
    ReadProcessValue("FRAMES", &LastFrame);
}

static void SaveFrameCount() {
    KeepProcessValue("FRAMES", LastFrame);
}

RecordFormat RecordFormatOf(const char *path) {
    size_t n = strlen(path);
    if (n < 4) return RecordBmp;
    const char *end = path + n - 4;
    bool png = end[0] == '.' && (end[1] | 0x20) == 'p' && (end[2] | 0x20) == 'n' &&
               (end[3] | 0x20) == 'g';
    return png ? RecordPng : RecordBmp;
}

bool NextRecordPath(const char *pattern, char *path, size_t size) {
    int written = snprintf(path, size, "%s", pattern);
    if (written < 0 || static_cast<size_t>(written) >= size) return false;
    LoadFrameCount();
    // The run of "#" counts only in the file name, not in a folder's.
    char *name = path;
    for (char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    char *run = strchr(name, '#');
    PathFrame = LastFrame;
    if (!run) return true;
    size_t width = strspn(run, "#");
    // The largest number the run holds; runs wider than 18 digits are padded
    // with zeros beyond that.
    unsigned long long largest = 9;
    for (size_t digits = 1; digits < width && digits < 18; ++digits) largest = largest * 10 + 9;
    unsigned long long frame = LastFrame >= largest ? 1 : LastFrame + 1;
    PathFrame = frame;
    char digits[32];
    snprintf(digits, sizeof digits, "%0*llu", static_cast<int>(width < 18 ? width : 18), frame);
    size_t length = strlen(digits);
    memset(run, '0', width - length);
    memcpy(run + (width - length), digits, length);
    return true;
}

void CountRecordedFrame() {
    if (LastFrame == PathFrame) return; // a name without a number
    LastFrame = PathFrame;
    SaveFrameCount();
}

bool WriteWhole(HANDLE file, const void *data, DWORD size) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, NULL)) {
        LogLastError("CaptureAnImage WriteFile failed");
        return false;
    }
    if (written != size) {
        char detail[96];
        snprintf(detail, sizeof detail, "CaptureAnImage WriteFile wrote %lu of %lu bytes",
                 static_cast<unsigned long>(written), static_cast<unsigned long>(size));
        WriteLog("Error", detail);
        return false;
    }
    return true;
}

bool WriteBmpFile(const char *path, const RecordImage &image) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              NULL);
    if (file == INVALID_HANDLE_VALUE) {
        LogLastError("CaptureAnImage CreateFile failed");
        return false;
    }
    BITMAPFILEHEADER header;
    memset(&header, 0, sizeof header);
    header.bfType = 0x4D42; // "BM"
    header.bfSize = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + image.size;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    bool ok = WriteWhole(file, &header, sizeof header) &&
              WriteWhole(file, image.info, sizeof *image.info) &&
              WriteWhole(file, image.bits, image.size);
    if (!CloseHandle(file) && ok) {
        LogLastError("CaptureAnImage CloseHandle failed");
        ok = false;
    }
    return ok;
}

// What became of the target when the new recording was copied into it.
enum CopyResult {
    CopyDone,      // the target holds the new recording
    CopyUntouched, // the target could not be opened: it is as it was
    CopyBroken     // a read or write failed after the target was emptied
};

// Copies the new recording into the target, opened as a plain recording
// is written: for writing and without sharing, so that no reader can
// open it while it is being rewritten (and none holds it when it is).
static CopyResult CopyInPlace(const char *temporary, const char *target) {
    HANDLE from = CreateFileA(temporary, GENERIC_READ, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (from == INVALID_HANDLE_VALUE) {
        LogLastError("CaptureAnImage CreateFile (temporary file) failed");
        return CopyUntouched;
    }
    HANDLE to = CreateFileA(target, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            NULL);
    if (to == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        CloseHandle(from);
        SetLastError(error);
        return CopyUntouched;
    }
    static char buffer[65536];
    bool ok = true;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, buffer, sizeof buffer, &read, NULL)) {
            LogLastError("CaptureAnImage ReadFile failed");
            ok = false;
            break;
        }
        if (read == 0) break;
        if (!WriteWhole(to, buffer, read)) {
            ok = false;
            break;
        }
    }
    CloseHandle(from);
    if (!CloseHandle(to) && ok) {
        LogLastError("CaptureAnImage CloseHandle failed");
        ok = false;
    }
    return ok ? CopyDone : CopyBroken;
}

// A target that another program holds open refuses every recording while
// it does, and a move that is refused is refused every time: each is logged
// once while it lasts, and a recording that lands again says so.
static bool Replaced(const char *target, ReplaceState *state) {
    if (state->targetRefused) {
        char detail[MAX_PATH + 40];
        snprintf(detail, sizeof detail, "%s is written again", target);
        WriteLog("CaptureAnImage", detail);
    }
    state->targetRefused = false;
    return true;
}

bool WriteReplacing(const char *target, RecordWriter writer, const RecordImage &image,
                    ReplaceState *state) {
    if (!*target) {
        WriteLog("CaptureAnImage", "RecordFile is empty: nothing written");
        return false;
    }
    char temporary[MAX_PATH + 8];
    int n = snprintf(temporary, sizeof temporary, "%s.tmp", target);
    if (n < 0 || static_cast<size_t>(n) >= sizeof temporary) {
        WriteLog("CaptureAnImage", "RecordFile is too long for its temporary file");
        return false;
    }
    if (!writer(temporary, image)) {
        // Whatever part of it was written goes; the old recording stays.
        DeleteFileA(temporary);
        return false;
    }
    if (MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING)) {
        state->moveRefused = false;
        return Replaced(target, state);
    }
    DWORD moveError = GetLastError();
    CopyResult copied = CopyInPlace(temporary, target);
    if (copied == CopyUntouched) {
        // Held open by a reader, read-only, or in a folder that forbids it:
        // the old recording stays, and the next recording tries again.
        DeleteFileA(temporary);
        if (!state->targetRefused) {
            char prefix[MAX_PATH + 160];
            snprintf(prefix, sizeof prefix,
                     "CaptureAnImage cannot replace %s (kept as it was; tried again at each "
                     "recording, logged again when it works)",
                     target);
            SetLastError(moveError);
            LogLastError(prefix);
        }
        state->targetRefused = true;
        return false;
    }
    if (!state->moveRefused) {
        SetLastError(moveError);
        LogLastError("CaptureAnImage MoveFileEx failed, writing in place");
    }
    state->moveRefused = true;
    if (copied == CopyDone) {
        if (!DeleteFileA(temporary)) LogLastError("CaptureAnImage DeleteFile failed");
        return Replaced(target, state);
    }
    // The target was emptied and not written whole: the complete new
    // recording stays in the temporary file, never neither.
    char detail[MAX_PATH + 80];
    snprintf(detail, sizeof detail, "%s is incomplete; the new recording is kept in %s", target,
             temporary);
    WriteLog("Error", detail);
    return false;
}
