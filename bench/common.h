// What the benchmarks measure, shared by the simulation's (sim_bench.cpp,
// Google Benchmark) and the one for the real DLL under Wine (win32_bench.cpp):
// the display's configuration and texts, the driver calls measured, and the
// floors - the platform calls that each measured driver call cannot do
// without, made directly.
//
//   measured                                   floor
//   UnchangedWrite: DISPLAYDLL_Write of what   WriteFloor
//   the display already shows
//   Repaint: DISPLAYDLL_SetPosition and a      ComposeFloor
//   write that changes one character
//   Capture: an unchanged DISPLAYDLL_Write     CaptureFloor
//   that captures the window to a BMP file
//   PngCapture: the same to a PNG file         PngFloor; and under Wine,
//                                              GDI+'s encoder (win32_bench.cpp)
//   DotRepaint: Repaint with every row a       ComposeFloor; and against
//   dot-matrix row (unlit dots drawn too)      Repaint, the font look
//   ModuleRepaint: Repaint of a 20 x 4 LCD     the same Repaint in font rows
//   module (Module=20x4), every cell's dots    at the module's window size
//   RoundModuleRepaint: of a 40 x 4 module     likewise
//   with round dots of 4 pixels
//
// The code uses only the Win32 functions that platform/platform.h gives in
// both builds.
#pragma once

#include "driver/tavlora.h"
#include "platform/platform.h"

#include <string>
#include <vector>

namespace bench {

// The window's configured (outer) size, and so the repaint's bitmap.
const int kWidth = 640;
const int kHeight = 240;

// What the display shows: the sample file's rows in fonts or in dots, an
// LCD module, or the font rows at a module's window size.
// WebView: the font rows with the live web view on (kWebPort, loopback);
// every other look has it off (WebPort=0). WebOff and WebView keep the host
// running when Done closes the window, so the driver can start again.
enum Look { FontRows, DotRows, Module20x4, FontsAt20x4, RoundModule40x4, FontsAt40x4, Zoom300,
            WebOff, WebView };
const int kWebPort = 18432;

// The text of displays\Tavlora.cfg: the window at 640 x 240 at the top-left
// of the desktop with the rows of the sample file (for a module, and the font
// rows set against it, at the module's window size); with a `recordFile`
// (bench.bmp, bench.png), a capture to it at every refresh.
std::string Configuration(const char *recordFile, Look look = FontRows);

// Four 20-character rows with custom character 1 in each; the first row
// also in a second version, one character apart, for changed writes.
extern const char *const kRows[4];
extern const char *const kChangedRow;
extern const unsigned char kGlyph[8];
// 80 characters: with every row holding them, writing them again changes
// nothing (each write fills a row from its start and the next one wraps).
extern const char kFullRow[81];

// The entry points: the library's own functions, or a loaded DLL's.
struct Driver {
    DisplayInitProc Init;
    DisplayWriteProc Write;
    DisplaySetPositionProc SetPosition;
    DisplayCustomCharProc CustomChar;
};

// Lays out the current folder as a host's: displays, logs, and the sample
// picture copied from `picture` to images\Tavlora.jpg.
bool PrepareFolder(const char *picture);

// Writes displays\Tavlora.cfg in the current folder (see Configuration)
// and calls DISPLAYDLL_Init. False when the driver has no window.
bool StartDriver(const Driver &driver, const char *recordFile, Look look = FontRows);
// Shows the four rows, custom character 1 defined.
void ShowRows(const Driver &driver);
// Puts kFullRow in every row, for unchanged writes.
void FillRowsForUnchangedWrites(const Driver &driver);

// The measured calls. Repaint alternates the first row between its two
// versions: `count` is the iteration's number.
void UnchangedWrite(const Driver &driver);
void Repaint(const Driver &driver, long long count);

// The picture file, window and pixels the floors work with.
struct Floors {
    HWND window = NULL;       // the driver's window: the message checks
    HWND paintWindow = NULL;  // a window of the driver's style and size
    IPicture *picture = NULL; // the sample picture, loaded by the platform
    LONG pictureWidth = 0;    // HIMETRIC
    LONG pictureHeight = 0;
    int renderWidth = 0; // pixels
    int renderHeight = 0;
    RECT bounds = {0, 0, 0, 0};
    HDC captureDC = NULL;         // a context to read the pixels with
    HBITMAP captureBitmap = NULL; // a copy of the driver window's client area
    BITMAPINFOHEADER info;
    std::vector<char> pixels;
    std::vector<BYTE> pixels24; // the same pixels at 24 bits, bottom row first
    int stride24 = 0;
    std::vector<BYTE> filtered; // the PNG floor's rows, filtered
    std::vector<BYTE> png;      // and its file
    HDC partsDC = NULL;         // the repaint's parts: a surface kept between calls
    HBITMAP partsBitmap = NULL;
    HGDIOBJ partsKept = NULL;
    HFONT fonts[4] = {NULL, NULL, NULL, NULL}; // the sample rows' fonts
};

// Loads the picture from `picturePath`, makes the paint window (at x, y on
// the desktop) and copies the driver window's client area. False, with a
// message on standard error, when something fails.
bool OpenFloors(Floors *floors, HWND driverWindow, const char *picturePath, int x, int y);
void CloseFloors(Floors *floors);
// Copies the driver window's client area again for the capture floors, so
// that they read and encode what the driver records.
bool CopyWindowForFloors(Floors *floors);

// An unchanged write: three empty message checks (before the write,
// entering and leaving the refresh) and the four queries of the desktop's
// rectangle.
void WriteFloor(const Floors &floors);

// A bare compose of the same size, without rows: the whole client area
// made invalid and painted (BeginPaint), a memory context, a bitmap of
// 640 x 240, the picture rendered on it, one block transfer to the window,
// the bitmap and context released, EndPaint.
void ComposeFloor(const Floors &floors);

// The repaint floor's parts, each alone, and the rows a repaint draws
// besides: where a repaint's time goes.
// The picture rendered on a surface kept between calls.
void RenderPart(const Floors &floors);
// The sample's four rows drawn on that surface in fonts made once: each
// row's colours, its text in one run, and the custom character's blocks.
void RowsPart(const Floors &floors);
// The paint: the client area made invalid, BeginPaint, one block transfer
// of the kept surface, EndPaint.
void TransferPart(const Floors &floors);
// The objects: a memory context and a 640 x 240 bitmap made, selected,
// put back and released.
void ObjectsPart(const Floors &floors);

// An unchanged write that captures: the write's floor and the clock, then
// the same pixels (read once when the floors were opened, as the driver
// keeps those of an unchanged display) written (file header, bitmap
// header, pixels) to "<path>.tmp", moved over `path` in one step, as a
// recording must be so that no reader sees half of one.
void CaptureFloor(Floors &floors, const char *path);

// An unchanged write that records a PNG: the write's floor and the clock,
// then the same pixels, already read at 24 bits, encoded as the driver's
// PNG recordings are (the same filter, zlib level, strategy and bands of
// rows compressed on their own) in the fewest steps: every row filtered
// into one block, one call of deflate a band, the whole file in one block
// written to "<path>.tmp" and moved over `path`. Nothing is kept from one
// call to the next.
void PngFloor(Floors &floors, const char *path);

// The driver's PNG settings (record/png_bands.cpp).
const int kPngLevel = 4;
const int kPngStrategy = 0; // Z_DEFAULT_STRATEGY
const unsigned char kPngFilter = 2; // "Up": each byte less the one above it
const int kPngBandRows = 32;

} // namespace bench
