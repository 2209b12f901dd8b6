// Simulated GDI+ (the flat API): start and shut down, bitmaps over the
// caller's pixels, and saving one as a PNG file through the PNG encoder,
// which libpng stands in for. The encoder is named, as in Windows, by its
// class identifier; the simulation has no other.
#include "sim_internal.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <png.h>

namespace sim {
namespace {

const CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

struct Bitmap : GpBitmap {
    int width;
    int height;
    int stride; // bytes from one row to the next; negative: rows upwards in memory
    PixelFormat format;
    BYTE *scan0;
    std::vector<BYTE> own; // the pixels when the caller gave none
};

struct Gdiplus {
    int starts = 0;
    ULONG_PTR nextToken = 1;
    int images = 0;
};

Gdiplus &gdiplus() {
    static Gdiplus g;
    return g;
}

// The file name as an 8-bit path: the simulation's code page is Latin-1.
bool narrowName(const WCHAR *wide, std::string *name) {
    name->clear();
    for (; *wide; ++wide) {
        if (*wide > 0xFF) return false;
        name->push_back(static_cast<char>(*wide));
    }
    return true;
}

bool writePng(FILE *file, const Bitmap &b) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(static_cast<size_t>(b.width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    // 24-bit colour without alpha, whatever the bitmap's format.
    png_set_IHDR(png, info, static_cast<png_uint_32>(b.width), static_cast<png_uint_32>(b.height),
                 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    int bytesPixel = b.format == PixelFormat24bppRGB ? 3 : 4;
    for (int y = 0; y < b.height; ++y) {
        const BYTE *in = b.scan0 + static_cast<ptrdiff_t>(y) * b.stride;
        for (int x = 0; x < b.width; ++x) { // blue, green, red in memory
            row[3 * x] = in[bytesPixel * x + 2];
            row[3 * x + 1] = in[bytesPixel * x + 1];
            row[3 * x + 2] = in[bytesPixel * x];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

int live_gdiplus_starts() { return gdiplus().starts; }
int live_gdiplus_images() { return gdiplus().images; }

} // namespace sim

GpStatus WINGDIPAPI GdiplusStartup(ULONG_PTR *token, const GdiplusStartupInput *input,
                                   GdiplusStartupOutput *output) {
    if (sim::enter("GdiplusStartup", "%u", input ? input->GdiplusVersion : 0u)) return GenericError;
    if (!token || !input) return InvalidParameter;
    // Version 1 only; without its background thread GDI+ wants an output record.
    if (input->GdiplusVersion != 1) return static_cast<GpStatus>(17); // UnsupportedGdiplusVersion
    if (input->SuppressBackgroundThread && !output) return InvalidParameter;
    ++sim::gdiplus().starts;
    *token = sim::gdiplus().nextToken++;
    return Ok;
}

void WINGDIPAPI GdiplusShutdown(ULONG_PTR token) {
    sim::enter("GdiplusShutdown", "%lu", static_cast<unsigned long>(token));
    if (token != 0 && sim::gdiplus().starts > 0) --sim::gdiplus().starts;
}

GpStatus WINGDIPAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride,
                                              PixelFormat format, BYTE *scan0,
                                              GpBitmap **bitmap) {
    if (sim::enter("GdipCreateBitmapFromScan0", "%d, %d, %d, 0x%X, %s", width, height, stride,
                   static_cast<unsigned>(format), scan0 ? "pixels" : "(null)"))
        return OutOfMemory;
    if (!bitmap) return InvalidParameter;
    *bitmap = nullptr;
    if (sim::gdiplus().starts == 0) return GdiplusNotInitialized;
    int bytesPixel = format == PixelFormat24bppRGB ? 3 : format == PixelFormat32bppRGB ? 4 : 0;
    // Given pixels need a stride of whole 32-bit words that holds a row.
    int64_t row = static_cast<int64_t>(width) * bytesPixel;
    int64_t magnitude = stride < 0 ? -static_cast<int64_t>(stride) : stride;
    if (bytesPixel == 0 || width <= 0 || height <= 0 ||
        (scan0 && (magnitude % 4 != 0 || magnitude < row)))
        return InvalidParameter;
    sim::Bitmap *b = new (std::nothrow) sim::Bitmap();
    if (!b) return OutOfMemory;
    b->width = width;
    b->height = height;
    b->format = format;
    b->stride = scan0 ? stride : static_cast<int>((row + 3) / 4 * 4);
    b->scan0 = scan0;
    if (!scan0) {
        try {
            b->own.assign(static_cast<size_t>(b->stride) * height, 0);
        } catch (const std::bad_alloc &) {
            delete b;
            return OutOfMemory;
        }
        b->scan0 = b->own.data();
    }
    ++sim::gdiplus().images;
    *bitmap = b;
    return Ok;
}

GpStatus WINGDIPAPI GdipSaveImageToFile(GpImage *image, GDIPCONST WCHAR *fileName,
                                        GDIPCONST CLSID *encoder,
                                        GDIPCONST EncoderParameters *) {
    std::string name;
    bool named = fileName && sim::narrowName(fileName, &name);
    if (sim::enter("GdipSaveImageToFile", "%p, %s", static_cast<void *>(image),
                   named ? name.c_str() : "(null)"))
        return Win32Error;
    if (!image || !fileName || !encoder) return InvalidParameter;
    if (sim::gdiplus().starts == 0) return GdiplusNotInitialized;
    if (memcmp(encoder, &sim::kPngEncoder, sizeof *encoder) != 0) return FileNotFound;
    if (!named || name.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return Win32Error;
    }
    FILE *file = fopen(sim::host_path(name.c_str()).c_str(), "wb");
    if (!file) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : sim::errorFromErrno(errno));
        return Win32Error;
    }
    bool ok = sim::writePng(file, *static_cast<sim::Bitmap *>(image));
    if (fclose(file) != 0) ok = false;
    return ok ? Ok : Win32Error;
}

GpStatus WINGDIPAPI GdipDisposeImage(GpImage *image) {
    if (sim::enter("GdipDisposeImage", "%p", static_cast<void *>(image))) return GenericError;
    if (!image) return InvalidParameter;
    delete static_cast<sim::Bitmap *>(image);
    --sim::gdiplus().images;
    return Ok;
}
