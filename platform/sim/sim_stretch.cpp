// Simulated StretchDIBits: device-independent pixels (uncompressed, 1, 24
// or 32 bits a pixel, colours given as RGB values) put on a context with a
// raster operation that combines source and destination, stretched or
// shrunk by taking the nearest source pixel. The source rectangle counts
// its y from the image's first row in memory order's bottom for bottom-up
// images (positive height) and from the top for top-down ones, as Windows
// counts it; source pixels outside the image draw nothing. Mirroring
// (negative widths or heights) and raster operations with a pattern are
// not simulated and fail as bad parameters.
#include "sim_internal.h"

#include <algorithm>
#include <cstring>

namespace {

// The colour of pixel (x, y) of the image, y counted in memory order.
uint32_t SourcePixel(const BITMAPINFOHEADER &h, const RGBQUAD *table, const unsigned char *bits,
                     size_t stride, int x, int y) {
    const unsigned char *row = bits + stride * static_cast<size_t>(y);
    const RGBQUAD *c;
    switch (h.biBitCount) {
    case 1:
        c = &table[(row[x / 8] >> (7 - x % 8)) & 1];
        return (uint32_t(c->rgbRed) << 16) | (uint32_t(c->rgbGreen) << 8) | c->rgbBlue;
    case 24:
        return (uint32_t(row[x * 3 + 2]) << 16) | (uint32_t(row[x * 3 + 1]) << 8) | row[x * 3];
    default: // 32
        return (uint32_t(row[x * 4 + 2]) << 16) | (uint32_t(row[x * 4 + 1]) << 8) | row[x * 4];
    }
}

} // namespace

int WINAPI StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                         int ySrc, int srcWidth, int srcHeight, const void *bits,
                         const BITMAPINFO *info, UINT usage, DWORD rop) {
    if (sim::enter("StretchDIBits", "%p, %d, %d, %d, %d, %d, %d, %d, %d, %s, %s, %u, 0x%06X",
                   static_cast<void *>(dc), xDest, yDest, destWidth, destHeight, xSrc, ySrc,
                   srcWidth, srcHeight, bits ? "bits" : "(null)", info ? "info" : "(null)", usage,
                   rop))
        return 0;
    if (!bits || !info || usage != DIB_RGB_COLORS || !sim::rop_of_source(rop) || destWidth <= 0 ||
        destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const BITMAPINFOHEADER &h = info->bmiHeader;
    const int bitCount = h.biBitCount;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biCompression != BI_RGB || h.biPlanes != 1 ||
        (bitCount != 1 && bitCount != 24 && bitCount != 32) || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biHeight == INT32_MIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    sim::DrawTarget target;
    if (!sim::draw_target(dc, &target)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const int width = h.biWidth;
    const bool bottomUp = h.biHeight > 0;
    const int height = bottomUp ? h.biHeight : -h.biHeight;
    const size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    const RGBQUAD *table = reinterpret_cast<const RGBQUAD *>(
        reinterpret_cast<const unsigned char *>(info) + h.biSize);
    const unsigned char *pixels = static_cast<const unsigned char *>(bits);

    // Destination pixels that can change: inside the clip and the surface.
    RECT area = {std::max<LONG>(xDest, target.clip.left), std::max<LONG>(yDest, target.clip.top),
                 static_cast<LONG>(std::min<int64_t>(int64_t(xDest) + destWidth, target.clip.right)),
                 static_cast<LONG>(std::min<int64_t>(int64_t(yDest) + destHeight, target.clip.bottom))};
    sim::Surface &surface = *target.surface;
    for (LONG y = area.top; y < area.bottom; ++y) {
        // The source row, counted from the source rectangle's edge: the top
        // for top-down images, the bottom for bottom-up ones.
        int64_t k = (int64_t(y) - yDest) * srcHeight / destHeight;
        int64_t imageRow = bottomUp ? int64_t(ySrc) + srcHeight - 1 - k : int64_t(ySrc) + k;
        if (imageRow < 0 || imageRow >= height) continue;
        // Bottom-up rows lie bottom first in memory: a row's number from the
        // bottom is its place in memory, as a top-down row's from the top is.
        int memoryRow = static_cast<int>(imageRow);
        uint32_t *row = surface.pixels.data() + static_cast<size_t>(y) * surface.width;
        for (LONG x = area.left; x < area.right; ++x) {
            int64_t column = int64_t(xSrc) + (int64_t(x) - xDest) * srcWidth / destWidth;
            if (column < 0 || column >= width) continue;
            uint32_t source = SourcePixel(h, table, pixels, stride, static_cast<int>(column),
                                          memoryRow);
            if (target.mono) source = sim::monochrome_pixel(source);
            row[x] = sim::apply_source_rop(rop, source, row[x]);
        }
    }
    return srcHeight;
}
