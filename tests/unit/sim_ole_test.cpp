// The simulated picture path: streams over movable memory, JPEG pictures,
// their HIMETRIC size and their drawing.
#include "platform/platform.h"
#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

typedef std::function<uint32_t(int x, int y)> Colours; // 0x00RRGGBB

const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

// A JPEG file made with libjpeg; grey pictures take the colour's low byte.
std::string Jpeg(int width, int height, const Colours &colour, bool grey = false) {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = grey ? 1 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(width) * info.input_components);
    while (info.next_scanline < info.image_height) {
        int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            uint32_t c = colour(x, y);
            if (grey) {
                row[x] = static_cast<unsigned char>(c);
                continue;
            }
            row[3 * x] = static_cast<unsigned char>(c >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(c >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(c);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::string bytes(reinterpret_cast<const char *>(buffer), size);
    jpeg_destroy_compress(&info);
    free(buffer);
    return bytes;
}

// Red, green, blue and white quarters: top left, top right, bottom left,
// bottom right.
std::string Corners(int width, int height) {
    return Jpeg(width, height, [=](int x, int y) {
        bool right = x >= width / 2, bottom = y >= height / 2;
        return bottom ? (right ? kWhite : kBlue) : (right ? kGreen : kRed);
    });
}

HGLOBAL Block(const std::string &bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    void *data = GlobalLock(block);
    if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

// Loads a picture from a stream that owns a block holding `bytes`, reading
// `size` bytes (-1: all of them), and releases the stream.
HRESULT Load(const std::string &bytes, IPicture **picture, LONG size = -1) {
    IStream *stream = nullptr;
    HRESULT result = CreateStreamOnHGlobal(Block(bytes), TRUE, &stream);
    if (FAILED(result)) return result;
    result = OleLoadPicture(stream, size < 0 ? static_cast<LONG>(bytes.size()) : size, FALSE,
                            IID_IPicture, reinterpret_cast<void **>(picture));
    stream->Release();
    return result;
}

SIZE Himetric(IPicture *picture) {
    SIZE size = {-1, -1};
    EXPECT_EQ(picture->get_Width(&size.cx), S_OK);
    EXPECT_EQ(picture->get_Height(&size.cy), S_OK);
    return size;
}

// Whether a pixel is within JPEG's error of a colour given as 0x00RRGGBB.
::testing::AssertionResult Near(COLORREF pixel, uint32_t rgb) {
    int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
    if (abs(r - int(rgb >> 16)) <= 40 && abs(g - int(rgb >> 8 & 0xFF)) <= 40 &&
        abs(b - int(rgb & 0xFF)) <= 40)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "RGB(" << r << ", " << g << ", " << b << ")";
}

// A memory context holding a screen-compatible bitmap filled with one colour.
class Canvas {
  public:
    Canvas(int width, int height, COLORREF fill) {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        RECT all = {0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(fill);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const { return sim::bitmap_pixel(bitmap_, x, y); }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

class OlePicture : public DriverTest {};

TEST_F(OlePicture, LoadsAlongTheDriversPathAtTheScreenResolution) {
    WriteFile("images/Tavlora.jpg", Corners(96, 24));
    HANDLE file = CreateFileA("images\\Tavlora.jpg", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD size = GetFileSize(file, nullptr), read = 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    ASSERT_TRUE(::ReadFile(file, GlobalLock(block), size, &read, nullptr));
    GlobalUnlock(block);
    CloseHandle(file);
    IStream *stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
    IPicture *picture = nullptr;
    ASSERT_EQ(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                             reinterpret_cast<void **>(&picture)),
              S_OK);
    SIZE himetric = Himetric(picture);
    EXPECT_EQ(himetric.cx, 2540); // 96 pixels at 96 dpi: one inch
    EXPECT_EQ(himetric.cy, 635);
    EXPECT_EQ(stream->Release(), 0u);
    // The stream took the block with it; the picture lives on alone.
    EXPECT_LT(sim::find_call("IStream::Release("), sim::find_call("GlobalFree("));
    EXPECT_EQ(sim::live_globals(), 0);
    EXPECT_EQ(sim::live_pictures(), 1);
    EXPECT_EQ(picture->Release(), 0u);
    EXPECT_EQ(sim::live_pictures(), 0);

    // The size in HIMETRIC follows the resolution at load time.
    sim::set_dpi(120);
    ASSERT_EQ(Load(Corners(96, 24), &picture), S_OK);
    sim::set_dpi(96);
    himetric = Himetric(picture);
    EXPECT_EQ(himetric.cx, 2032);
    EXPECT_EQ(himetric.cy, 508);
    picture->Release();
}

TEST_F(OlePicture, StreamFreesItsBlockOnlyWhenAskedTo) {
    IStream *stream = nullptr;
    HGLOBAL block = Block("bytes");
    ASSERT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
    stream->Release();
    EXPECT_EQ(sim::live_globals(), 1);
    GlobalFree(block);

    // No block: the stream makes an empty one of its own.
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    EXPECT_EQ(sim::live_globals(), 1);
    stream->Release();
    EXPECT_EQ(sim::live_globals(), 0);

    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, nullptr), E_INVALIDARG);
    sim::fail_call("CreateStreamOnHGlobal", 1, ERROR_OUTOFMEMORY);
    stream = reinterpret_cast<IStream *>(1);
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), E_OUTOFMEMORY);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(sim::live_globals(), 0);
}

TEST_F(OlePicture, LoadArguments) {
    std::string jpeg = Corners(64, 64);
    IPicture *picture = nullptr;
    ASSERT_EQ(Load(jpeg, &picture, 0), S_OK); // 0: the whole stream
    picture->Release();
    EXPECT_EQ(Load(jpeg, &picture, static_cast<LONG>(jpeg.size()) - 100), CTL_E_INVALIDPICTURE);
    EXPECT_EQ(picture, nullptr);

    IStream *stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(Block(jpeg), TRUE, &stream), S_OK);
    void **out = reinterpret_cast<void **>(&picture);
    const IID unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    EXPECT_EQ(OleLoadPicture(stream, 0, FALSE, unknown, out), (HRESULT)0x80004002); // E_NOINTERFACE
    EXPECT_EQ(OleLoadPicture(nullptr, 0, FALSE, IID_IPicture, out),
              (HRESULT)0x80004003); // E_POINTER
    EXPECT_EQ(OleLoadPicture(stream, 0, FALSE, IID_IPicture, nullptr), (HRESULT)0x80004003);
    EXPECT_EQ(OleLoadPicture(stream, -1, FALSE, IID_IPicture, out), E_INVALIDARG);
    sim::fail_call("OleLoadPicture", 1, ERROR_OUTOFMEMORY);
    EXPECT_EQ(OleLoadPicture(stream, 0, FALSE, IID_IPicture, out), E_OUTOFMEMORY);
    EXPECT_EQ(picture, nullptr);
    stream->Release();
}

TEST_F(OlePicture, DamagedOrForeignDataFailsCleanly) {
    std::string jpeg =
        Jpeg(128, 128, [](int x, int y) { return (x * 2654435761u) ^ (y * 40503u); });
    std::string absurd = jpeg, tooMany = jpeg, scrambled = jpeg;
    size_t frame = jpeg.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    absurd.replace(frame + 5, 4, "\xEA\x60\xEA\x60", 4);  // 60000 x 60000
    tooMany.replace(frame + 5, 4, "\x1F\x40\x1F\x40", 4); // 8000 x 8000
    for (size_t i = frame; i < scrambled.size() - 2; ++i) scrambled[i] = static_cast<char>(i * 37);
    const struct {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"cut off in the header", jpeg.substr(0, 40)},
        {"cut off in the pixels", jpeg.substr(0, jpeg.size() / 2)},
        {"without its last row", jpeg.substr(0, jpeg.size() - 200)},
        {"scrambled after the start", scrambled},
        {"a bitmap",
         std::string("BM\x36\x00\x00\x00\x00\x00\x00\x00\x36\x00", 12) + std::string(64, '\x20')},
        {"60000 pixels on a side", absurd},
        {"64 million pixels", tooMany},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        IPicture *picture = reinterpret_cast<IPicture *>(1);
        EXPECT_EQ(Load(c.bytes, &picture), CTL_E_INVALIDPICTURE);
        EXPECT_EQ(picture, nullptr);
    }
    EXPECT_EQ(sim::live_pictures(), 0);
    EXPECT_EQ(sim::live_globals(), 0);
}

TEST_F(OlePicture, RendersUprightOrUpsideDownScaledAndClipped) {
    IPicture *picture = nullptr;
    ASSERT_EQ(Load(Corners(64, 32), &picture), S_OK); // the stream and its block are gone
    SIZE hm = Himetric(picture);
    const COLORREF grey = RGB(0x80, 0x80, 0x80);

    Canvas upright(100, 60, grey);
    ASSERT_EQ(picture->Render(upright.dc(), 10, 10, 64, 32, 0, hm.cy, hm.cx, -hm.cy, nullptr),
              S_OK);
    EXPECT_TRUE(Near(upright.At(10, 10), kRed));
    EXPECT_TRUE(Near(upright.At(73, 10), kGreen));
    EXPECT_TRUE(Near(upright.At(10, 41), kBlue));
    EXPECT_TRUE(Near(upright.At(73, 41), kWhite));
    EXPECT_EQ(upright.At(9, 10), grey);
    EXPECT_EQ(upright.At(10, 9), grey);
    EXPECT_EQ(upright.At(74, 41), grey);
    EXPECT_EQ(upright.At(73, 42), grey);

    Canvas flipped(32, 16, grey); // half size
    ASSERT_EQ(picture->Render(flipped.dc(), 0, 0, 32, 16, 0, 0, hm.cx, hm.cy, nullptr), S_OK);
    EXPECT_TRUE(Near(flipped.At(0, 0), kBlue));
    EXPECT_TRUE(Near(flipped.At(31, 0), kWhite));
    EXPECT_TRUE(Near(flipped.At(0, 15), kRed));
    EXPECT_TRUE(Near(flipped.At(31, 15), kGreen));

    // A rectangle reaching past every edge: its middle fills the bitmap.
    Canvas clipped(40, 20, grey);
    ASSERT_EQ(picture->Render(clipped.dc(), -12, -6, 64, 32, 0, hm.cy, hm.cx, -hm.cy, nullptr),
              S_OK);
    EXPECT_TRUE(Near(clipped.At(0, 0), kRed));
    EXPECT_TRUE(Near(clipped.At(39, 0), kGreen));
    EXPECT_TRUE(Near(clipped.At(0, 19), kBlue));
    EXPECT_TRUE(Near(clipped.At(39, 19), kWhite));
    EXPECT_EQ(picture->Render(clipped.dc(), -2000000000, -2000000000, 2147483647, 2147483647, 0,
                              hm.cy, hm.cx, -hm.cy, nullptr),
              S_OK);

    // Refusals draw nothing.
    Canvas untouched(8, 8, grey);
    HDC dc = untouched.dc();
    EXPECT_EQ(picture->Render(nullptr, 0, 0, 8, 8, 0, hm.cy, hm.cx, -hm.cy, nullptr), E_INVALIDARG);
    EXPECT_EQ(picture->Render(reinterpret_cast<HDC>(0x5150), 0, 0, 8, 8, 0, hm.cy, hm.cx, -hm.cy,
                              nullptr),
              E_INVALIDARG);
    const HRESULT invalidValue = (HRESULT)0x800A017C; // CTL_E_INVALIDPROPERTYVALUE
    EXPECT_EQ(picture->Render(dc, 0, 0, 0, 8, 0, hm.cy, hm.cx, -hm.cy, nullptr), invalidValue);
    EXPECT_EQ(picture->Render(dc, 0, 0, 8, 8, 0, hm.cy, hm.cx, 0, nullptr), invalidValue);
    sim::fail_call("IPicture::Render", 1, ERROR_OUTOFMEMORY);
    EXPECT_EQ(picture->Render(dc, 0, 0, 8, 8, 0, hm.cy, hm.cx, -hm.cy, nullptr), E_FAIL);
    EXPECT_EQ(untouched.At(0, 0), grey);
    picture->Release();
}

TEST_F(OlePicture, TheSampleBackgroundLoads) {
    std::ifstream in(TAVLORA_SOURCE_DIR "/images/Tavlora.jpg", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    IPicture *picture = nullptr;
    ASSERT_EQ(Load(bytes.str(), &picture), S_OK);
    SIZE himetric = Himetric(picture);
    EXPECT_EQ(himetric.cx, 16933); // 640 x 240 pixels at 96 dpi
    EXPECT_EQ(himetric.cy, 6350);
    picture->Release();
}

TEST_F(OlePicture, LargeGreyPictureLoads) {
    IPicture *picture = nullptr;
    Colours pattern = [](int x, int y) { return static_cast<uint32_t>(x ^ y); };
    ASSERT_EQ(Load(Jpeg(4000, 4000, pattern, true), &picture), S_OK);
    SIZE hm = Himetric(picture);
    EXPECT_EQ(hm.cx, 105833); // 4000 * 2540 / 96, rounded
    EXPECT_EQ(hm.cy, 105833);
    Canvas canvas(40, 40, RGB(0, 0, 0));
    ASSERT_EQ(picture->Render(canvas.dc(), 0, 0, 40, 40, 0, hm.cy, hm.cx, -hm.cy, nullptr), S_OK);
    COLORREF pixel = canvas.At(3, 1); // the picture's pixel (350, 150)
    EXPECT_TRUE(Near(pixel, 0x010101u * ((350 ^ 150) & 0xFF)));
    EXPECT_EQ(GetRValue(pixel), GetGValue(pixel));
    EXPECT_EQ(GetGValue(pixel), GetBValue(pixel));
    picture->Release();
}

} // namespace
