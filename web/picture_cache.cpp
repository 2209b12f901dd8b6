#include "web/picture_cache.h"

#include "web/png_alpha.h"
#include "web/shared.h"

#include <cstdlib>
#include <cstring>

namespace {

// The server thread's own: the pixels copied out of the record, and their PNG.
BYTE *Pixels;
size_t PixelsCapacity;
BYTE *Png;
size_t PngCapacity;
size_t PngLength;
DWORD PngFrame; // 0: none

bool Grow(BYTE **buffer, size_t *capacity, size_t size) {
    if (*capacity >= size) return true;
    free(*buffer);
    *buffer = static_cast<BYTE *>(malloc(size));
    *capacity = *buffer ? size : 0;
    return *buffer != NULL;
}

} // namespace

PictureReady CurrentPicture(const BYTE **png, size_t *length, DWORD *frame) {
    EnterCriticalSection(&WebRecord.lock);
    const DWORD current = WebRecord.state.frame;
    const bool there = WebRecord.pixelsFrame == current && WebRecord.pixels;
    const bool cached = there && PngFrame == current && PngLength > 0;
    BITMAPINFOHEADER info = WebRecord.pixelsInfo;
    const COLORREF key = WebRecord.pixelsKey;
    const size_t stride = static_cast<size_t>(info.biWidth) * 4;
    const size_t bytes = stride * static_cast<size_t>(info.biHeight);
    bool copied = there && !cached && Grow(&Pixels, &PixelsCapacity, bytes);
    if (copied) memcpy(Pixels, WebRecord.pixels, bytes);
    LeaveCriticalSection(&WebRecord.lock);
    if (!there) return PictureAwaited;
    if (!cached) {
        if (!copied) return PictureFailed;
        PngLength = 0;
        PngFrame = 0;
        RecordImage image = {&info, Pixels, static_cast<DWORD>(stride), static_cast<DWORD>(bytes)};
        size_t bound = AlphaPngBound(info.biWidth, info.biHeight);
        if (!bound || !Grow(&Png, &PngCapacity, bound)) return PictureFailed;
        PngLength = EncodeAlphaPng(image, key, Png, PngCapacity);
        if (!PngLength) return PictureFailed;
        PngFrame = current;
    }
    *png = Png;
    *length = PngLength;
    *frame = PngFrame;
    return PictureThere;
}

void ReleasePictureCache() {
    free(Pixels);
    free(Png);
    Pixels = Png = NULL;
    PixelsCapacity = PngCapacity = PngLength = 0;
    PngFrame = 0;
}
