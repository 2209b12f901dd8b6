#include "web/picture_cache.h"

#include "web/png_alpha.h"
#include "web/shared.h"

#include <cstdlib>
#include <cstring>

namespace {

// The server thread's own: the pixels taken from the record, and their PNG.
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
    const bool cached = PngFrame == current && PngLength > 0;
    const bool there = !cached && WebRecord.pixelsFrame == current && !WebRecord.pixelsTaken &&
                       WebRecord.pixels;
    BITMAPINFOHEADER info = WebRecord.pixelsInfo;
    const COLORREF key = WebRecord.pixelsKey;
    if (there) { // the pixels change hands: this thread's buffer goes back for the next frame
        TradePixels(&Pixels, &PixelsCapacity);
        WebRecord.pixelsTaken = true;
    }
    LeaveCriticalSection(&WebRecord.lock);
    if (!cached && !there) return PictureAwaited;
    if (!cached) {
        PngLength = 0;
        PngFrame = 0;
        const DWORD stride = static_cast<DWORD>(info.biWidth) * 4;
        RecordImage image = {&info, Pixels, stride, stride * static_cast<DWORD>(info.biHeight)};
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
