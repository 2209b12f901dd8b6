// PNG files, encoded here: 8-bit RGB without alpha, every row filtered
// with "Up" (each byte less the byte above it) and compressed by zlib,
// written as the signature and the IHDR, IDAT and IEND chunks, each with
// its CRC. The filter, level and strategy were chosen by measuring the
// sample and LCD displays (docs/performance.md). zlib's memory comes from
// the platform and goes back to it before the file is closed.
#include "recording.h"

#include "log/log.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

static const int kLevel = 4;
static const int kStrategy = Z_DEFAULT_STRATEGY;
static const BYTE kFilterUp = 2;

// One chunk as it goes to the file: length and type, up to
// kChunkData bytes of compressed data, and the CRC.
static const DWORD kChunkData = 65536;
static BYTE Chunk[8 + kChunkData + 4];
// Filtered bytes on their way to zlib: a row, or a piece of a long one.
static BYTE Filtered[1 + 3 * 2048];

struct PngWriter {
    HANDLE file;
    z_stream stream;
};

static void PutBigEndian(BYTE *to, DWORD value) {
    to[0] = static_cast<BYTE>(value >> 24);
    to[1] = static_cast<BYTE>(value >> 16);
    to[2] = static_cast<BYTE>(value >> 8);
    to[3] = static_cast<BYTE>(value);
}

static bool Put(HANDLE file, const BYTE *data, DWORD size) {
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

// Writes the chunk whose `size` data bytes already lie at chunk + 8.
static bool PutChunk(HANDLE file, BYTE *chunk, const char *type, DWORD size) {
    PutBigEndian(chunk, size);
    memcpy(chunk + 4, type, 4);
    PutBigEndian(chunk + 8 + size, static_cast<DWORD>(crc32(0L, chunk + 4, size + 4)));
    return Put(file, chunk, 8 + size + 4);
}

static void LogZlib(const char *step, const z_stream &stream, int code) {
    char detail[160];
    snprintf(detail, sizeof detail, "CaptureAnImage zlib %s failed : %s", step,
             stream.msg ? stream.msg : zError(code));
    WriteLog("Error", detail);
}

// zlib's blocks, from the platform: each starts with its handle.
static const size_t kBlockHeader = 16;

static voidpf Allocate(voidpf, uInt items, uInt size) {
    size_t bytes = static_cast<size_t>(items) * size;
    if (size != 0 && bytes / size != items) return Z_NULL;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes + kBlockHeader);
    if (!block) {
        LogLastError("CaptureAnImage GlobalAlloc failed");
        return Z_NULL;
    }
    BYTE *memory = static_cast<BYTE *>(GlobalLock(block));
    if (!memory) {
        LogLastError("CaptureAnImage GlobalLock failed");
        GlobalFree(block);
        return Z_NULL;
    }
    memcpy(memory, &block, sizeof block);
    return memory + kBlockHeader;
}

static void Release(voidpf, voidpf address) {
    HGLOBAL block;
    memcpy(&block, static_cast<BYTE *>(address) - kBlockHeader, sizeof block);
    GlobalUnlock(block);
    GlobalFree(block);
}

// Hands `size` bytes to zlib (with Z_FINISH: the rest of the stream too),
// writing an IDAT chunk each time one is full.
static bool Deflate(PngWriter &w, const BYTE *data, DWORD size, int flush) {
    w.stream.next_in = const_cast<BYTE *>(data);
    w.stream.avail_in = size;
    for (;;) {
        int code = deflate(&w.stream, flush);
        if (code == Z_STREAM_ERROR) {
            LogZlib("deflate", w.stream, code);
            return false;
        }
        bool finished = code == Z_STREAM_END;
        if (w.stream.avail_out == 0 || (finished && w.stream.avail_out < kChunkData)) {
            if (!PutChunk(w.file, Chunk, "IDAT", kChunkData - w.stream.avail_out)) return false;
            w.stream.next_out = Chunk + 8;
            w.stream.avail_out = kChunkData;
        }
        if (finished) return true;
        if (flush != Z_FINISH && w.stream.avail_in == 0 && w.stream.avail_out != 0) return true;
    }
}

// The image's rows, top first, "Up"-filtered and compressed. The rows lie
// bottom-up: the top row is the last in memory, the row above any other
// one `stride` bytes after it.
static bool PutRows(PngWriter &w, const RecordImage &image, DWORD bytesPerPixel) {
    static const BYTE kNothingAbove[4] = {0, 0, 0, 0};
    const LONG width = image.info->biWidth, height = image.info->biHeight;
    for (LONG y = 0; y < height; ++y) {
        const BYTE *row = image.bits + static_cast<size_t>(image.stride) * (height - 1 - y);
        const BYTE *above = y > 0 ? row + image.stride : kNothingAbove;
        const DWORD aboveStep = y > 0 ? bytesPerPixel : 0;
        DWORD n = 0;
        Filtered[n++] = kFilterUp;
        for (LONG x = 0; x < width; ++x) {
            if (n + 3 > sizeof Filtered) {
                if (!Deflate(w, Filtered, n, Z_NO_FLUSH)) return false;
                n = 0;
            }
            // Blue, green, red in the image; red, green, blue in the file.
            Filtered[n] = static_cast<BYTE>(row[2] - above[2]);
            Filtered[n + 1] = static_cast<BYTE>(row[1] - above[1]);
            Filtered[n + 2] = static_cast<BYTE>(row[0] - above[0]);
            n += 3;
            row += bytesPerPixel;
            above += aboveStep;
        }
        if (!Deflate(w, Filtered, n, Z_NO_FLUSH)) return false;
    }
    return Deflate(w, NULL, 0, Z_FINISH);
}

// Everything after the file was created: header, pixels, end.
static bool PutPng(PngWriter &w, const RecordImage &image, DWORD bytesPerPixel) {
    BYTE header[8 + 8 + 13 + 4] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    BYTE *ihdr = header + 8;
    PutBigEndian(ihdr + 8, static_cast<DWORD>(image.info->biWidth));
    PutBigEndian(ihdr + 12, static_cast<DWORD>(image.info->biHeight));
    ihdr[16] = 8; // bits a sample
    ihdr[17] = 2; // colour type: RGB
    // compression, filter method and interlace: 0, 0, none
    PutBigEndian(ihdr, 13);
    memcpy(ihdr + 4, "IHDR", 4);
    PutBigEndian(ihdr + 8 + 13, static_cast<DWORD>(crc32(0L, ihdr + 4, 13 + 4)));
    if (!Put(w.file, header, sizeof header)) return false;

    memset(&w.stream, 0, sizeof w.stream);
    w.stream.zalloc = Allocate;
    w.stream.zfree = Release;
    int code = deflateInit2(&w.stream, kLevel, Z_DEFLATED, 15, 8, kStrategy);
    if (code != Z_OK) {
        LogZlib("deflateInit", w.stream, code);
        return false;
    }
    w.stream.next_out = Chunk + 8;
    w.stream.avail_out = kChunkData;
    bool ok = PutRows(w, image, bytesPerPixel);
    deflateEnd(&w.stream);
    return ok && PutChunk(w.file, Chunk, "IEND", 0);
}

bool WritePngFile(const char *path, const RecordImage &image) {
    const BITMAPINFOHEADER &info = *image.info;
    const DWORD bytesPerPixel = info.biBitCount / 8u;
    if ((info.biBitCount != 24 && info.biBitCount != 32) || info.biWidth <= 0 ||
        info.biHeight <= 0 || image.stride / bytesPerPixel < static_cast<DWORD>(info.biWidth) ||
        image.size / image.stride < static_cast<DWORD>(info.biHeight)) {
        char detail[128];
        snprintf(detail, sizeof detail, "CaptureAnImage no PNG of %ld x %ld at %d bits",
                 static_cast<long>(info.biWidth), static_cast<long>(info.biHeight),
                 info.biBitCount);
        WriteLog("Error", detail);
        return false;
    }
    PngWriter w;
    w.file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (w.file == INVALID_HANDLE_VALUE) {
        LogLastError("CaptureAnImage CreateFile failed");
        return false;
    }
    bool ok = PutPng(w, image, bytesPerPixel);
    if (!CloseHandle(w.file) && ok) {
        LogLastError("CaptureAnImage CloseHandle failed");
        ok = false;
    }
    return ok;
}
