// The parts of a recording behind the capture: the file's format, the
// name of the next frame, and writing through a temporary file.
#pragma once

#include "platform/platform.h"

#include <stddef.h>

// Pixels of the captured client area, as a bottom-up DIB: `height` rows of
// `stride` bytes, the bottom row first, blue-green-red (and a fourth,
// unused byte at 32 bits a pixel).
struct RecordImage {
    const BITMAPINFOHEADER *info; // width, height, bits per pixel
    const BYTE *bits;
    DWORD stride;
    DWORD size; // stride x height
};

enum RecordFormat { RecordBmp, RecordPng };

// A name ending in ".png" in any letter case is recorded as PNG, any other
// as BMP.
RecordFormat RecordFormatOf(const char *path);

// The path of the next recording: `pattern` itself, or with its first run
// of "#" in the file name replaced by the frame number zero-padded to the
// run's width. Frames count from 1 in a new process, go on across the
// driver's starts and reloads in the same process, and start again at 1
// after the largest number the width holds. False when the result does not
// fit in `size`.
bool NextRecordPath(const char *pattern, char *path, size_t size);
// Counts the frame just written, so the next path takes the next number.
void CountRecordedFrame();

// Writes all `size` bytes to the file: a write that reports success with
// fewer written failed too. False, after logging why, when not all went.
bool WriteWhole(HANDLE file, const void *data, DWORD size);

// Writes one file; false on failure, after logging why.
typedef bool (*RecordWriter)(const char *path, const RecordImage &image);
bool WriteBmpFile(const char *path, const RecordImage &image);
bool WritePngFile(const char *path, const RecordImage &image);

// What the writes to one kind of target met, each logged once while it
// lasts: recordings and pictures keep one each.
struct ReplaceState {
    bool targetRefused; // a reader holds the target: it stays as it was
    bool moveRefused;   // the new file is copied into the target in place
};

// Writes `target` through `writer` so that a reader sees the old file or
// the new one, never part of one: the new file goes to "<target>.tmp" and
// is moved over the target in one step. When the move is refused, the new
// file is copied into the target in place, opened without sharing as
// recordings always were, and the reason logged once while it lasts. A
// target that cannot be opened (a reader holds it) stays as it was, logged
// once while it lasts. A failed write leaves the old file as it was and no
// temporary file; a copy that fails half-way keeps the new recording in
// the temporary file, so one of the two is always whole.
bool WriteReplacing(const char *target, RecordWriter writer, const RecordImage &image,
                    ReplaceState *state);
