// Fuzz target: sequences of entry-point calls with arbitrary arguments, as a
// host (or a badly behaved one) makes them, mixed with what the platform
// does meanwhile (time passing, the window uncovered, minimised or hidden,
// the desktop changing, messages arriving, calls failing).
//
// The input is a little program. Its first byte picks the configuration:
//   bit 0  Debug=1 (the log is written; it goes to /dev/null)
//   bit 1  RecordInterval=1 instead of 0 (0: a capture at every update)
//   bit 2  DontShowWindow=1
//   bit 3  no background picture
//   bits 4-5  one of four sets of row layouts (named or stock fonts,
//          opaque or transparent backgrounds, odd and large cells)
//   bit 6  three more bytes follow: a platform call made to fail during the
//          start, as operation 8 does (the picture or the window may be
//          missing then)
//   bit 7  PNG frames (capture-##.png) on change instead of capture.bmp
// Every configuration records from a window of 70 x 60 pixels. The run starts the driver with DISPLAYDLL_Init(0, 0, NULL, &ok),
// which creates the window, repaints and captures. Then each operation is
// a byte (taken modulo 10) and its arguments; a program that ends early
// reads zeros:
//   0  Init: x (4 bytes), y (4), flags (bit 0 no parameter text, bit 1 no
//      ok byte), the parameter text
//   1  Write: a text
//   2  SetPosition: column (4), row (4)
//   3  CustomChar: character (4), flags (bit 0 no data), 8 data bytes
//   4  CustomCharIndex: index (4)
//   5  DriverName, Usage and DefaultParameters
//   6  time passes: milliseconds (2)
//   7  a platform event: kind (1), then its arguments (see PlatformEvent)
//   8  the nth next call of a platform function fails: function (1), n (1),
//      error (1)
//   9  SetPosition and Write: column (1), row (1), a text
// A text is a length byte and that many bytes (255: a null pointer), given
// to the driver in a buffer of exactly that size plus its terminator, so a
// read past the host's text shows.
//
// DISPLAYDLL_Done is not among them: with a window it ends the process, by
// design (the unit tests cover it).
//
// Checks after every operation: the rows keep their terminator cells, the
// cursor stays in its range, the driver holds the window and the picture
// it says it has (and no picture where there is none), and - unless a call
// was made to fail - no GDI object, device context, file handle or memory
// block is left behind.
//
// Every run starts from the driver's load state (fuzz::ResetDriver). What a
// run cannot reset is in refresh.cpp: the dirty flag, the desktop rectangle
// and the capture clock. The first two are set again by the repaint of the
// starting Init. The clock is kept so that the starting Init always
// captures: every run starts 2^40 ms after the end of the run before, far
// more than the longest interval, and the process makes one start of its
// own before the first run, so that the first run is like every other.
#include "fuzz_support.h"

#include "config/config.h"
#include "driver/display_memory.h"
#include "driver/tavlora.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "record/png_bands.h"
#include "screen/kept_image.h"
#include "screen/picture.h"
#include "screen/window.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

const ULONGLONG kRunGap = 1ULL << 40;

std::string PictureFolder;
std::string PlainFolder;
std::string HomeFolder;
ULONGLONG Clock;

struct Run {
    bool withPicture;
    bool faulted; // a platform call was made to fail: leaks are allowed
    int handles;  // open file handles and memory blocks at the start
    int globals;
};

const char *const kRowSets[4] = {
    // Named fonts, transparent backgrounds, as in the sample file.
    "Line1X=2\nLine1Y=0\nLine1FontName=Courier New\nLine1FontHeight=12\nLine1FontWidth=6\n"
    "Line1FontColor=255 200 40\nLine1FontBold=700\n"
    "Line2X=2\nLine2Y=12\nLine2FontName=Courier New\nLine2FontHeight=10\nLine2FontWidth=5\n"
    "Line2FontColor=120 230 255\n"
    "Line3X=2\nLine3Y=22\nLine3FontName=Arial\nLine3FontHeight=8\nLine3FontWidth=4\n"
    "Line3FontColor=120 255 140\n"
    "Line4X=0\nLine4Y=28\nLine4FontName=Courier New\nLine4FontHeight=6\nLine4FontWidth=3\n"
    "Line4FontColor=255 255 255\nLine4FontBkColor=20 40 90\nLine4FontItalics=1\n",
    // Stock fonts, opaque backgrounds.
    "Line1FontType=11\nLine1FontBkColor=0 0 1\nLine1FontHeight=10\nLine1FontWidth=8\n"
    "Line2FontType=17\nLine2Y=10\nLine2FontBkColor=200 0 0\nLine2FontUnderline=1\n"
    "Line3FontType=10\nLine3Y=20\nLine3FontColor=0 255 0\nLine3FontBkColor=0 0 255\n"
    "Line4FontType=16\nLine4Y=30\nLine4FontHeight=-9\nLine4FontWidth=7\n",
    // Odd cells: zero and negative sizes, rows partly outside the window.
    "Line1X=-10\nLine1Y=-4\nLine1FontHeight=0\nLine1FontWidth=0\n"
    "Line2X=60\nLine2Y=30\nLine2FontHeight=-12\nLine2FontWidth=-6\n"
    "Line3X=0\nLine3Y=100\nLine3FontHeight=1\nLine3FontWidth=1\nLine3FontName=NoSuchFace\n"
    "Line4X=20\nLine4Y=10\nLine4FontHeight=7\nLine4FontWidth=200\nLine4FontType=15\n",
    // Large cells, all rows on top of each other.
    "Line1FontHeight=40\nLine1FontWidth=30\nLine1FontColor=255 0 0\n"
    "Line2FontHeight=80\nLine2FontWidth=60\nLine2FontBkColor=1 2 3\n"
    "Line3FontHeight=33\nLine3FontWidth=17\nLine3FontItalics=1\nLine3FontUnderline=1\n"
    "Line4FontHeight=400\nLine4FontWidth=300\nLine4FontBold=900\n",
};

std::string ConfigurationText(uint8_t choice) {
    std::string text = "// fuzz configuration\n";
    text += (choice & 1) ? "Debug=1\n" : "Debug=0\n";
    text += "X=10\nY=10\nWidth=70\nHeight=60\n";
    text += (choice & 4) ? "DontShowWindow=1\n" : "DontShowWindow=0\n";
    text += (choice & 128) ? "Record=1\nRecordFile=capture-##.png\nRecordOnChange=1\n"
                           : "Record=1\nRecordFile=capture.bmp\nRecordOnChange=0\n";
    text += (choice & 2) ? "RecordInterval=1\n" : "RecordInterval=0\n";
    text += kRowSets[(choice >> 4) & 3];
    // Dot-matrix rows on the same cells: no gap, the default one, one wider
    // than the dots, and a negative one; unlit dots drawn in two rows.
    if (choice & 0x80)
        text += "Line1Dots=1\nLine1DotGap=0\nLine1DotOffColor=10 20 30\n"
                "Line2Dots=1\n"
                "Line3Dots=1\nLine3DotGap=50\nLine3DotOffColor=0 0 1\n"
                "Line4Dots=1\nLine4DotGap=-5\n";
    return text;
}

// Each text is a buffer of exactly its size: nothing past its terminator.
struct Text {
    std::unique_ptr<char[]> buffer;
    char *get() { return buffer.get(); }
};

Text ReadText(fuzz::Reader &in) {
    Text text;
    uint8_t length = in.Byte();
    if (length == 255) return text;
    text.buffer.reset(new char[length + 1u]);
    size_t n = in.Bytes(reinterpret_cast<uint8_t *>(text.buffer.get()), length);
    memset(text.buffer.get() + n, 0, length + 1u - n);
    return text;
}

void Check(const Run &run) {
    for (int r = 0; r < kRows; ++r) {
        fuzz::Require(TextRows[r][kColumns] == 0, "a row's terminator cell stays zero");
        fuzz::Require(ShadowRows[r][kColumns] == 0, "a shadow row's terminator cell stays zero");
    }
    fuzz::Require(Cursor.Column >= 0 && Cursor.Column <= kColumns + 1, "the cursor's column");
    fuzz::Require(Cursor.Row >= 0 && Cursor.Row <= kRows, "the cursor's row");
    fuzz::Require(sim::live_windows() == (DisplayWindow ? 1 : 0), "the window is the driver's");
    fuzz::Require(run.withPicture || !ScreenPicture.picture, "no picture without a file");
    fuzz::Require(sim::live_pictures() == (ScreenPicture.picture ? 1 : 0),
                  "the picture is the driver's");
    if (run.faulted) return;
    fuzz::Require(DisplayWindow && (!run.withPicture || ScreenPicture.picture),
                  "the window and picture are there");
    // What the window keeps: the last repaint's image (its bitmap, context
    // and, once read, its pixels) and at most a font a row.
    const ComposedImage &kept = *RepaintImage();
    const int keptBitmap = kept.bitmap ? 1 : 0;
    fuzz::Require(sim::live_gdi_objects() >= keptBitmap &&
                      sim::live_gdi_objects() <= keptBitmap + kRows,
                  "no GDI object is left but the kept image and the rows' fonts");
    fuzz::Require(sim::live_dcs() == (kept.surface ? 1 : 0), "no device context is left");
    fuzz::Require(sim::live_handles() == run.handles, "no file handle is left open");
    fuzz::Require(sim::live_globals() == run.globals + PngKeptBlocks() + (kept.memory ? 1 : 0),
                  "no memory block is left but the last PNG's and the kept image's");
}

void PlatformEvent(fuzz::Reader &in) {
    switch (in.Byte() % 8) {
    case 0: sim::expose_window(DisplayWindow); break;
    case 1: ShowWindow(DisplayWindow, SW_MINIMIZE); break;
    case 2: ShowWindow(DisplayWindow, SW_RESTORE); break;
    case 3: ShowWindow(DisplayWindow, SW_HIDE); break;
    case 4: ShowWindow(DisplayWindow, SW_SHOWNORMAL); break;
    case 5: {
        // Desktops of one to four screens of up to 4096 pixels a side.
        int left = static_cast<int16_t>(in.Word()) / 2;
        int top = static_cast<int16_t>(in.Word()) / 2;
        int width = 1 + in.Word() % 16384;
        int height = 1 + in.Word() % 16384;
        sim::set_virtual_screen(left, top, width, height);
        break;
    }
    case 6: {
        // Messages that may come to the window; not the ones that close it.
        static const UINT kMessages[] = {WM_NULL, WM_PAINT, WM_ERASEBKGND, WM_SIZE,
                                         WM_USER, WM_TIMER, WM_KEYDOWN, WM_CHAR};
        UINT message = kMessages[in.Byte() % 8];
        PostMessageA(DisplayWindow, message, in.Byte(), 0);
        break;
    }
    default: sim::set_dpi(48 + in.Byte()); break;
    }
}

// Not among the calls made to fail: those that free (CloseHandle,
// GlobalFree, Release). A failed free keeps the simulated object, and its
// memory, for good: a leak that no caller could avoid.
void InjectFault(fuzz::Reader &in, Run &run) {
    static const char *const kOperations[] = {
        "BeginPaint",     "CreateCompatibleDC",    "CreateCompatibleBitmap", "SelectObject",
        "DeleteObject",   "DeleteDC",              "BitBlt",                 "CreateFontA",
        "GetStockObject", "GetTextExtentExPointA", "ExtTextOutA",            "CreateSolidBrush",
        "FillRect",       "GetDC",                 "GetClientRect",          "GetObjectA",
        "GlobalAlloc",    "GlobalLock",            "GetDIBits",              "CreateFileA",
        "WriteFile",      "SetTextColor",          "GetWindowRect",          "InvalidateRect",
        "PeekMessageA",   "ShowWindow",            "GetDeviceCaps",          "IPicture::Render",
        "GetSystemMetrics", "FormatMessageA",      "ReleaseDC",
        "CreateDIBSection", "MoveFileExA",
        // the start: picture and window
        "GetFileSize", "ReadFile", "CreateStreamOnHGlobal", "OleLoadPicture", "RegisterClassExA",
        "CreateWindowExA", "GetModuleHandleA", "LoadIconA", "LoadCursorA",
        // dot-matrix rows
        "StretchDIBits", "ExtCreateRegion", "FillRgn"};
    static const DWORD kErrors[] = {ERROR_NOT_ENOUGH_MEMORY, ERROR_ACCESS_DENIED,
                                    ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER};
    const size_t count = sizeof kOperations / sizeof kOperations[0];
    const char *operation = kOperations[in.Byte() % count];
    int nth = 1 + in.Byte() % 16;
    sim::fail_call(operation, nth, kErrors[in.Byte() % 4]);
    run.faulted = true;
}

void RunOperation(fuzz::Reader &in, Run &run) {
    switch (in.Byte() % 10) {
    case 0: {
        UINT x = in.Long(), y = in.Long();
        uint8_t flags = in.Byte();
        Text params = ReadText(in);
        char ok = 7;
        char *name = DISPLAYDLL_Init(x, y, (flags & 1) ? NULL : params.get(),
                                     (flags & 2) ? NULL : &ok);
        fuzz::Require(name == DISPLAYDLL_DriverName(), "Init returns the driver's name");
        if (!(flags & 2)) fuzz::Require(ok == (DisplayWindow ? 1 : 0), "Init reports the window");
        break;
    }
    case 1: {
        Text text = ReadText(in);
        DISPLAYDLL_Write(text.get());
        break;
    }
    case 2: {
        UINT column = in.Long(), row = in.Long();
        DISPLAYDLL_SetPosition(column, row);
        break;
    }
    case 3: {
        UINT chr = in.Long();
        uint8_t flags = in.Byte();
        std::unique_ptr<char[]> data(new char[8]);
        uint8_t bytes[8] = {0};
        in.Bytes(bytes, sizeof bytes);
        memcpy(data.get(), bytes, sizeof bytes);
        DISPLAYDLL_CustomChar(chr, (flags & 1) ? NULL : data.get());
        break;
    }
    case 4: {
        UINT index = in.Long();
        fuzz::Require(DISPLAYDLL_CustomCharIndex(index) == (index & 0xFF),
                      "CustomCharIndex returns the index's low byte");
        break;
    }
    case 5:
        fuzz::Require(strcmp(DISPLAYDLL_DriverName(), "Tavlora Display v1.1.118.633") == 0,
                      "the driver's name");
        fuzz::Require(strcmp(DISPLAYDLL_Usage(), "No parameters required - see Tavlora.cfg") == 0,
                      "the usage text");
        fuzz::Require(strcmp(DISPLAYDLL_DefaultParameters(), " ") == 0, "the default parameters");
        break;
    case 6: sim::advance_ticks(in.Word()); break;
    case 7: PlatformEvent(in); break;
    case 8: InjectFault(in, run); break;
    default: {
        uint8_t column = in.Byte(), row = in.Byte();
        Text text = ReadText(in);
        DISPLAYDLL_SetPosition(column, row);
        DISPLAYDLL_Write(text.get());
        break;
    }
    }
}

// Starts the driver from its load state in the folder for the program's
// first byte (and a failing call, when it says so).
Run Start(fuzz::Reader &in) {
    uint8_t choice = in.Byte();
    Run run;
    run.withPicture = (choice & 8) == 0;
    run.faulted = false;
    const std::string &folder = run.withPicture ? PictureFolder : PlainFolder;
    fuzz::Require(chdir(folder.c_str()) == 0, "the run folder is there");
    std::string config = ConfigurationText(choice);
    fuzz::WriteWholeFile("displays/Tavlora.cfg", config.data(), config.size());

    fuzz::ResetDriver();
    Clock += kRunGap;
    sim::set_ticks(Clock);
    run.handles = sim::live_handles();
    run.globals = sim::live_globals();
    if (choice & 0x40) InjectFault(in, run);
    char ok = 0;
    DISPLAYDLL_Init(0, 0, NULL, &ok);
    fuzz::Require(ok == (DisplayWindow ? 1 : 0), "Init reports the window");
    fuzz::Require(ok == 1 || run.faulted, "the window is created");
    return run;
}

void Finish() {
    Clock = GetTickCount64();
    fuzz::Require(chdir(HomeFolder.c_str()) == 0, "the starting folder is there");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::RememberLoadState();
    std::string work = fuzz::MakeWorkFolder();
    PictureFolder = work + "/picture";
    PlainFolder = work + "/plain";
    fuzz::MakeDriverFolder(PictureFolder, true);
    fuzz::MakeDriverFolder(PlainFolder, false);
    char cwd[4096];
    fuzz::Require(getcwd(cwd, sizeof cwd) != NULL, "the current folder is known");
    HomeFolder = cwd;
    // The process's own start: the capture clock starts here.
    const uint8_t plain = 0;
    fuzz::Reader start(&plain, 1);
    Start(start);
    Finish();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::Reader in(data, size);
    Run run = Start(in);
    Check(run);
    while (!in.AtEnd()) {
        RunOperation(in, run);
        Check(run);
    }
    Finish();
    return 0;
}
