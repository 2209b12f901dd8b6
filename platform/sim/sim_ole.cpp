// Simulated ole32/oleaut32: streams over movable memory and pictures.
//
// A stream reads the block it was made on; OleLoadPicture decodes a stream's
// bytes as a JPEG picture (the one format the simulation reads; Windows also
// takes BMP, GIF, ICO and metafiles, which fail here as invalid pictures).
// A picture keeps its own copy of the pixels and draws them, scaled, through
// the GDI part's draw targets.
#include "sim_internal.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#ifndef E_POINTER
#define E_POINTER ((HRESULT)0x80004003)
#endif
#ifndef E_NOINTERFACE
#define E_NOINTERFACE ((HRESULT)0x80004002)
#endif
#ifndef CTL_E_INVALIDPROPERTYVALUE
#define CTL_E_INVALIDPROPERTYVALUE ((HRESULT)0x800A017C)
#endif

namespace sim {
namespace {

// Pictures larger than this fail to load rather than take the memory of a
// 32-bit process: at most 16384 pixels on a side and 32 Mi pixels in all
// (128 MiB as 32-bit pixels; a 5000 x 5000 picture still loads).
const JDIMENSION kMaxSide = 16384;
const uint64_t kMaxPixels = 32u * 1024u * 1024u;

struct Ole {
    int pictures = 0;
};

Ole &ole() {
    static Ole o;
    return o;
}

// "IID_IPicture", or the identifier in registry form.
std::string iidName(REFIID iid) {
    if (memcmp(&iid, &IID_IPicture, sizeof iid) == 0) return "IID_IPicture";
    char text[40];
    snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned>(iid.Data1), iid.Data2, iid.Data3, iid.Data4[0], iid.Data4[1],
             iid.Data4[2], iid.Data4[3], iid.Data4[4], iid.Data4[5], iid.Data4[6], iid.Data4[7]);
    return text;
}

class Stream : public IStream {
  public:
    Stream(HGLOBAL block, bool deleteOnRelease)
        : block_(block), size_(GlobalSize(block)), deleteOnRelease_(deleteOnRelease) {}

    ULONG STDMETHODCALLTYPE Release() override {
        enter("IStream::Release", "%p", static_cast<void *>(this));
        ULONG left = --references_;
        if (left == 0) {
            if (deleteOnRelease_) GlobalFree(block_);
            delete this;
        }
        return left;
    }

    // Reads up to `wanted` bytes from the current position into `bytes` and
    // moves past them. Like ole32's own stream, locks the block while copying.
    HRESULT Read(size_t wanted, std::vector<unsigned char> *bytes) {
        size_t available = size_ > position_ ? size_ - position_ : 0;
        size_t count = std::min(wanted, available);
        bytes->assign(count, 0);
        if (count == 0) return S_OK;
        const unsigned char *data = static_cast<const unsigned char *>(GlobalLock(block_));
        if (!data) return E_OUTOFMEMORY;
        memcpy(bytes->data(), data + position_, count);
        GlobalUnlock(block_);
        position_ += count;
        return S_OK;
    }

  private:
    ~Stream() override = default;

    HGLOBAL block_;
    size_t size_;
    size_t position_ = 0;
    bool deleteOnRelease_;
    ULONG references_ = 1;
};

// Decoded pixels: 0x00RRGGBB, row-major, top row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    std::vector<unsigned char> row; // one decoded RGB row
};

// libjpeg's error manager, extended by the place to return to when decoding
// must stop.
struct JpegError {
    jpeg_error_mgr manager; // first: libjpeg hands back a pointer to it
    jmp_buf stop;
};

[[noreturn]] void stopDecoding(j_common_ptr info) {
    longjmp(reinterpret_cast<JpegError *>(info->err)->stop, 1);
}

// Warnings about damaged data are tolerated as libjpeg tolerates them,
// except running out of data before the picture ends: a cut-off file is no
// picture. Trace messages are dropped.
void onMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    if (info->err->msg_code == JWRN_JPEG_EOF) stopDecoding(info);
    ++info->err->num_warnings;
}

void discardMessage(j_common_ptr) {}

// Decodes a JPEG picture. Nothing in this function that lives across the
// jump back to setjmp has a destructor; the pixels go to `image`.
HRESULT decodeJpeg(const unsigned char *data, size_t size, Image *image) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = stopDecoding;
    error.manager.emit_message = onMessage;
    error.manager.output_message = discardMessage;
    if (setjmp(error.stop)) {
        HRESULT result =
            error.manager.msg_code == JERR_OUT_OF_MEMORY ? E_OUTOFMEMORY : CTL_E_INVALIDPICTURE;
        jpeg_destroy_decompress(&info);
        return result;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (info.image_width > kMaxSide || info.image_height > kMaxSide ||
        static_cast<uint64_t>(info.image_width) * info.image_height > kMaxPixels) {
        jpeg_destroy_decompress(&info);
        return CTL_E_INVALIDPICTURE;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return CTL_E_INVALIDPICTURE;
    }
    try {
        image->width = static_cast<int>(info.output_width);
        image->height = static_cast<int>(info.output_height);
        image->pixels.assign(static_cast<size_t>(info.output_width) * info.output_height, 0);
        image->row.assign(static_cast<size_t>(info.output_width) * 3, 0);
    } catch (const std::bad_alloc &) {
        jpeg_destroy_decompress(&info);
        return E_OUTOFMEMORY;
    }
    while (info.output_scanline < info.output_height) {
        uint32_t *out =
            image->pixels.data() + static_cast<size_t>(info.output_scanline) * info.output_width;
        JSAMPROW row = image->row.data();
        if (jpeg_read_scanlines(&info, &row, 1) != 1) {
            jpeg_destroy_decompress(&info);
            return CTL_E_INVALIDPICTURE;
        }
        for (JDIMENSION x = 0; x < info.output_width; ++x) {
            const unsigned char *rgb = image->row.data() + 3 * static_cast<size_t>(x);
            out[x] = (static_cast<uint32_t>(rgb[0]) << 16) | (static_cast<uint32_t>(rgb[1]) << 8) |
                     rgb[2];
        }
    }
    // Every row is there: what follows the picture's data (its end marker,
    // or anything after it) does not matter.
    jpeg_destroy_decompress(&info);
    return S_OK;
}

// The picture's extent in HIMETRIC (0.01 mm) for `pixels` at the screen's
// resolution, never 0 (the drawing divides by it).
LONG himetric(int pixels) {
    int dpi = screen_dpi();
    if (dpi <= 0) dpi = 96;
    int extent = MulDiv(pixels, 2540, dpi);
    return extent > 0 ? extent : 1;
}

class Picture : public IPicture {
  public:
    explicit Picture(Image *image)
        : width_(image->width), height_(image->height), hmWidth_(himetric(image->width)),
          hmHeight_(himetric(image->height)) {
        pixels_.swap(image->pixels);
        ++ole().pictures;
    }

    ULONG STDMETHODCALLTYPE Release() override {
        enter("IPicture::Release", "%p", static_cast<void *>(this));
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC *width) override {
        if (enter("IPicture::get_Width", "%p", static_cast<void *>(this))) return E_FAIL;
        if (!width) return E_POINTER;
        *width = hmWidth_;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC *height) override {
        if (enter("IPicture::get_Height", "%p", static_cast<void *>(this))) return E_FAIL;
        if (!height) return E_POINTER;
        *height = hmHeight_;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Render(HDC dc, LONG x, LONG y, LONG cx, LONG cy,
                                     OLE_XPOS_HIMETRIC xSrc, OLE_YPOS_HIMETRIC ySrc,
                                     OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                                     LPCRECT) override;

  private:
    ~Picture() override { --ole().pictures; }

    // The picture's column (or row, counted from the top) that a destination
    // pixel shows, or -1 outside the picture. The pixel lies `offset` pixels
    // from the destination's start coordinate and is sampled at its centre:
    // its fraction of the destination extent (which may be negative, then the
    // pixels lie before the start) is the same fraction of the source extent
    // from `start`, in HIMETRIC. Rows count HIMETRIC from the bottom edge.
    int sample(int64_t offset, LONG extent, LONG start, LONG sourceExtent, int pixels,
               LONG himetricExtent, bool fromBottom) const {
        double position = start + sourceExtent * ((offset + 0.5) / extent);
        if (fromBottom) position = himetricExtent - position;
        double index = std::floor(position * pixels / himetricExtent);
        if (!(index >= 0 && index < pixels)) return -1;
        return static_cast<int>(index);
    }

    int width_;
    int height_;
    LONG hmWidth_;
    LONG hmHeight_;
    std::vector<uint32_t> pixels_;
    ULONG references_ = 1;
};

// Draws like StretchBlt from the picture's source rectangle: destination
// pixel (x + i, y + j) shows the source at the matching fraction of the source
// rectangle. HIMETRIC y grows upward from the picture's bottom edge, so
// ySrc = height with cySrc = -height draws the picture upright and ySrc = 0
// with cySrc = height upside down; negative extents mirror. Parts of the
// source rectangle outside the picture draw nothing. The metafile bounds
// rectangle is not used: the simulation has no metafile contexts.
HRESULT Picture::Render(HDC dc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC xSrc,
                        OLE_YPOS_HIMETRIC ySrc, OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                        LPCRECT) {
    if (enter("IPicture::Render", "%p, %p, %d, %d, %d, %d, %d, %d, %d, %d",
              static_cast<void *>(this), static_cast<void *>(dc), x, y, cx, cy, xSrc, ySrc, cxSrc,
              cySrc))
        return E_FAIL;
    DrawTarget target;
    if (!dc || !draw_target(dc, &target) || !target.surface) return E_INVALIDARG;
    if (cx == 0 || cy == 0 || cxSrc == 0 || cySrc == 0) return CTL_E_INVALIDPROPERTYVALUE;
    Surface &surface = *target.surface;
    if (surface.width <= 0 || surface.height <= 0 ||
        surface.pixels.size() != static_cast<size_t>(surface.width) * surface.height)
        return E_FAIL;

    // The destination's pixels in surface coordinates, kept to the clip
    // rectangle and the surface.
    int64_t left = std::min<int64_t>(x, int64_t(x) + cx) + target.originX;
    int64_t right = std::max<int64_t>(x, int64_t(x) + cx) + target.originX;
    int64_t top = std::min<int64_t>(y, int64_t(y) + cy) + target.originY;
    int64_t bottom = std::max<int64_t>(y, int64_t(y) + cy) + target.originY;
    left = std::max<int64_t>({left, target.clip.left, 0});
    right = std::min<int64_t>({right, target.clip.right, surface.width});
    top = std::max<int64_t>({top, target.clip.top, 0});
    bottom = std::min<int64_t>({bottom, target.clip.bottom, surface.height});
    if (left >= right || top >= bottom) return S_OK;

    std::vector<int> columns;
    try {
        columns.resize(static_cast<size_t>(right - left));
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
    for (int64_t sx = left; sx < right; ++sx)
        columns[static_cast<size_t>(sx - left)] =
            sample(sx - target.originX - x, cx, xSrc, cxSrc, width_, hmWidth_, false);
    for (int64_t sy = top; sy < bottom; ++sy) {
        int row = sample(sy - target.originY - y, cy, ySrc, cySrc, height_, hmHeight_, true);
        if (row < 0) continue;
        const uint32_t *from = pixels_.data() + static_cast<size_t>(row) * width_;
        uint32_t *to = surface.pixels.data() + static_cast<size_t>(sy) * surface.width;
        for (int64_t sx = left; sx < right; ++sx) {
            int column = columns[static_cast<size_t>(sx - left)];
            if (column >= 0) to[sx] = from[column];
        }
    }
    return S_OK;
}

} // namespace

// Streams and pictures still held stay alive and counted, as open files and
// memory blocks do in the kernel part: their holders may still release them.
void reset_ole() {}

int live_pictures() {
    return ole().pictures;
}

} // namespace sim

using sim::enter;

HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, LPSTREAM *stream) {
    if (enter("CreateStreamOnHGlobal", "%p, %d", memory, deleteOnRelease)) {
        if (stream) *stream = nullptr;
        return E_OUTOFMEMORY;
    }
    if (!stream) return E_INVALIDARG;
    *stream = nullptr;
    // Like Windows, no block means a new empty one. Without deleteOnRelease
    // it outlives the stream (Windows hands it out through
    // GetHGlobalFromStream, which the simulation does not have).
    HGLOBAL block = memory ? memory : GlobalAlloc(GMEM_MOVEABLE, 0);
    if (!block) return E_OUTOFMEMORY;
    sim::Stream *created = new (std::nothrow) sim::Stream(block, deleteOnRelease != FALSE);
    if (!created) {
        if (!memory) GlobalFree(block);
        return E_OUTOFMEMORY;
    }
    *stream = created;
    return S_OK;
}

// Reads `size` bytes of the stream (0: the rest of it, as on Windows) and
// decodes them. Only IPicture is handed out.
HRESULT WINAPI OleLoadPicture(LPSTREAM stream, LONG size, BOOL runMode, REFIID iid,
                              LPVOID *picture) {
    if (enter("OleLoadPicture", "%p, %d, %d, %s", static_cast<void *>(stream), size, runMode,
              sim::iidName(iid).c_str())) {
        if (picture) *picture = nullptr;
        return E_OUTOFMEMORY;
    }
    if (!picture) return E_POINTER;
    *picture = nullptr;
    sim::Stream *source = dynamic_cast<sim::Stream *>(stream);
    if (!source) return E_POINTER;
    if (memcmp(&iid, &IID_IPicture, sizeof iid) != 0) return E_NOINTERFACE;
    if (size < 0) return E_INVALIDARG;
    try {
        std::vector<unsigned char> bytes;
        HRESULT result = source->Read(size == 0 ? SIZE_MAX : static_cast<size_t>(size), &bytes);
        if (FAILED(result)) return result;
        if (bytes.empty()) return CTL_E_INVALIDPICTURE;
        sim::Image image;
        result = sim::decodeJpeg(bytes.data(), bytes.size(), &image);
        if (FAILED(result)) return result;
        *picture = static_cast<IPicture *>(new sim::Picture(&image));
        return S_OK;
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
}
