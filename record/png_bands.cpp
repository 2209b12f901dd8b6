// Each band is up to kBandRows rows, filtered with "Up" (each byte less the
// byte above it) and compressed by zlib without a history from the band
// before, so that it can be kept and joined to any neighbours. The filter,
// level, strategy and band height were chosen by measuring the sample and
// LCD displays (docs/performance.md). Memory, zlib's included, comes from
// the platform.
#include "png_bands.h"

#include "log/log.h"
#include "screen/compose.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

static const int kLevel = 4;
static const int kStrategy = Z_DEFAULT_STRATEGY;
static const BYTE kFilterUp = 2;
static const LONG kBandRows = 32;
static const LONG kMaxBands = (kMaxImageSide + kBandRows - 1) / kBandRows;
static const DWORD kMaxRowBytes = 1 + 3 * kMaxImageSide;
static const DWORD kMaxBandBytes = kBandRows * kMaxRowBytes;

struct Band {
    HGLOBAL memory;
    BYTE *data;
    DWORD size;   // compressed bytes
    DWORD adler;  // of its filtered bytes
    DWORD length; // filtered bytes
};

// The image the bands were made from; width 0: none.
static struct {
    LONG width, height;
    DWORD bytesPerPixel;
    DWORD rowBytes; // width x bytesPerPixel: rows kept without padding
    HGLOBAL memory;
    BYTE *pixels; // bottom row first, as in the image
    Band bands[kMaxBands];
    LONG bandCount;
} Kept;

static BYTE Row[kMaxRowBytes];
// A band's compressed bytes on their way to its own block; deflate never
// makes more than a little over its input.
static BYTE Compressed[kMaxBandBytes + kMaxBandBytes / 8 + 1024];

static void Free(HGLOBAL memory) {
    if (!memory) return;
    GlobalUnlock(memory);
    GlobalFree(memory);
}

static BYTE *Allocate(SIZE_T bytes, HGLOBAL *memory) {
    *memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    BYTE *data = *memory ? static_cast<BYTE *>(GlobalLock(*memory)) : NULL;
    if (!data) {
        LogLastError(*memory ? "CaptureAnImage GlobalLock failed"
                             : "CaptureAnImage GlobalAlloc failed");
        if (*memory) GlobalFree(*memory);
        *memory = NULL;
    }
    return data;
}

void ForgetPngBands() {
    for (LONG b = 0; b < Kept.bandCount; ++b) Free(Kept.bands[b].memory);
    Free(Kept.memory);
    memset(&Kept, 0, sizeof Kept);
}

int PngBandCount() {
    return static_cast<int>(Kept.bandCount);
}

int PngKeptBlocks() {
    int blocks = Kept.memory ? 1 : 0;
    for (LONG b = 0; b < Kept.bandCount; ++b) blocks += Kept.bands[b].memory ? 1 : 0;
    return blocks;
}

const BYTE *PngBand(int band, DWORD *size) {
    *size = Kept.bands[band].size;
    return Kept.bands[band].data;
}

DWORD PngBandsAdler() {
    uLong adler = adler32(0L, Z_NULL, 0);
    for (LONG b = 0; b < Kept.bandCount; ++b)
        adler = adler32_combine(adler, Kept.bands[b].adler, Kept.bands[b].length);
    return static_cast<DWORD>(adler);
}

// zlib's blocks, each starting with its handle.
static const size_t kBlockHeader = 16;

static voidpf ZlibAllocate(voidpf, uInt items, uInt size) {
    size_t bytes = static_cast<size_t>(items) * size;
    if (size != 0 && bytes / size != items) return Z_NULL;
    HGLOBAL block;
    BYTE *memory = Allocate(bytes + kBlockHeader, &block);
    if (!memory) return Z_NULL;
    memcpy(memory, &block, sizeof block);
    return memory + kBlockHeader;
}

static void ZlibRelease(voidpf, voidpf address) {
    HGLOBAL block;
    memcpy(&block, static_cast<BYTE *>(address) - kBlockHeader, sizeof block);
    Free(block);
}

static void LogZlib(const char *step, const z_stream &stream, int code) {
    char detail[160];
    snprintf(detail, sizeof detail, "CaptureAnImage zlib %s failed : %s", step,
             stream.msg ? stream.msg : zError(code));
    WriteLog("Error", detail);
}

// Row `y` counted from the top, in the image and as kept.
static const BYTE *ImageRow(const RecordImage &image, LONG y) {
    return image.bits + static_cast<size_t>(image.stride) * (image.info->biHeight - 1 - y);
}
static BYTE *KeptRow(LONG y) {
    return Kept.pixels + static_cast<size_t>(Kept.rowBytes) * (Kept.height - 1 - y);
}

// Whether rows `from` to `to` (not included) are as kept.
static bool RowsKept(const RecordImage &image, LONG from, LONG to) {
    for (LONG y = from; y < to; ++y)
        if (memcmp(ImageRow(image, y), KeptRow(y), Kept.rowBytes) != 0) return false;
    return true;
}

// Filters the band's rows into zlib, then flushes to a byte boundary; the
// stream was reset, so the band refers to nothing before it.
static bool CompressBand(z_stream &stream, const RecordImage &image, LONG band) {
    const LONG first = band * kBandRows;
    const LONG end = first + kBandRows < Kept.height ? first + kBandRows : Kept.height;
    const DWORD step = Kept.bytesPerPixel;
    const DWORD rowLength = 1 + 3 * static_cast<DWORD>(Kept.width);
    stream.next_out = Compressed;
    stream.avail_out = sizeof Compressed;
    uLong adler = adler32(0L, Z_NULL, 0);
    for (LONG y = first; y < end; ++y) {
        static const BYTE kNothingAbove[4] = {0, 0, 0, 0};
        const BYTE *pixel = ImageRow(image, y);
        const BYTE *above = y > 0 ? ImageRow(image, y - 1) : kNothingAbove;
        const DWORD aboveStep = y > 0 ? step : 0;
        BYTE *to = Row;
        *to++ = kFilterUp;
        for (LONG x = 0; x < Kept.width; ++x) {
            // Blue, green, red in the image; red, green, blue in the file.
            to[0] = static_cast<BYTE>(pixel[2] - above[2]);
            to[1] = static_cast<BYTE>(pixel[1] - above[1]);
            to[2] = static_cast<BYTE>(pixel[0] - above[0]);
            to += 3;
            pixel += step;
            above += aboveStep;
        }
        adler = adler32(adler, Row, rowLength);
        stream.next_in = Row;
        stream.avail_in = rowLength;
        int code = deflate(&stream, y + 1 == end ? Z_SYNC_FLUSH : Z_NO_FLUSH);
        if (code != Z_OK || stream.avail_in != 0 || stream.avail_out == 0) {
            LogZlib("deflate", stream, code == Z_OK ? Z_BUF_ERROR : code);
            return false;
        }
    }
    Band &kept = Kept.bands[band];
    Free(kept.memory);
    memset(&kept, 0, sizeof kept);
    DWORD size = static_cast<DWORD>(sizeof Compressed - stream.avail_out);
    kept.data = Allocate(size, &kept.memory);
    if (!kept.data) return false;
    memcpy(kept.data, Compressed, size);
    kept.size = size;
    kept.adler = static_cast<DWORD>(adler);
    kept.length = rowLength * static_cast<DWORD>(end - first);
    for (LONG y = first; y < end; ++y) memcpy(KeptRow(y), ImageRow(image, y), Kept.rowBytes);
    return true;
}

// Starts a new kept image of `image`'s size; every band is to be made.
static bool KeepNewImage(const RecordImage &image, DWORD bytesPerPixel) {
    ForgetPngBands();
    const LONG width = image.info->biWidth, height = image.info->biHeight;
    Kept.rowBytes = static_cast<DWORD>(width) * bytesPerPixel;
    Kept.pixels =
        Allocate(static_cast<SIZE_T>(Kept.rowBytes) * static_cast<SIZE_T>(height), &Kept.memory);
    if (!Kept.pixels) return false;
    Kept.width = width;
    Kept.height = height;
    Kept.bytesPerPixel = bytesPerPixel;
    Kept.bandCount = (height + kBandRows - 1) / kBandRows;
    return true;
}

bool UpdatePngBands(const RecordImage &image) {
    const BITMAPINFOHEADER &info = *image.info;
    const DWORD bytesPerPixel = info.biBitCount / 8u;
    if ((info.biBitCount != 24 && info.biBitCount != 32) || info.biWidth <= 0 ||
        info.biHeight <= 0 || info.biWidth > kMaxImageSide ||
        info.biHeight > kBandRows * kMaxBands ||
        image.stride / bytesPerPixel < static_cast<DWORD>(info.biWidth) ||
        image.size / image.stride < static_cast<DWORD>(info.biHeight)) {
        char detail[128];
        snprintf(detail, sizeof detail, "CaptureAnImage no PNG of %ld x %ld at %d bits",
                 static_cast<long>(info.biWidth), static_cast<long>(info.biHeight),
                 info.biBitCount);
        WriteLog("Error", detail);
        return false;
    }
    bool same = Kept.pixels && Kept.width == info.biWidth && Kept.height == info.biHeight &&
                Kept.bytesPerPixel == bytesPerPixel;
    if (!same && !KeepNewImage(image, bytesPerPixel)) return false;

    // A band is made again when its rows or the row above them changed
    // (its first row is filtered against that one).
    bool made[kMaxBands];
    bool any = false;
    for (LONG b = 0; b < Kept.bandCount; ++b) {
        const LONG first = b * kBandRows;
        const LONG end = first + kBandRows < Kept.height ? first + kBandRows : Kept.height;
        made[b] = !same || !Kept.bands[b].data || !RowsKept(image, first > 0 ? first - 1 : 0, end);
        any = any || made[b];
    }
    if (!any) return true;

    z_stream stream;
    memset(&stream, 0, sizeof stream);
    stream.zalloc = ZlibAllocate;
    stream.zfree = ZlibRelease;
    int code = deflateInit2(&stream, kLevel, Z_DEFLATED, -15, 8, kStrategy);
    if (code != Z_OK) {
        LogZlib("deflateInit", stream, code);
        ForgetPngBands();
        return false;
    }
    // The comparisons are done: a band made now may change the rows kept.
    bool ok = true;
    for (LONG b = 0; b < Kept.bandCount && ok; ++b) {
        if (!made[b]) continue;
        code = deflateReset(&stream);
        if (code != Z_OK) LogZlib("deflateReset", stream, code);
        ok = code == Z_OK && CompressBand(stream, image, b);
    }
    deflateEnd(&stream);
    if (!ok) ForgetPngBands();
    return ok;
}
