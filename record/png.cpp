// PNG files, encoded here: 8-bit RGB without alpha, written as the
// signature and the IHDR, IDAT and IEND chunks, each with its CRC. The
// IDAT chunks hold one zlib stream: its header, the compressed bands of
// rows (record/png_bands.cpp), an empty final block and the Adler-32.
#include "png_bands.h"
#include "png_chunk.h"
#include "recording.h"

#include "log/log.h"

#include <cstdio>
#include <cstring>

// One chunk as it goes to the file: length and type, up to
// kChunkData bytes of data, and the CRC.
static const DWORD kChunkData = 65536;
static BYTE Chunk[8 + kChunkData + 4];

// The zlib stream's header for deflate with a 32 KB window, its check
// bits made; and the empty final block that ends the bands (fixed codes,
// the end code alone).
static const BYTE kZlibHeader[2] = {0x78, 0x5E};
static const BYTE kFinalBlock[2] = {0x03, 0x00};

struct PngWriter {
    HANDLE file;
    DWORD filled; // data bytes in Chunk
};

// Writes the chunk whose `size` data bytes already lie at chunk + 8.
static bool PutChunk(HANDLE file, BYTE *chunk, const char *type, DWORD size) {
    CloseChunk(chunk, type, size);
    return WriteWhole(file, chunk, 8 + size + 4);
}

// Adds `size` bytes to the IDAT data, writing a chunk each time one is full.
static bool PutData(PngWriter &w, const BYTE *data, DWORD size) {
    while (size > 0) {
        DWORD part = kChunkData - w.filled < size ? kChunkData - w.filled : size;
        memcpy(Chunk + 8 + w.filled, data, part);
        w.filled += part;
        data += part;
        size -= part;
        if (w.filled == kChunkData) {
            if (!PutChunk(w.file, Chunk, "IDAT", w.filled)) return false;
            w.filled = 0;
        }
    }
    return true;
}

// The zlib stream of the kept bands, in IDAT chunks.
static bool PutStream(PngWriter &w) {
    if (!PutData(w, kZlibHeader, sizeof kZlibHeader)) return false;
    for (int b = 0; b < PngBandCount(); ++b) {
        DWORD size;
        const BYTE *band = PngBand(b, &size);
        if (!PutData(w, band, size)) return false;
    }
    BYTE end[sizeof kFinalBlock + 4];
    memcpy(end, kFinalBlock, sizeof kFinalBlock);
    PutBigEndian(end + sizeof kFinalBlock, PngBandsAdler());
    if (!PutData(w, end, sizeof end)) return false;
    return w.filled == 0 || PutChunk(w.file, Chunk, "IDAT", w.filled);
}

// Everything after the file was created: header, pixels, end.
static bool PutPng(PngWriter &w, const RecordImage &image) {
    BYTE header[8 + 8 + 13 + 4] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    BYTE *ihdr = header + 8;
    PutBigEndian(ihdr + 8, static_cast<DWORD>(image.info->biWidth));
    PutBigEndian(ihdr + 12, static_cast<DWORD>(image.info->biHeight));
    ihdr[16] = 8; // bits a sample
    ihdr[17] = 2; // colour type: RGB
    // compression, filter method and interlace: 0, 0, none
    CloseChunk(ihdr, "IHDR", 13);
    w.filled = 0;
    return WriteWhole(w.file, header, sizeof header) && PutStream(w) &&
           PutChunk(w.file, Chunk, "IEND", 0);
}

bool WritePngFile(const char *path, const RecordImage &image) {
    if (!UpdatePngBands(image)) return false;
    PngWriter w;
    w.file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (w.file == INVALID_HANDLE_VALUE) {
        LogLastError("CaptureAnImage CreateFile failed");
        return false;
    }
    bool ok = PutPng(w, image);
    if (!CloseHandle(w.file) && ok) {
        LogLastError("CaptureAnImage CloseHandle failed");
        ok = false;
    }
    return ok;
}
