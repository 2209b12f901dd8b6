#include "common.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench {

// Each row's layout as in the sample file displays/Tavlora.cfg.
static const char kRowLayouts[] =
    "Line1X=16\nLine1Y=8\nLine1FontName=Courier New\nLine1FontHeight=44\nLine1FontWidth=22\n"
    "Line1FontColor=255 200 40\nLine1FontBold=700\n"
    "Line2X=16\nLine2Y=60\nLine2FontName=Courier New\nLine2FontHeight=36\nLine2FontWidth=18\n"
    "Line2FontColor=120 230 255\nLine2FontBold=400\n"
    "Line3X=16\nLine3Y=108\nLine3FontName=Courier New\nLine3FontHeight=36\nLine3FontWidth=18\n"
    "Line3FontColor=120 255 140\nLine3FontBold=700\n"
    "Line4X=0\nLine4Y=158\nLine4FontName=Courier New\nLine4FontHeight=32\nLine4FontWidth=16\n"
    "Line4FontColor=255 255 255\nLine4FontBkColor=20 40 90\nLine4FontBold=400\n"
    "Line4FontItalics=1\n";

// Dot-matrix rows with a gap and visible unlit dots: both colours drawn.
static const char kDotRows[] =
    "Line1Dots=1\nLine1DotGap=1\nLine1DotOffColor=60 50 10\n"
    "Line2Dots=1\nLine2DotGap=1\nLine2DotOffColor=30 60 70\n"
    "Line3Dots=1\nLine3DotGap=1\nLine3DotOffColor=30 70 40\n"
    "Line4Dots=1\nLine4DotGap=1\nLine4DotOffColor=60 60 60\n";

// A module of the default glass and bezel, and its outer window size for
// the driver's window style: 2 x (12 + 4 pitches) + (6 C - 2) pitches + a
// dot across, and (9 R - 2) pitches down.
struct BenchModule {
    const char *keys;
    int columns, rows, dotSize;
};
static const BenchModule kModule20x4 = {
    "Module=20x4\nModuleDotShape=square\nModuleDotSize=3\n", 20, 4, 3};
static const BenchModule kRoundModule40x4 = {
    "Module=40x4\nModuleDotShape=round\nModuleDotSize=4\n", 40, 4, 4};

static void ModuleWindowSize(const BenchModule &m, int *width, int *height) {
    const int pitch = m.dotSize + 1, edge = 2 * (12 + 4 * pitch);
    RECT r = {0, 0, edge + (6 * m.columns - 2) * pitch + m.dotSize,
              edge + (9 * m.rows - 2) * pitch + m.dotSize};
    AdjustWindowRectEx(&r, 0x80C80000, FALSE, 0);
    *width = r.right - r.left;
    *height = r.bottom - r.top;
}

std::string Configuration(const char *recordFile, Look look) {
    const BenchModule *module = look == Module20x4 || look == FontsAt20x4 ? &kModule20x4
                                : look == RoundModule40x4 || look == FontsAt40x4 ? &kRoundModule40x4
                                                                                   : NULL;
    int width = kWidth, height = kHeight;
    if (module) ModuleWindowSize(*module, &width, &height);
    char window[96];
    snprintf(window, sizeof window, "Debug=0\nX=0\nY=0\nWidth=%d\nHeight=%d\nDontShowWindow=0\n",
             width, height);
    std::string text = window;
    text += recordFile ? std::string("Record=1\nRecordInterval=-1\nRecordFile=") + recordFile + "\n"
                       : std::string("Record=0\n");
    // More keys for a run, e.g. TAVLORA_BENCH_CONFIG="WatchConfig=1;StayOnTop=1".
    if (const char *extra = getenv("TAVLORA_BENCH_CONFIG")) {
        for (const char *p = extra; *p; ++p) text += *p == ';' ? '\n' : *p;
        text += '\n';
    }
    // The view's settings live on from an earlier start too; the window's
    // end leaves the host running, as the web pairs restart the driver.
    char web[64];
    snprintf(web, sizeof web, "WebPort=%d\nEndHostOnClose=%d\n", look == WebView ? kWebPort : 0,
             look == WebView || look == WebOff ? 0 : 1);
    text += web;
    text += kRowLayouts;
    if (look == DotRows) text += kDotRows;
    text += look == Zoom300 ? "Zoom=300\n" : "Zoom=100\n";
    // Settings live on from an earlier start: a look without a module says so.
    return text + (look == Module20x4 || look == RoundModule40x4 ? module->keys : "Module=\n");
}

static const char kRow1[] = "12:00:00 \x01 Mon 1 Jan";
static const char kRow1Changed[] = "12:00:01 \x01 Mon 1 Jan";
static const char kRow2[] = "Tue 02 Feb 2027 \x01 ok";
static const char kRow3[] = "CPU 42% \x01 RAM 61%   ";
static const char kRow4[] = "Now playing \x01 track ";
static_assert(sizeof kRow1 == 21 && sizeof kRow1Changed == 21 && sizeof kRow2 == 21 &&
                  sizeof kRow3 == 21 && sizeof kRow4 == 21,
              "rows of 20 characters");

const char *const kRows[4] = {kRow1, kRow2, kRow3, kRow4};
const char *const kChangedRow = kRow1Changed;
const unsigned char kGlyph[8] = {0x04, 0x0E, 0x1F, 0x04, 0x04, 0x1F, 0x0E, 0x04};
const char kFullRow[81] =
    "Tavlora Display - an unchanged write of a whole row, eighty characters long ....";
static_assert(sizeof kFullRow == 81, "a row of 80 characters");

bool PrepareFolder(const char *picture) {
    CreateDirectoryA("displays", NULL);
    CreateDirectoryA("images", NULL);
    CreateDirectoryA("logs", NULL);
    std::string data;
    FILE *in = fopen(picture, "rb");
    if (in) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, in)) > 0) data.append(buffer, n);
        fclose(in);
    }
    FILE *out = fopen("images" PATH_SEP "Tavlora.jpg", "wb");
    bool ok = in && out && fwrite(data.data(), 1, data.size(), out) == data.size();
    if (out && fclose(out) != 0) ok = false;
    if (!ok) fprintf(stderr, "benchmarks: cannot copy %s to images" PATH_SEP "Tavlora.jpg\n", picture);
    return ok;
}

bool StartDriver(const Driver &driver, const char *recordFile, Look look) {
    std::string text = Configuration(recordFile, look);
    FILE *file = fopen("displays" PATH_SEP "Tavlora.cfg", "wb");
    if (!file || fwrite(text.data(), 1, text.size(), file) != text.size() || fclose(file) != 0) {
        fprintf(stderr, "benchmarks: cannot write displays" PATH_SEP "Tavlora.cfg\n");
        return false;
    }
    char ok = 0;
    driver.Init(0, 0, NULL, &ok);
    if (ok != 1) fprintf(stderr, "benchmarks: the driver's window was not created\n");
    return ok == 1;
}

static void Write(const Driver &driver, const char *text) {
    driver.Write(const_cast<char *>(text));
}

void ShowRows(const Driver &driver) {
    driver.CustomChar(1, reinterpret_cast<char *>(const_cast<unsigned char *>(kGlyph)));
    for (int row = 0; row < 4; ++row) {
        driver.SetPosition(1, row + 1);
        Write(driver, kRows[row]);
    }
}

void FillRowsForUnchangedWrites(const Driver &driver) {
    driver.SetPosition(1, 1);
    for (int row = 0; row < 4; ++row) Write(driver, kFullRow);
}

void UnchangedWrite(const Driver &driver) { Write(driver, kFullRow); }

void Repaint(const Driver &driver, long long count) {
    driver.SetPosition(1, 1);
    Write(driver, count % 2 ? kRows[0] : kChangedRow);
}

static bool Fail(const char *what) {
    fprintf(stderr, "floors: %s failed\n", what);
    return false;
}

static bool OpenParts(Floors *f);

static bool LoadPictureFile(Floors *f, const char *path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return Fail("opening the picture");
    DWORD size = GetFileSize(file, NULL);
    HGLOBAL block = size != INVALID_FILE_SIZE ? GlobalAlloc(GMEM_MOVEABLE, size) : NULL;
    void *data = block ? GlobalLock(block) : NULL;
    DWORD read = 0;
    bool ok = data && ReadFile(file, data, size, &read, NULL) && read == size;
    if (data) GlobalUnlock(block);
    CloseHandle(file);
    IStream *stream = NULL;
    if (!ok || CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK) {
        if (block) GlobalFree(block);
        return Fail("reading the picture");
    }
    HRESULT result = OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                    reinterpret_cast<void **>(&f->picture));
    stream->Release();
    if (result != S_OK || !f->picture) return Fail("decoding the picture");
    f->picture->get_Width(&f->pictureWidth);
    f->picture->get_Height(&f->pictureHeight);
    return true;
}

bool OpenFloors(Floors *f, HWND driverWindow, const char *picturePath, int x, int y) {
    f->window = driverWindow;
    if (!LoadPictureFile(f, picturePath)) return false;

    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSEXA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "TavloraBenchFloor";
    if (!RegisterClassExA(&windowClass)) return Fail("RegisterClassExA");
    // The driver's window style: WS_POPUP | WS_CAPTION | WS_SYSMENU.
    f->paintWindow = CreateWindowExA(0, "TavloraBenchFloor", NULL, 0x80C80000, x, y, kWidth,
                                     kHeight, NULL, NULL, instance, NULL);
    if (!f->paintWindow) return Fail("CreateWindowExA");
    ShowWindow(f->paintWindow, SW_SHOWNORMAL);
    GetWindowRect(f->paintWindow, &f->bounds);

    HDC screen = GetDC(f->paintWindow);
    f->renderWidth = MulDiv(f->pictureWidth, GetDeviceCaps(screen, LOGPIXELSX), 2540);
    f->renderHeight = MulDiv(f->pictureHeight, GetDeviceCaps(screen, LOGPIXELSY), 2540);
    ReleaseDC(f->paintWindow, screen);

    return OpenParts(f) && CopyWindowForFloors(f);
}

bool CopyWindowForFloors(Floors *f) {
    HWND driverWindow = f->window;
    if (f->captureBitmap) DeleteObject(f->captureBitmap);
    if (f->captureDC) DeleteDC(f->captureDC);
    // The pixels a capture reads: the driver window's client area as it shows.
    RECT client;
    GetClientRect(driverWindow, &client);
    HDC windowDC = GetDC(driverWindow);
    f->captureDC = CreateCompatibleDC(windowDC);
    f->captureBitmap = CreateCompatibleBitmap(windowDC, client.right, client.bottom);
    if (!f->captureDC || !f->captureBitmap) return Fail("making the capture's bitmap");
    HGDIOBJ kept = SelectObject(f->captureDC, f->captureBitmap);
    BitBlt(f->captureDC, 0, 0, client.right, client.bottom, windowDC, 0, 0, SRCCOPY);
    SelectObject(f->captureDC, kept);
    ReleaseDC(driverWindow, windowDC);

    memset(&f->info, 0, sizeof f->info);
    f->info.biSize = sizeof f->info;
    f->info.biWidth = client.right;
    f->info.biHeight = client.bottom;
    f->info.biPlanes = 1;
    f->info.biBitCount = 32;
    f->info.biCompression = BI_RGB;
    f->pixels.assign(static_cast<size_t>(client.right) * client.bottom * 4, 0);
    GetDIBits(f->captureDC, f->captureBitmap, 0, static_cast<UINT>(client.bottom),
              f->pixels.data(), reinterpret_cast<BITMAPINFO *>(&f->info), DIB_RGB_COLORS);

    // The PNG floor's pixels: read once, at 24 bits.
    BITMAPINFOHEADER info24 = f->info;
    info24.biBitCount = 24;
    f->stride24 = (client.right * 24 + 31) / 32 * 4;
    f->pixels24.assign(static_cast<size_t>(f->stride24) * client.bottom, 0);
    GetDIBits(f->captureDC, f->captureBitmap, 0, static_cast<UINT>(client.bottom),
              f->pixels24.data(), reinterpret_cast<BITMAPINFO *>(&info24), DIB_RGB_COLORS);
    f->filtered.assign((1 + static_cast<size_t>(client.right) * 3) * client.bottom, 0);
    // Room for every band's flush and the stream's end besides the bound.
    f->png.assign(8 + 25 + 12 + compressBound(static_cast<uLong>(f->filtered.size())) +
                      16 * (client.bottom / kPngBandRows + 1) + 12,
                  0);
    return true;
}

// The surface and fonts of the repaint's parts.
static bool OpenParts(Floors *f) {
    HDC windowDC = GetDC(f->paintWindow);
    f->partsDC = CreateCompatibleDC(windowDC);
    f->partsBitmap = CreateCompatibleBitmap(windowDC, kWidth, kHeight);
    ReleaseDC(f->paintWindow, windowDC);
    if (!f->partsDC || !f->partsBitmap) return Fail("making the parts' surface");
    f->partsKept = SelectObject(f->partsDC, f->partsBitmap);
    // As the driver makes them: the fixed-pitch description (0x31), the row's face.
    static const int kHeights[4] = {44, 36, 36, 32}, kWeights[4] = {700, 400, 700, 400};
    for (int row = 0; row < 4; ++row)
        f->fonts[row] = CreateFontA(kHeights[row], kHeights[row] / 2, 0, 0, kWeights[row], row == 3,
                                    0, 0, 0, 0, 0, 0, 0x31, "Courier New");
    return true;
}

void RenderPart(const Floors &f) {
    f.picture->Render(f.partsDC, 0, 0, f.renderWidth, f.renderHeight, 0, f.pictureHeight,
                      f.pictureWidth, -f.pictureHeight, &f.bounds);
}

void RowsPart(const Floors &f) {
    static const int kX[4] = {16, 16, 16, 0}, kY[4] = {8, 60, 108, 158};
    static const COLORREF kColours[4] = {RGB(255, 200, 40), RGB(120, 230, 255),
                                         RGB(120, 255, 140), RGB(255, 255, 255)};
    for (int row = 0; row < 4; ++row) {
        HGDIOBJ previous = SelectObject(f.partsDC, f.fonts[row]);
        SetTextColor(f.partsDC, kColours[row]);
        SetBkMode(f.partsDC, row == 3 ? OPAQUE : TRANSPARENT);
        SetBkColor(f.partsDC, RGB(20, 40, 90));
        int length = static_cast<int>(strlen(kRows[row])), extents[32];
        SIZE size;
        GetTextExtentExPointA(f.partsDC, kRows[row], length, 1000, NULL, extents, &size);
        ExtTextOutA(f.partsDC, kX[row], kY[row], row == 3 ? ETO_OPAQUE : ETO_CLIPPED, NULL,
                    kRows[row], static_cast<UINT>(length), NULL);
        SelectObject(f.partsDC, previous);
        HBRUSH brush = CreateSolidBrush(kColours[row]);
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 5; ++c) {
                if ((kGlyph[r] & (0x10 >> c)) == 0) continue;
                RECT block = {kX[row] + size.cx + c * 4, kY[row] + r * 4,
                              kX[row] + size.cx + c * 4 + 3, kY[row] + r * 4 + 4};
                FillRect(f.partsDC, &block, brush);
            }
        DeleteObject(brush);
    }
}

void TransferPart(const Floors &f) {
    InvalidateRect(f.paintWindow, NULL, FALSE);
    PAINTSTRUCT paint;
    HDC target = BeginPaint(f.paintWindow, &paint);
    BitBlt(target, 0, 0, kWidth, kHeight, f.partsDC, 0, 0, SRCCOPY);
    EndPaint(f.paintWindow, &paint);
}

void ObjectsPart(const Floors &f) {
    HDC windowDC = GetDC(f.paintWindow);
    HDC surface = CreateCompatibleDC(windowDC);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDC, kWidth, kHeight);
    ReleaseDC(f.paintWindow, windowDC);
    HGDIOBJ kept = SelectObject(surface, bitmap);
    SelectObject(surface, kept);
    DeleteObject(bitmap);
    DeleteDC(surface);
}

void CloseFloors(Floors *f) {
    for (HFONT &font : f->fonts) {
        if (font) DeleteObject(font);
        font = NULL;
    }
    if (f->partsDC) {
        SelectObject(f->partsDC, f->partsKept);
        DeleteDC(f->partsDC);
    }
    if (f->partsBitmap) DeleteObject(f->partsBitmap);
    f->partsDC = NULL;
    f->partsBitmap = NULL;
    if (f->captureBitmap) DeleteObject(f->captureBitmap);
    if (f->captureDC) DeleteDC(f->captureDC);
    if (f->picture) f->picture->Release();
    if (f->paintWindow) DestroyWindow(f->paintWindow);
    f->captureBitmap = NULL;
    f->captureDC = NULL;
    f->picture = NULL;
    f->paintWindow = NULL;
}

void WriteFloor(const Floors &f) {
    MSG message;
    for (int check = 0; check < 3; ++check)
        PeekMessageA(&message, f.window, 0, 0, PM_REMOVE);
    GetSystemMetrics(SM_XVIRTUALSCREEN);
    GetSystemMetrics(SM_YVIRTUALSCREEN);
    GetSystemMetrics(SM_CXVIRTUALSCREEN);
    GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

void ComposeFloor(const Floors &f) {
    InvalidateRect(f.paintWindow, NULL, FALSE);
    PAINTSTRUCT paint;
    HDC target = BeginPaint(f.paintWindow, &paint);
    HDC surface = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, kWidth, kHeight);
    HGDIOBJ kept = SelectObject(surface, bitmap);
    f.picture->Render(surface, 0, 0, f.renderWidth, f.renderHeight, 0, f.pictureHeight,
                      f.pictureWidth, -f.pictureHeight, &f.bounds);
    BitBlt(target, 0, 0, kWidth, kHeight, surface, 0, 0, SRCCOPY);
    SelectObject(surface, kept);
    DeleteObject(bitmap);
    DeleteDC(surface);
    EndPaint(f.paintWindow, &paint);
}

void CaptureFloor(Floors &f, const char *path) {
    WriteFloor(f);
    GetTickCount64();
    // Written whole to a temporary file, then moved over the target in one
    // step: a reader never sees part of a recording.
    char temporary[MAX_PATH];
    snprintf(temporary, sizeof temporary, "%s.tmp", path);
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    BITMAPFILEHEADER header;
    memset(&header, 0, sizeof header);
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + static_cast<DWORD>(f.pixels.size());
    DWORD written = 0;
    WriteFile(file, &header, sizeof header, &written, NULL);
    WriteFile(file, &f.info, sizeof f.info, &written, NULL);
    WriteFile(file, f.pixels.data(), static_cast<DWORD>(f.pixels.size()), &written, NULL);
    CloseHandle(file);
    MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING);
}

static void PutBigEndian(BYTE *to, uLong value) {
    to[0] = static_cast<BYTE>(value >> 24);
    to[1] = static_cast<BYTE>(value >> 16);
    to[2] = static_cast<BYTE>(value >> 8);
    to[3] = static_cast<BYTE>(value);
}

// The chunk whose `size` data bytes lie at chunk + 8: length, type, CRC.
static size_t FinishChunk(BYTE *chunk, const char *type, uLong size) {
    PutBigEndian(chunk, size);
    memcpy(chunk + 4, type, 4);
    PutBigEndian(chunk + 8 + size, crc32(0L, chunk + 4, static_cast<uInt>(size + 4)));
    return 12 + size;
}

void PngFloor(Floors &f, const char *path) {
    WriteFloor(f);
    GetTickCount64();
    const int width = f.info.biWidth, height = f.info.biHeight;
    BYTE *out = f.filtered.data();
    for (int y = 0; y < height; ++y) {
        const BYTE *row = f.pixels24.data() + static_cast<size_t>(f.stride24) * (height - 1 - y);
        const BYTE *above = row + f.stride24;
        *out++ = kPngFilter;
        for (int x = 0; x < width; ++x, row += 3, above += 3, out += 3) {
            out[0] = static_cast<BYTE>(row[2] - (y ? above[2] : 0));
            out[1] = static_cast<BYTE>(row[1] - (y ? above[1] : 0));
            out[2] = static_cast<BYTE>(row[0] - (y ? above[0] : 0));
        }
    }
    BYTE *png = f.png.data();
    memcpy(png, "\x89PNG\r\n\x1A\n", 8);
    BYTE *ihdr = png + 8;
    memset(ihdr + 8, 0, 13);
    PutBigEndian(ihdr + 8, static_cast<uLong>(width));
    PutBigEndian(ihdr + 12, static_cast<uLong>(height));
    ihdr[16] = 8; // bits a sample
    ihdr[17] = 2; // RGB
    BYTE *idat = ihdr + FinishChunk(ihdr, "IHDR", 13);
    z_stream z;
    memset(&z, 0, sizeof z);
    if (deflateInit2(&z, kPngLevel, Z_DEFLATED, -15, 8, kPngStrategy) != Z_OK) return;
    BYTE *data = idat + 8;
    data[0] = 0x78, data[1] = 0x5E; // the zlib header
    z.next_out = data + 2;
    z.avail_out = static_cast<uInt>(f.png.size() - (data + 2 - png) - 6 - 12);
    const size_t rowBytes = 1 + static_cast<size_t>(width) * 3;
    for (int first = 0; first < height; first += kPngBandRows) {
        int rows = height - first < kPngBandRows ? height - first : kPngBandRows;
        deflateReset(&z);
        z.next_in = f.filtered.data() + rowBytes * first;
        z.avail_in = static_cast<uInt>(rowBytes * rows);
        deflate(&z, Z_SYNC_FLUSH);
    }
    deflateEnd(&z);
    BYTE *end = z.next_out;
    end[0] = 0x03, end[1] = 0x00; // the empty final block
    PutBigEndian(end + 2, adler32(adler32(0L, Z_NULL, 0), f.filtered.data(),
                                  static_cast<uInt>(f.filtered.size())));
    BYTE *iend = idat + FinishChunk(idat, "IDAT", static_cast<uLong>(end + 6 - data));
    DWORD size = static_cast<DWORD>(iend + FinishChunk(iend, "IEND", 0) - png);

    char temporary[MAX_PATH];
    snprintf(temporary, sizeof temporary, "%s.tmp", path);
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, png, size, &written, NULL);
    CloseHandle(file);
    MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING);
}

} // namespace bench
