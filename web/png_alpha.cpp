// One IDAT chunk holds the whole zlib stream, compressed straight into the
// caller's buffer; its length and CRC are filled in once it is done. Rows
// are filtered with "Up" (each byte less the byte above it), as the
// recordings are: a display's rows repeat down long runs of its picture.
#include "png_alpha.h"

#include "record/png_chunk.h"
#include "screen/compose.h"

#include <zlib.h>

#include <cstring>

static const int kLevel = 4;
static const BYTE kFilterUp = 2;
static const size_t kRowBytes = 4 * static_cast<size_t>(kMaxImageSide);

static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
static const size_t kIhdrChunk = 8 + 13 + 4;
static const size_t kIdatStart = sizeof kSignature + kIhdrChunk + 8; // the stream's first byte
static const size_t kChunkTail = 4;                                  // the CRC
static const size_t kIendChunk = 8 + 4;

// The row being encoded and the one above it, as red, green, blue, alpha;
// and the row filtered, its filter type first.
static BYTE Rows[2][kRowBytes];
static BYTE Filtered[1 + kRowBytes];

static size_t RawBytes(LONG width, LONG height) {
    return static_cast<size_t>(height) * (1 + 4 * static_cast<size_t>(width));
}

size_t AlphaPngBound(LONG width, LONG height) {
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) return 0;
    return kIdatStart + compressBound(static_cast<uLong>(RawBytes(width, height))) + kChunkTail +
           kIendChunk;
}

// Row `y` counted from the top, as red, green, blue and alpha.
static void TakeRow(const RecordImage &image, LONG y, COLORREF key, BYTE *to) {
    const BYTE *pixel =
        image.bits + static_cast<size_t>(image.stride) * (image.info->biHeight - 1 - y);
    for (LONG x = 0; x < image.info->biWidth; ++x, pixel += 4, to += 4) {
        to[0] = pixel[2];
        to[1] = pixel[1];
        to[2] = pixel[0];
        to[3] = RGB(pixel[2], pixel[1], pixel[0]) == key ? 0 : 255;
    }
}

// The filtered rows through zlib into `out`; false when they do not fit.
static bool Compress(const RecordImage &image, COLORREF key, BYTE *out, size_t size,
                     DWORD *written) {
    const LONG width = image.info->biWidth, height = image.info->biHeight;
    const size_t rowLength = 4 * static_cast<size_t>(width);
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    if (deflateInit(&stream, kLevel) != Z_OK) return false;
    stream.next_out = out;
    stream.avail_out = static_cast<uInt>(size);
    memset(Rows[1], 0, rowLength); // nothing above the top row
    bool ok = true;
    for (LONG y = 0; y < height && ok; ++y) {
        BYTE *row = Rows[y % 2];
        const BYTE *above = Rows[(y + 1) % 2];
        TakeRow(image, y, key, row);
        Filtered[0] = kFilterUp;
        for (size_t i = 0; i < rowLength; ++i)
            Filtered[1 + i] = static_cast<BYTE>(row[i] - above[i]);
        stream.next_in = Filtered;
        stream.avail_in = static_cast<uInt>(1 + rowLength);
        int code = deflate(&stream, y + 1 == height ? Z_FINISH : Z_NO_FLUSH);
        ok = y + 1 == height ? code == Z_STREAM_END : code == Z_OK && stream.avail_in == 0;
    }
    *written = static_cast<DWORD>(stream.total_out);
    deflateEnd(&stream);
    return ok;
}

size_t EncodeAlphaPng(const RecordImage &image, COLORREF key, BYTE *out, size_t size) {
    const BITMAPINFOHEADER &info = *image.info;
    if (info.biBitCount != 32 || AlphaPngBound(info.biWidth, info.biHeight) == 0 ||
        image.stride / 4 < static_cast<DWORD>(info.biWidth) ||
        image.size / image.stride < static_cast<DWORD>(info.biHeight))
        return 0;
    const size_t overhead = kIdatStart + kChunkTail + kIendChunk;
    if (size <= overhead) return 0;
    // A bound keeps zlib's count of free bytes within its 32 bits.
    size_t room = size - overhead;
    const size_t most = AlphaPngBound(info.biWidth, info.biHeight) - overhead;
    if (room > most) room = most;
    DWORD streamLength;
    if (!Compress(image, key, out + kIdatStart, room, &streamLength)) return 0;

    memcpy(out, kSignature, sizeof kSignature);
    BYTE *ihdr = out + sizeof kSignature;
    PutBigEndian(ihdr + 8, static_cast<DWORD>(info.biWidth));
    PutBigEndian(ihdr + 12, static_cast<DWORD>(info.biHeight));
    ihdr[16] = 8;                       // bits a sample
    ihdr[17] = 6;                       // colour type: RGB with alpha
    ihdr[18] = ihdr[19] = ihdr[20] = 0; // deflate, adaptive filters, not interlaced
    CloseChunk(ihdr, "IHDR", 13);
    CloseChunk(out + kIdatStart - 8, "IDAT", streamLength);
    BYTE *iend = out + kIdatStart + streamLength + kChunkTail;
    CloseChunk(iend, "IEND", 0);
    return static_cast<size_t>(iend + kIendChunk - out);
}
