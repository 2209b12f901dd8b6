// soak: runs the real Tavlora.dll through many refreshes in one process and
// proves that it gives back every GDI object it makes.
//
// It loads the DLL as the host does (by file name, entry points by plain
// name) in a folder of its own with a configuration that records every
// second, and counts the DLL's own calls that make and free GDI objects by
// taking the place of those imports. Each refresh redefines a glyph and
// writes new text to one row (the rows take turns), so that each one
// repaints: a memory context, a bitmap, a font for every text run and a
// brush for every glyph of the font rows, and the dots of row 3. Every
// three seconds the configuration is saved again, switching the recording
// between a BMP file and numbered PNG frames; the driver watches the file.
//
// With --reloads N it instead loads the DLL, starts it, writes, stops it
// and unloads it N times, as a host that switches drivers does, and proves
// that nothing of it stays behind: no GDI object, no memory growth, and a
// log still written at the end.
//
// A leak cannot hide: Windows refuses a process more than 10,000 GDI
// objects by default and Wine's handle table holds 65,536, while the run
// makes many times that many, all of which must succeed. GetGuiResources
// would count them directly on Windows; under Wine it is a stub.
//
//   soak [--refreshes N | --reloads N] [--folder DIR] [--max-growth MIB]
//
// Exit status: 0 passed, 1 a check failed, 2 the run could not be set up.
#include "driver/tavlora.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Row positions and sizes; row 1 starts with the full block (glyph 9, code
// 255, never redefined here), whose top-left block covers (9, 6) to (11, 9).
const char kConfig[] =
    "Debug=1\nX=0\nY=0\nWidth=400\nHeight=170\nWatchConfig=1\nEndHostOnClose=0\n"
    "Record=1\nRecordInterval=1\n"
    "Line1X=8\nLine1Y=4\nLine1FontHeight=24\nLine1FontWidth=12\nLine1FontColor=255 255 0\n"
    "Line2X=8\nLine2Y=40\nLine2FontHeight=20\nLine2FontWidth=10\nLine2FontColor=255 255 255\n"
    "Line2FontBkColor=20 40 90\nLine2FontName=Courier New\n"
    "Line3X=8\nLine3Y=76\nLine3FontHeight=20\nLine3FontWidth=10\nLine3FontColor=0 255 0\n"
    "Line3Dots=1\nLine3DotOffColor=0 40 0\n"
    "Line4X=8\nLine4Y=112\nLine4FontType=11\nLine4FontHeight=18\nLine4FontWidth=9\n"
    "Line4FontColor=255 128 0\nLine4FontUnderline=1\n";
const POINT kBlockPixel = {10, 7};
const COLORREF kBlockColour = RGB(255, 255, 0);
const int kRows = 4;
const int kDotRow = 2; // row 3: drawn as dots, no font or brush of its own
const ULONGLONG kSaveEveryMs = 3000;

// The configuration as saved at a moment of the run: recording to the BMP
// file that the end checks, or to numbered PNG frames.
std::string ConfigText(bool frames) {
    return std::string(kConfig) +
           (frames ? "RecordFile=frames\\soak-###.png\n" : "RecordFile=soak.bmp\n");
}
const double kHandleTable = 65536; // Wine's GDI handle table; Windows allows 10,000 a process

// What the DLL made and freed, through the imports taken over below.
struct Counts {
    long long memoryDcs, bitmaps, fonts, brushes; // made
    long long failed;                             // creations that returned nothing
    long long objectsDeleted, dcsDeleted, failedDeletes;
    long long windowDcs, windowDcsReleased, paints;
    long long Made() const { return memoryDcs + bitmaps + fonts + brushes; }
    long long Alive() const { return Made() - objectsDeleted - dcsDeleted; }
};
Counts Count;

// The DLL's imports, as they were.
decltype(&CreateCompatibleDC) RealCreateCompatibleDC;
decltype(&CreateCompatibleBitmap) RealCreateCompatibleBitmap;
decltype(&GetDC) RealGetDC;
decltype(&ReleaseDC) RealReleaseDC;
decltype(&CreateFontA) RealCreateFontA;
decltype(&CreateSolidBrush) RealCreateSolidBrush;
decltype(&DeleteObject) RealDeleteObject;
decltype(&DeleteDC) RealDeleteDC;
decltype(&BeginPaint) RealBeginPaint;

// Counts a creation: made, or failed.
template <typename Handle> Handle Made(Handle handle, long long *made) {
    ++*(handle ? made : &Count.failed);
    return handle;
}

HDC WINAPI CountCreateCompatibleDC(HDC dc) {
    return Made(RealCreateCompatibleDC(dc), &Count.memoryDcs);
}
HBITMAP WINAPI CountCreateCompatibleBitmap(HDC dc, int width, int height) {
    // A zero size gives the stock bitmap, which is not made and never freed.
    if (width == 0 || height == 0) return RealCreateCompatibleBitmap(dc, width, height);
    return Made(RealCreateCompatibleBitmap(dc, width, height), &Count.bitmaps);
}
HDC WINAPI CountGetDC(HWND window) {
    return Made(RealGetDC(window), &Count.windowDcs);
}
int WINAPI CountReleaseDC(HWND window, HDC dc) {
    int released = RealReleaseDC(window, dc);
    if (released) ++Count.windowDcsReleased;
    return released;
}
HFONT WINAPI CountCreateFontA(int height, int width, int escapement, int orientation, int weight,
                              DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                              DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                              DWORD pitchAndFamily, LPCSTR face) {
    return Made(RealCreateFontA(height, width, escapement, orientation, weight, italic, underline,
                                strikeOut, charSet, outPrecision, clipPrecision, quality,
                                pitchAndFamily, face),
                &Count.fonts);
}
HBRUSH WINAPI CountCreateSolidBrush(COLORREF colour) {
    return Made(RealCreateSolidBrush(colour), &Count.brushes);
}
BOOL WINAPI CountDeleteObject(HGDIOBJ object) {
    BOOL deleted = RealDeleteObject(object);
    ++*(deleted ? &Count.objectsDeleted : &Count.failedDeletes);
    return deleted;
}
BOOL WINAPI CountDeleteDC(HDC dc) {
    BOOL deleted = RealDeleteDC(dc);
    ++*(deleted ? &Count.dcsDeleted : &Count.failedDeletes);
    return deleted;
}
HDC WINAPI CountBeginPaint(HWND window, LPPAINTSTRUCT paint) {
    ++Count.paints;
    return RealBeginPaint(window, paint);
}

// Puts `hook` in the module's import slot for `name` from `library` and
// keeps what was there in *real. False when the module imports no such name.
template <typename Proc>
bool TakeImport(HMODULE module, const char *library, const char *name, Proc hook, Proc *real) {
    BYTE *base = reinterpret_cast<BYTE *>(module);
    const IMAGE_DOS_HEADER *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const IMAGE_NT_HEADERS *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return false;
    const IMAGE_IMPORT_DESCRIPTOR *d =
        reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
    for (; d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char *>(base + d->Name), library) != 0) continue;
        DWORD lookup = d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk;
        const IMAGE_THUNK_DATA *names = reinterpret_cast<const IMAGE_THUNK_DATA *>(base + lookup);
        IMAGE_THUNK_DATA *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const IMAGE_IMPORT_BY_NAME *entry =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char *>(entry->Name), name) != 0) continue;
            DWORD protection;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                                &protection))
                return false;
            *real = reinterpret_cast<Proc>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<DWORD_PTR>(hook);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
}

bool TakeImports(HMODULE dll) {
    bool ok = true;
    ok &= TakeImport(dll, "gdi32.dll", "CreateCompatibleDC", CountCreateCompatibleDC,
                     &RealCreateCompatibleDC);
    ok &= TakeImport(dll, "gdi32.dll", "CreateCompatibleBitmap", CountCreateCompatibleBitmap,
                     &RealCreateCompatibleBitmap);
    ok &= TakeImport(dll, "user32.dll", "GetDC", CountGetDC, &RealGetDC);
    ok &= TakeImport(dll, "user32.dll", "ReleaseDC", CountReleaseDC, &RealReleaseDC);
    ok &= TakeImport(dll, "gdi32.dll", "CreateFontA", CountCreateFontA, &RealCreateFontA);
    ok &= TakeImport(dll, "gdi32.dll", "CreateSolidBrush", CountCreateSolidBrush,
                     &RealCreateSolidBrush);
    ok &= TakeImport(dll, "gdi32.dll", "DeleteObject", CountDeleteObject, &RealDeleteObject);
    ok &= TakeImport(dll, "gdi32.dll", "DeleteDC", CountDeleteDC, &RealDeleteDC);
    ok &= TakeImport(dll, "user32.dll", "BeginPaint", CountBeginPaint, &RealBeginPaint);
    return ok;
}

struct Memory {
    double workingSet; // MiB
    double privateBytes;
    double committed; // private memory committed in the address space, MiB
};

// Private pages committed anywhere in the process's address space. Under
// Wine, PagefileUsage is the Linux process's anonymous memory, which under
// emulation holds the emulator's translated code as well: that grows with
// every load of a library and says nothing about the driver.
double CommittedPrivate() {
    double bytes = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const BYTE *at = NULL; VirtualQuery(at, &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) bytes += info.RegionSize;
        const BYTE *next = static_cast<const BYTE *>(info.BaseAddress) + info.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return bytes / (1024.0 * 1024.0);
}

Memory MemoryNow() {
    PROCESS_MEMORY_COUNTERS counters;
    memset(&counters, 0, sizeof counters);
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    const double mib = 1024.0 * 1024.0;
    Memory m = {counters.WorkingSetSize / mib, counters.PagefileUsage / mib, CommittedPrivate()};
    return m;
}

bool WriteText(const std::string &path, const std::string &text) {
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && ok;
}

std::string ReadText(const std::string &path) {
    std::string text;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) return text;
    char buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    fclose(file);
    return text;
}

// The colour at (x, y) from the top of a 32-bit bottom-up BMP file, or
// CLR_INVALID; its size goes to *width and *height.
COLORREF CapturePixel(const std::string &bmp, int x, int y, int *width, int *height) {
    *width = *height = 0;
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return CLR_INVALID;
    BITMAPINFOHEADER info;
    memcpy(&info, bmp.data() + 14, sizeof info);
    *width = info.biWidth;
    *height = info.biHeight;
    if (info.biBitCount != 32 || info.biWidth <= 0 || info.biHeight <= 0 ||
        bmp.size() != 54 + 4ull * info.biWidth * info.biHeight || x < 0 || y < 0 ||
        x >= info.biWidth || y >= info.biHeight)
        return CLR_INVALID;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(bmp.data()) + 54 +
                             (static_cast<size_t>(info.biHeight - 1 - y) * info.biWidth + x) * 4;
    return RGB(p[2], p[1], p[0]);
}

// The glyph codes the driver draws as custom characters.
bool IsGlyphCode(unsigned char c) {
    return (c >= 1 && c <= 8) || (c >= 131 && c <= 136) || c == 158 || c == 176 || c == 255;
}

// The objects a repaint of these rows makes at least: a brush for each
// glyph (the image, its context and the rows' fonts are kept between them).
long long ObjectsOfRepaint(const std::string rows[kRows]) {
    long long objects = 0;
    for (int r = 0; r < kRows; ++r) {
        if (r == kDotRow) continue;
        for (unsigned char c : rows[r]) objects += IsGlyphCode(c) ? 1 : 0;
    }
    return objects;
}

int Usage() {
    fprintf(stderr, "usage: soak [--refreshes N | --reloads N] [--folder DIR] [--max-growth MIB]\n");
    return 2;
}

// Prints a failed check and counts it.
int Failures;
void Check(bool good, const char *what) {
    if (good) return;
    printf("soak: FAILED: %s\n", what);
    ++Failures;
}

// The log's lines that are not empty, and how many hold "Error" (the first
// few are printed).
void ReadLog(std::vector<std::string> *lines, long long *errors) {
    std::string log = ReadText("logs\\Tavlora.log");
    *errors = 0;
    for (size_t at = 0; at < log.size();) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line == "\r") continue;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines->push_back(line);
        if (line.find("Error") != std::string::npos) {
            if (*errors < 5) printf("soak: logged: %s\n", line.c_str());
            ++*errors;
        }
    }
}

// A host that switches drivers: load, start, write, stop, unload, again
// and again. Nothing may stay behind: no GDI object, no memory, no open
// file (the C runtime the host shares holds about 500), no window class.
int Reloads(long long reloads, double maxGrowth) {
    // Hidden: without a window manager, Wine waits two seconds for every
    // shown window it destroys to be withdrawn.
    if (!WriteText("displays\\Tavlora.cfg", ConfigText(false) + "DontShowWindow=1\n")) return 2;
    const long long warmUp = reloads < 100 ? reloads / 2 : 50;
    Memory atStart = MemoryNow(), warmedUp = atStart;
    long long loaded = 0;
    for (long long i = 0; i < reloads; ++i) {
        if (i == warmUp) warmedUp = MemoryNow();
        HMODULE dll = LoadLibraryA("Tavlora.dll");
        if (!dll) {
            fprintf(stderr, "soak: cannot load Tavlora.dll at load %lld (error %lu)\n", i + 1,
                    GetLastError());
            break;
        }
        DisplayInitProc init = reinterpret_cast<DisplayInitProc>(
            reinterpret_cast<void *>(GetProcAddress(dll, "DISPLAYDLL_Init")));
        DisplayWriteProc write = reinterpret_cast<DisplayWriteProc>(
            reinterpret_cast<void *>(GetProcAddress(dll, "DISPLAYDLL_Write")));
        DisplayDoneProc done = reinterpret_cast<DisplayDoneProc>(
            reinterpret_cast<void *>(GetProcAddress(dll, "DISPLAYDLL_Done")));
        if (!init || !write || !done || !TakeImports(dll)) {
            fprintf(stderr, "soak: Tavlora.dll lacks an entry point or a counted import\n");
            return 2;
        }
        char params[] = "", ok = 0;
        init(0, 0, params, &ok);
        char text[32];
        snprintf(text, sizeof text, "load %lld \xFF", i + 1);
        write(text);
        done();
        FreeLibrary(dll);
        loaded += ok == 1;
        if ((i + 1) % (reloads >= 10 ? reloads / 10 : 1) == 0)
            printf("soak: %lld loads, GDI objects alive %lld\n", i + 1, Count.Alive());
    }
    Memory atEnd = MemoryNow();
    std::vector<std::string> lines;
    long long errors = 0;
    ReadLog(&lines, &errors);
    // The host's own files still open after all those loads.
    std::vector<FILE *> files;
    for (int i = 0; i < 32; ++i) {
        char name[32];
        snprintf(name, sizeof name, "host-%02d.txt", i);
        if (FILE *f = fopen(name, "w")) files.push_back(f);
    }
    for (FILE *f : files) fclose(f);
    printf("soak: %lld loads, %lld made a window; GDI objects made %lld, alive at the end %lld\n",
           reloads, loaded, Count.Made(), Count.Alive());
    printf("soak: memory (working set / private): %.1f / %.1f MiB before, %.1f / %.1f MiB after "
           "%lld loads, %.1f / %.1f MiB at the end\n",
           atStart.workingSet, atStart.privateBytes, warmedUp.workingSet, warmedUp.privateBytes,
           warmUp, atEnd.workingSet, atEnd.privateBytes);
    printf("soak: private memory committed: %.1f MiB after the warm-up, %.1f MiB at the end\n",
           warmedUp.committed, atEnd.committed);
    printf("soak: log of the last load %zu lines, %lld with \"Error\"\n", lines.size(), errors);
    Check(loaded == reloads, "every load makes its window");
    Check(Count.Alive() == 0 && Count.failedDeletes == 0, "no GDI object outlives its load");
    Check(atEnd.committed - warmedUp.committed <= maxGrowth,
          "private memory grows by no more than --max-growth after the warm-up");
    Check(!lines.empty() && lines.back().find("**** Done Called **** Closed") != std::string::npos,
          "the last load's log is written to its end");
    Check(errors == 0, "the log holds no \"Error\" line");
    Check(files.size() == 32, "the host can still open its own files");
    printf("soak: %s\n", Failures == 0 ? "passed" : "FAILED");
    return Failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    long long refreshes = 100000, reloads = 0;
    std::string folder = "soak-work";
    double maxGrowth = 16; // MiB of private memory from the warm-up to the end
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--refreshes" && i + 1 < argc)
            refreshes = atoll(argv[++i]);
        else if (a == "--reloads" && i + 1 < argc)
            reloads = atoll(argv[++i]);
        else if (a == "--folder" && i + 1 < argc)
            folder = argv[++i];
        else if (a == "--max-growth" && i + 1 < argc)
            maxGrowth = atof(argv[++i]);
        else
            return Usage();
    }
    if (refreshes < 1 || reloads < 0) return Usage();
    setvbuf(stdout, NULL, _IONBF, 0);

    // The host's folder: the configuration and the background picture.
    CreateDirectoryA(folder.c_str(), NULL);
    if (!SetCurrentDirectoryA(folder.c_str())) {
        fprintf(stderr, "soak: cannot use the folder %s\n", folder.c_str());
        return 2;
    }
    CreateDirectoryA("displays", NULL);
    CreateDirectoryA("images", NULL);
    CreateDirectoryA("frames", NULL);
    DeleteFileA("logs\\Tavlora.log");
    DeleteFileA("soak.bmp");
    if (!WriteText("displays\\Tavlora.cfg", ConfigText(false)) ||
        !CopyFileA(TAVLORA_SOURCE_DIR "/images/Tavlora.jpg", "images\\Tavlora.jpg", FALSE)) {
        fprintf(stderr, "soak: cannot lay out the folder %s\n", folder.c_str());
        return 2;
    }

    if (reloads > 0) return Reloads(reloads, maxGrowth);

    Memory atStart = MemoryNow();
    // Found beside this program, as the host finds it beside itself.
    HMODULE dll = LoadLibraryA("Tavlora.dll");
    if (!dll) {
        fprintf(stderr, "soak: cannot load Tavlora.dll (error %lu)\n", GetLastError());
        return 2;
    }
    DisplayInitProc init = reinterpret_cast<DisplayInitProc>(
        reinterpret_cast<void *>(GetProcAddress(dll, "DISPLAYDLL_Init")));
    DisplayWriteProc write = reinterpret_cast<DisplayWriteProc>(
        reinterpret_cast<void *>(GetProcAddress(dll, "DISPLAYDLL_Write")));
    DisplaySetPositionProc setPosition = reinterpret_cast<DisplaySetPositionProc>(
        reinterpret_cast<void *>(GetProcAddress(dll, "DISPLAYDLL_SetPosition")));
    DisplayCustomCharProc customChar = reinterpret_cast<DisplayCustomCharProc>(
        reinterpret_cast<void *>(GetProcAddress(dll, "DISPLAYDLL_CustomChar")));
    if (!init || !write || !setPosition || !customChar) {
        fprintf(stderr, "soak: Tavlora.dll lacks an entry point\n");
        return 2;
    }
    if (!TakeImports(dll)) {
        fprintf(stderr, "soak: Tavlora.dll does not import the GDI calls counted here\n");
        return 2;
    }

    char params[] = "";
    char ok = 0;
    init(0, 0, params, &ok);
    if (ok != 1) {
        fprintf(stderr, "soak: DISPLAYDLL_Init reported no window\n");
        return 1;
    }

    // Row 1 starts with the full block; every row has two runs of text and
    // three glyphs, among them the glyph being redefined.
    std::string rows[kRows] = {"Tavlora Starting", " ", " ", " "};
    const long long warmUp = refreshes < 1000 ? refreshes / 2 : 1000;
    Memory warmedUp = atStart;
    long long objectsAtLeast = 0, mostAlive = 0;
    long long paintsBefore = Count.paints;
    ULONGLONG start = GetTickCount64(), lastSave = start;
    bool frames = false;
    long long saves = 0;
    auto refresh = [&](long long i) {
        unsigned char slot = static_cast<unsigned char>(1 + i % 8);
        char glyph[8];
        for (int k = 0; k < 8; ++k) glyph[k] = static_cast<char>((i >> k) & 0x1F);
        customChar(slot, glyph);

        int row = static_cast<int>(i % kRows);
        char text[64];
        snprintf(text, sizeof text, "%sRow %d #%07lld %c%c %lld", row == 0 ? "\xFF" : "", row + 1,
                 i, slot, 0x83, (i * 7919) % 100000);
        rows[row] = text;
        setPosition(1, static_cast<UINT>(row + 1));
        write(text);
        objectsAtLeast += ObjectsOfRepaint(rows);
        if (Count.Alive() > mostAlive) mostAlive = Count.Alive();
    };
    for (long long i = 0; i < refreshes; ++i) {
        if (i == warmUp) warmedUp = MemoryNow();
        // An editor saving the configuration: the recording switches between
        // the BMP file and numbered PNG frames.
        if (GetTickCount64() - lastSave >= kSaveEveryMs) {
            lastSave = GetTickCount64();
            frames = !frames;
            saves += WriteText("displays\\Tavlora.cfg", ConfigText(frames));
        }
        refresh(i);
        if ((i + 1) % (refreshes >= 10 ? refreshes / 10 : 1) == 0)
            printf("soak: %lld refreshes, %.0f s\n", i + 1, (GetTickCount64() - start) / 1000.0);
    }
    // Back to the BMP file for the last capture: refreshes go on until the
    // save has applied.
    long long settle = 0;
    if (frames) {
        WriteText("displays\\Tavlora.cfg", ConfigText(false));
        for (ULONGLONG from = GetTickCount64(); GetTickCount64() - from < 2500; ++settle) {
            refresh(refreshes + settle);
            Sleep(5);
        }
    }
    refreshes += settle;
    double seconds = (GetTickCount64() - start) / 1000.0;
    Memory atEnd = MemoryNow();
    long long repaints = Count.paints - paintsBefore;

    // The log, the frames and the last capture.
    std::vector<std::string> logLines;
    long long errors = 0, captures = 0, applied = 0;
    ReadLog(&logLines, &errors);
    for (const std::string &line : logLines) {
        if (line.find(" Capture ") != std::string::npos) ++captures;
        if (line.find("Configuration read again") != std::string::npos) ++applied;
    }
    long long lines = static_cast<long long>(logLines.size()), pngFrames = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("frames\\soak-*.png", &found);
    if (search != INVALID_HANDLE_VALUE) {
        do ++pngFrames;
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    int width, height;
    COLORREF block =
        CapturePixel(ReadText("soak.bmp"), kBlockPixel.x, kBlockPixel.y, &width, &height);

    printf(
        "soak: %lld refreshes in %.1f s (%.0f a second), %lld of them repainted, %lld captures\n",
        refreshes, seconds, refreshes / (seconds > 0 ? seconds : 1), repaints, captures);
    printf("soak: GDI objects made by the DLL: %lld (memory contexts %lld, bitmaps %lld, fonts "
           "%lld, brushes %lld; at least %lld by the rows drawn), %lld creations failed\n",
           Count.Made(), Count.memoryDcs, Count.bitmaps, Count.fonts, Count.brushes, objectsAtLeast,
           Count.failed);
    printf("soak: that is %.1f times the 65,536 handles of Wine's GDI handle table and %.0f times "
           "Windows' 10,000 a process\n",
           Count.Made() / kHandleTable, Count.Made() / 10000.0);
    printf("soak: freed %lld, failed frees %lld, alive at the end %lld, at most %lld alive after a "
           "refresh; window contexts %lld taken, %lld given back\n",
           Count.objectsDeleted + Count.dcsDeleted, Count.failedDeletes, Count.Alive(), mostAlive,
           Count.windowDcs, Count.windowDcsReleased);
    printf("soak: GetGuiResources reports %lu GDI objects (0 where it is a stub, as under Wine)\n",
           GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    printf("soak: log %lld lines, %lld with \"Error\"; configuration saved %lld times, applied %lld "
           "times; %lld PNG frames\n",
           lines, errors, saves, applied, pngFrames);
    printf("soak: memory (working set / private): %.1f / %.1f MiB before loading, %.1f / %.1f MiB "
           "after %lld refreshes, %.1f / %.1f MiB at the end\n",
           atStart.workingSet, atStart.privateBytes, warmedUp.workingSet, warmedUp.privateBytes,
           warmUp, atEnd.workingSet, atEnd.privateBytes);
    printf("soak: private memory committed: %.1f MiB after the warm-up, %.1f MiB at the end\n",
           warmedUp.committed, atEnd.committed);
    printf("soak: last capture %d x %d, full block %s\n", width, height,
           block == kBlockColour ? "shown" : "missing");

    Check(repaints >= refreshes, "every refresh repaints");
    Check(Count.failed == 0, "every creation succeeds");
    Check(Count.failedDeletes == 0, "every object is freed at the first try");
    // The window keeps its image (a context and a bitmap) and a font a row
    // from one repaint to the next; nothing else outlives a refresh.
    Check(Count.Alive() <= 2 + kRows && mostAlive <= 2 + kRows,
          "nothing but the kept image and the rows' fonts outlives a refresh");
    Check(Count.windowDcs == Count.windowDcsReleased, "every window context is given back");
    Check(Count.Made() >= objectsAtLeast, "the objects made are at least those the rows need");
    Check(errors == 0, "the log holds no \"Error\" line");
    Check(seconds < 2 || captures >= static_cast<long long>(seconds) / 2,
          "a capture about every second");
    Check((captures == 0 && seconds < 2) || block == kBlockColour,
          "the last capture shows the full block");
    Check(atEnd.committed - warmedUp.committed <= maxGrowth,
          "private memory grows by no more than --max-growth after the warm-up");
    Check(saves < 2 || applied >= saves - 1, "every save of the configuration applies");
    Check(saves == 0 || pngFrames > 0, "the saved configuration records PNG frames");
    printf("soak: %s\n", Failures == 0 ? "passed" : "FAILED");
    return Failures == 0 ? 0 : 1;
}
