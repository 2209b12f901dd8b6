// Simulated DIB sections (gdi32): bitmaps whose pixels the program reads in
// its own memory, in the layout the section's header describes (24 or 32
// bits a pixel, rows of whole 32-bit words, bottom row first unless the
// height is negative).
//
// Drawing goes to the section's bitmap as to any other; GdiFlush copies the
// bitmap's pixels into the section's memory. Windows may likewise hold back
// drawing until GdiFlush, which is why a program calls it before reading
// the memory. What a program writes into the memory is not read back.
#include "sim_internal.h"

#include <cstring>
#include <map>
#include <new>
#include <vector>

namespace sim {
namespace {

struct Section {
    int width;
    int height; // rows, positive
    bool bottomUp;
    int bitCount;
    size_t stride;
    std::vector<unsigned char> bits;
};

std::map<HGDIOBJ, Section> &sections() {
    static std::map<HGDIOBJ, Section> s;
    return s;
}

// Forgets sections whose bitmap was deleted (or reset away).
void forgetDeleted() {
    for (auto it = sections().begin(); it != sections().end();)
        it = bitmap_surface(it->first) ? std::next(it) : sections().erase(it);
}

void copyOut(const Surface &surface, Section &section) {
    for (int row = 0; row < section.height && row < surface.height; ++row) {
        const uint32_t *in = surface.pixels.data() + static_cast<size_t>(row) * surface.width;
        int line = section.bottomUp ? section.height - 1 - row : row;
        unsigned char *out = section.bits.data() + static_cast<size_t>(line) * section.stride;
        if (section.bitCount == 32) {
            // 0x00RRGGBB in little-endian order is the DIB's blue, green, red, 0.
            memcpy(out, in, static_cast<size_t>(section.width) * 4);
            continue;
        }
        for (int x = 0; x < section.width; ++x) {
            out[3 * x] = static_cast<unsigned char>(in[x] & 0xFF);
            out[3 * x + 1] = static_cast<unsigned char>((in[x] >> 8) & 0xFF);
            out[3 * x + 2] = static_cast<unsigned char>((in[x] >> 16) & 0xFF);
        }
    }
}

} // namespace
} // namespace sim

HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits,
                                HANDLE section, DWORD offset) {
    if (bits) *bits = nullptr;
    const BITMAPINFOHEADER *h = info ? &info->bmiHeader : nullptr;
    if (sim::enter("CreateDIBSection", "%p, %dx%d, %u bits, %u", static_cast<void *>(dc),
                   h ? h->biWidth : 0, h ? h->biHeight : 0, h ? h->biBitCount : 0u, usage))
        return nullptr;
    // The simulation makes 24- and 32-bit BI_RGB sections in its own memory.
    if (!h || h->biSize < sizeof(BITMAPINFOHEADER) || h->biWidth <= 0 || h->biHeight == 0 ||
        h->biHeight == INT32_MIN || h->biPlanes != 1 ||
        (h->biBitCount != 24 && h->biBitCount != 32) || h->biCompression != BI_RGB ||
        usage != DIB_RGB_COLORS || section || offset) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    sim::forgetDeleted();
    int height = h->biHeight < 0 ? -h->biHeight : h->biHeight;
    HBITMAP bitmap = sim::new_colour_bitmap(h->biWidth, height);
    if (!bitmap) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    sim::Section s;
    s.width = h->biWidth;
    s.height = height;
    s.bottomUp = h->biHeight > 0;
    s.bitCount = h->biBitCount;
    s.stride = static_cast<size_t>((static_cast<int64_t>(s.width) * s.bitCount + 31) / 32 * 4);
    try {
        s.bits.assign(s.stride * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc &) {
        DeleteObject(bitmap);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    sim::Section &kept = sim::sections()[bitmap] = std::move(s);
    if (bits) *bits = kept.bits.data();
    return bitmap;
}

BOOL WINAPI GdiFlush() {
    sim::enter("GdiFlush", "%s", "");
    sim::forgetDeleted();
    for (auto &entry : sim::sections()) sim::copyOut(*sim::bitmap_surface(entry.first), entry.second);
    return TRUE;
}
