// Benchmarks of the real Tavlora.dll (under Wine, or on Windows): the DLL is
// loaded with LoadLibrary and its entry points found by name, as a host
// does; the same four pairs as the simulation's benchmarks (see common.h),
// timed with QueryPerformanceCounter, the floors on the real GDI. PNG
// recordings are also set against GDI+'s PNG encoder on the same pixels
// (the driver's PNG encoding took its place), with the sizes of the files.
//
// Each pair is measured in rounds: a batch of driver calls and a batch of
// floor calls (in turns first), each batch long enough (about 30 ms) for
// the counter; dot-matrix rows against font rows the same way, the driver
// started anew with the rows of each before its batch. The
// table gives, for each, the median over the rounds of the time per call,
// and the ratio of the medians; and the same for the capture's own part
// (the capturing write's median less the unchanged write's). Nothing here
// fails on timing.
//
//   win32-bench.exe [ROUNDS [modules|web]]   (default 25)
//
// The web view's pairs come last; TAVLORA_BENCH_BEFORE names a Tavlora.dll
// built before the view, which the view off is set against.
//
// It works in the current folder (displays\, images\, logs\ and the
// captures are made there) and loads Tavlora.dll from its own folder.
// At the end it calls DISPLAYDLL_Done, which ends the process with status 0.
#include "common.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

LARGE_INTEGER Frequency;

double Now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(Frequency.QuadPart);
}

// One kind of call, measured in batches.
class Measured {
  public:
    virtual ~Measured() {}
    virtual void Call(long long count) = 0;

    // Seconds a call for a batch of `calls` calls.
    double Batch(long long calls) {
        double start = Now();
        for (long long i = 0; i < calls; ++i) Call(count_++);
        return (Now() - start) / static_cast<double>(calls);
    }

  private:
    long long count_ = 0;
};

template <typename F> class Calls : public Measured {
  public:
    explicit Calls(F f) : f_(f) {}
    void Call(long long count) override { f_(count); }

  private:
    F f_;
};
template <typename F> Calls<F> MakeCalls(F f) { return Calls<F>(f); }

// How many calls make a batch of about 30 ms (three at least), after a
// few calls that warm up what the first ones start.
long long BatchSize(Measured &measured) {
    measured.Batch(3);
    long long calls = 1;
    double perCall = measured.Batch(calls);
    while (perCall * static_cast<double>(calls) < 0.01 && calls < (1LL << 30)) {
        calls *= 2;
        perCall = measured.Batch(calls);
    }
    long long wanted = static_cast<long long>(0.03 / perCall);
    return wanted > 3 ? wanted : 3;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Result {
    const char *name;
    double driver; // microseconds a call, median
    double floor;
    double driverLow, driverHigh, floorLow, floorHigh;
};

// A pair's medians and ranges, the driver's (`d`) against its floor's (`f`).
Result MakeResult(const char *name, const std::vector<double> &d, const std::vector<double> &f) {
    Result r = {name, Median(d), Median(f), *std::min_element(d.begin(), d.end()),
                *std::max_element(d.begin(), d.end()), *std::min_element(f.begin(), f.end()),
                *std::max_element(f.begin(), f.end())};
    return r;
}

Result MeasurePair(const char *name, Measured &driver, Measured &floor, int rounds) {
    long long driverCalls = BatchSize(driver);
    long long floorCalls = BatchSize(floor);
    std::vector<double> d, f;
    for (int round = 0; round < rounds; ++round) {
        // Which goes first changes from round to round.
        if (round % 2) f.push_back(floor.Batch(floorCalls) * 1e6);
        d.push_back(driver.Batch(driverCalls) * 1e6);
        if (round % 2 == 0) f.push_back(floor.Batch(floorCalls) * 1e6);
    }
    Result r = MakeResult(name, d, f);
    printf("%-16s driver %10.2f us (%.2f .. %.2f, %lld a batch)   floor %10.2f us "
           "(%.2f .. %.2f, %lld a batch)\n",
           name, r.driver, r.driverLow, r.driverHigh, driverCalls, r.floor, r.floorLow,
           r.floorHigh, floorCalls);
    fflush(stdout);
    return r;
}

// Lets the window system catch up: shows, maps and paints what is pending.
void Settle() {
    for (int i = 0; i < 20; ++i) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(25);
    }
}

// One look's repaint against another's (dot rows or a module against font
// rows), in alternating batches: each batch starts the driver with its
// configuration and shows the rows first, outside the timing. The driver is
// left started with font rows.
Result MeasureLooks(const bench::Driver &driver, int rounds, const char *name, bench::Look look,
                    bench::Look against) {
    auto repaints = MakeCalls([&](long long count) { bench::Repaint(driver, count); });
    std::vector<double> times[2]; // against, look
    long long calls[2] = {0, 0};
    for (int round = 0; round < rounds; ++round)
        for (int turn = 0; turn < 2; ++turn) {
            int dots = (round + turn) % 2; // which goes first changes from round to round
            if (!bench::StartDriver(driver, NULL, dots ? look : against))
                return Result{name, 0, 0, 0, 0, 0, 0};
            bench::ShowRows(driver);
            Settle();
            if (calls[dots] == 0) calls[dots] = BatchSize(repaints);
            times[dots].push_back(repaints.Batch(calls[dots]) * 1e6);
        }
    bench::StartDriver(driver, NULL);
    const std::vector<double> &d = times[1], &f = times[0];
    Result r = MakeResult(name, d, f);
    printf("%-16s dots   %10.2f us (%.2f .. %.2f, %lld a batch)   fonts %10.2f us "
           "(%.2f .. %.2f, %lld a batch)\n",
           r.name, r.driver, r.driverLow, r.driverHigh, calls[1], r.floor, r.floorLow,
           r.floorHigh, calls[0]);
    fflush(stdout);
    return r;
}

// GDI+'s PNG encoder.
const CLSID kPngEncoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

// The unchanged write's floor and the clock, then GDI+ saving the PNG
// floor's pixels (already at 24 bits) to `path`: a bitmap over them, the
// save, the bitmap disposed of. GDI+ is started once, outside the timing.
void GdiplusFloor(bench::Floors &f, const char *path) {
    using namespace Gdiplus::DllExports;
    bench::WriteFloor(f);
    GetTickCount64();
    WCHAR name[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path, -1, name, MAX_PATH);
    Gdiplus::GpBitmap *bitmap = NULL;
    BYTE *top = f.pixels24.data() + static_cast<size_t>(f.stride24) * (f.info.biHeight - 1);
    if (GdipCreateBitmapFromScan0(f.info.biWidth, f.info.biHeight, -f.stride24,
                                  PixelFormat24bppRGB, top, &bitmap) != Gdiplus::Ok)
        return;
    GdipSaveImageToFile(bitmap, name, &kPngEncoder, NULL);
    GdipDisposeImage(bitmap);
}

long FileSize(const char *path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) ? static_cast<long>(data.nFileSizeLow)
                                                                    : -1;
}

template <typename T> bool Resolve(HMODULE module, const char *name, T *proc) {
    *proc = reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    if (!*proc) fprintf(stderr, "win32-bench: Tavlora.dll has no %s\n", name);
    return *proc != NULL;
}


// ---- The live web view: its cost to the host's writes, and how soon a
// change reaches a viewer.

// A viewer of the event stream on loopback: a thread of its own reads the
// stream as fast as it comes and counts its events.
struct Viewer {
    SOCKET socket = INVALID_SOCKET;
    HANDLE thread = NULL;
    volatile LONG events = 0;
};

const char kFrameEvent[] = "event: frame";

// The events in `text` of `length`, with `tail` the end of the text read
// before it (an event's name may be split between two reads).
LONG CountEvents(std::string *tail, const char *text, int length) {
    std::string seen = *tail + std::string(text, static_cast<size_t>(length));
    LONG count = 0;
    for (size_t at = seen.find(kFrameEvent); at != std::string::npos;
         at = seen.find(kFrameEvent, at + 1))
        ++count;
    size_t keep = sizeof kFrameEvent - 2;
    *tail = seen.size() > keep ? seen.substr(seen.size() - keep) : seen;
    return count;
}

DWORD WINAPI ReadEvents(LPVOID parameter) {
    Viewer *viewer = static_cast<Viewer *>(parameter);
    std::string tail;
    char buffer[16384];
    for (int n; (n = recv(viewer->socket, buffer, sizeof buffer, 0)) > 0;)
        InterlockedExchangeAdd(&viewer->events, CountEvents(&tail, buffer, n));
    return 0;
}

// Connects to the view and asks for the event stream. INVALID_SOCKET when
// nothing answers.
SOCKET OpenEvents() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(bench::kWebPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s == INVALID_SOCKET || connect(s, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        if (s != INVALID_SOCKET) closesocket(s);
        return INVALID_SOCKET;
    }
    char request[128];
    int length = snprintf(request, sizeof request,
                          "GET /events HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n\r\n", bench::kWebPort);
    send(s, request, length, 0);
    return s;
}

// A viewer connected and counted by the server: the stream's first event
// (the display as it is) has arrived.
bool OpenViewer(Viewer *viewer) {
    viewer->events = 0;
    viewer->socket = OpenEvents();
    if (viewer->socket == INVALID_SOCKET) return false;
    viewer->thread = CreateThread(NULL, 0, ReadEvents, viewer, 0, NULL);
    for (int i = 0; i < 300 && viewer->events == 0; ++i) Sleep(10);
    return viewer->events > 0;
}

// Closes the viewer's connection and lets the server see it gone.
void CloseViewer(Viewer *viewer) {
    if (viewer->socket != INVALID_SOCKET) {
        shutdown(viewer->socket, SD_BOTH);
        closesocket(viewer->socket);
    }
    if (viewer->thread) {
        WaitForSingleObject(viewer->thread, 5000);
        CloseHandle(viewer->thread);
    }
    viewer->socket = INVALID_SOCKET;
    viewer->thread = NULL;
    Sleep(300); // the server's next turns drop the connection
}

// The repaint with the view off (WebPort=0) against the same repaint of the
// driver built before the view (`before`, a Tavlora.dll of its own folder),
// in alternating batches: each batch starts its driver, shows the rows and
// ends it with Done after the batch, so one window lives at a time.
Result MeasureViewOff(const bench::Driver &driver, DisplayDoneProc done,
                      const bench::Driver &before, DisplayDoneProc beforeDone, int rounds,
                      const char *name, bool repaints) {
    std::vector<double> times[2]; // before, now
    long long calls[2] = {0, 0};
    for (int round = 0; round < rounds; ++round)
        for (int turn = 0; turn < 2; ++turn) {
            int now = (round + turn) % 2;
            const bench::Driver &d = now ? driver : before;
            if (!bench::StartDriver(d, NULL, bench::WebOff)) return Result{name, 0, 0, 0, 0, 0, 0};
            if (repaints) bench::ShowRows(d);
            else bench::FillRowsForUnchangedWrites(d);
            Settle();
            auto r = MakeCalls([&](long long count) { bench::Repaint(d, count); });
            auto u = MakeCalls([&](long long) { bench::UnchangedWrite(d); });
            Measured &m = repaints ? static_cast<Measured &>(r) : static_cast<Measured &>(u);
            if (calls[now] == 0) calls[now] = BatchSize(m);
            times[now].push_back(m.Batch(calls[now]) * 1e6);
            (now ? done : beforeDone)();
        }
    Result r = MakeResult(name, times[1], times[0]);
    printf("%-16s now    %10.2f us (%.2f .. %.2f, %lld a batch)   before %9.2f us "
           "(%.2f .. %.2f, %lld a batch)\n",
           r.name, r.driver, r.driverLow, r.driverHigh, calls[1], r.floor, r.floorLow, r.floorHigh,
           calls[0]);
    fflush(stdout);
    return r;
}

// The repaint with the view on and one viewer reading the event stream,
// against the same repaint with nobody connected, in alternating batches of
// the same start. `perWrite` gets the events the viewer read a write.
Result MeasureViewer(const bench::Driver &driver, int rounds, double *perWrite) {
    auto r = MakeCalls([&](long long count) { bench::Repaint(driver, count); });
    std::vector<double> times[2]; // alone, watched
    long long calls[2] = {0, 0};
    long long writes = 0, events = 0;
    for (int round = 0; round < rounds; ++round)
        for (int turn = 0; turn < 2; ++turn) {
            int watched = (round + turn) % 2;
            Viewer viewer;
            if (watched && !OpenViewer(&viewer)) {
                fprintf(stderr, "win32-bench: no event stream on port %d\n", bench::kWebPort);
                CloseViewer(&viewer);
                return Result{"viewer", 0, 0, 0, 0, 0, 0};
            }
            if (calls[watched] == 0) calls[watched] = BatchSize(r);
            LONG first = viewer.events;
            times[watched].push_back(r.Batch(calls[watched]) * 1e6);
            if (watched) {
                Sleep(300); // the last write's event
                writes += calls[watched];
                events += viewer.events - first;
                CloseViewer(&viewer);
            }
        }
    *perWrite = writes ? static_cast<double>(events) / static_cast<double>(writes) : 0;
    Result res = MakeResult("viewer", times[1], times[0]);
    printf("%-16s viewer %10.2f us (%.2f .. %.2f, %lld a batch)   none %11.2f us "
           "(%.2f .. %.2f, %lld a batch); %.3f events a write\n",
           res.name, res.driver, res.driverLow, res.driverHigh, calls[1], res.floor, res.floorLow,
           res.floorHigh, calls[0], *perWrite);
    fflush(stdout);
    return res;
}

// From a repainting write to its event's arrival on a viewer's stream, in
// milliseconds, `samples` times: the stream read on this thread, the
// writes spaced unevenly so that they fall at every point of the server's
// turn. Empty when the view does not answer.
std::vector<double> MeasureLatency(const bench::Driver &driver, int samples) {
    std::vector<double> latencies;
    SOCKET s = OpenEvents();
    if (s == INVALID_SOCKET) return latencies;
    std::string tail;
    char buffer[16384];
    // Reads what is there, waiting at most `ms`; the events read.
    auto read = [&](int ms) -> LONG {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval wait = {ms / 1000, (ms % 1000) * 1000};
        if (select(0, &readable, NULL, NULL, &wait) != 1) return 0;
        int n = recv(s, buffer, sizeof buffer, 0);
        return n > 0 ? CountEvents(&tail, buffer, n) : -1;
    };
    LONG got = 0;
    for (int i = 0; i < 200 && got == 0; ++i) got = read(10); // the display as it is
    unsigned spacing = 12345;
    for (int i = 0; got >= 0 && i < samples; ++i) {
        while (read(0) > 0) {
        }
        spacing = spacing * 1103515245u + 12345u;
        Sleep((spacing >> 16) % 40);
        double start = Now();
        bench::Repaint(driver, i);
        got = 0;
        while (got == 0 && Now() - start < 2.0) got = read(5);
        if (got > 0) latencies.push_back((Now() - start) * 1e3);
    }
    closesocket(s);
    return latencies;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    size_t at = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

// The driver's entry points in `library`.
bool ResolveDriver(HMODULE library, bench::Driver *driver, DisplayDoneProc *done) {
    return Resolve(library, "DISPLAYDLL_Init", &driver->Init) &&
           Resolve(library, "DISPLAYDLL_Write", &driver->Write) &&
           Resolve(library, "DISPLAYDLL_SetPosition", &driver->SetPosition) &&
           Resolve(library, "DISPLAYDLL_CustomChar", &driver->CustomChar) &&
           Resolve(library, "DISPLAYDLL_Done", done);
}

// The web view's pairs and its latency, printed as they come and then as a
// table. Each starts and ends the driver itself; the driver is left ended.
void MeasureWebView(const bench::Driver &driver, DisplayDoneProc done, int rounds) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        fprintf(stderr, "win32-bench: WSAStartup failed\n");
        return;
    }
    // Done from here on leaves the host running.
    if (!bench::StartDriver(driver, NULL, bench::WebOff)) return;
    done();
    std::vector<Result> offs;
    // The view off against the driver from before the view, when there is
    // one: TAVLORA_BENCH_BEFORE names its Tavlora.dll (a Windows path).
    const char *beforePath = getenv("TAVLORA_BENCH_BEFORE");
    if (beforePath && *beforePath) {
        CreateDirectoryA("before", NULL);
        HMODULE before = CopyFileA(beforePath, "before\\Tavlora.dll", FALSE)
                             ? LoadLibraryA("before\\Tavlora.dll")
                             : NULL;
        bench::Driver beforeDriver;
        DisplayDoneProc beforeDone = NULL;
        if (!before || before == GetModuleHandleA("Tavlora.dll") ||
            !ResolveDriver(before, &beforeDriver, &beforeDone)) {
            fprintf(stderr, "win32-bench: cannot load %s as a second driver\n", beforePath);
        } else {
            offs.push_back(MeasureViewOff(driver, done, beforeDriver, beforeDone, rounds,
                                          "view off write", false));
            offs.push_back(MeasureViewOff(driver, done, beforeDriver, beforeDone, rounds,
                                          "view off repaint", true));
        }
    } else {
        printf("(no TAVLORA_BENCH_BEFORE: the view off is not set against the driver before it)\n");
    }
    double perWrite = 0;
    Result watched = {"viewer", 0, 0, 0, 0, 0, 0};
    std::vector<double> latencies;
    if (bench::StartDriver(driver, NULL, bench::WebView)) {
        bench::ShowRows(driver);
        Settle();
        watched = MeasureViewer(driver, rounds, &perWrite);
        latencies = MeasureLatency(driver, 200);
        done();
    }
    WSACleanup();

    printf("\nthe web view, medians, microseconds\n");
    printf("%-16s %12s %12s %8s\n", "pair", "driver", "against", "ratio");
    for (const Result &r : offs)
        printf("%-16s %12.2f %12.2f %8.2f   (view off, before the view)\n", r.name, r.driver,
               r.floor, r.floor > 0 ? r.driver / r.floor : 0);
    if (watched.floor > 0)
        printf("%-16s %12.2f %12.2f %8.2f   (one viewer, none; %.3f events a write)\n",
               watched.name, watched.driver, watched.floor, watched.driver / watched.floor,
               perWrite);
    if (!latencies.empty())
        printf("write to event   median %.1f ms, 95th percentile %.1f ms, %.1f .. %.1f ms, "
               "%zu writes\n",
               Percentile(latencies, 0.5), Percentile(latencies, 0.95),
               *std::min_element(latencies.begin(), latencies.end()),
               *std::max_element(latencies.begin(), latencies.end()), latencies.size());
    else
        printf("write to event   no events (port %d taken?)\n", bench::kWebPort);
    fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
    int rounds = argc > 1 ? atoi(argv[1]) : 25;
    if (rounds < 1) rounds = 25;
    // "modules": only the LCD modules against font rows of their window size;
    // "web": only the web view's pairs.
    const bool modulesOnly = argc > 2 && strcmp(argv[2], "modules") == 0;
    const bool webOnly = argc > 2 && strcmp(argv[2], "web") == 0;
    QueryPerformanceFrequency(&Frequency);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);

    if (!bench::PrepareFolder(TAVLORA_SOURCE_DIR "/images/Tavlora.jpg")) return 1;
    HMODULE library = LoadLibraryA("Tavlora.dll");
    if (!library) {
        fprintf(stderr, "win32-bench: cannot load Tavlora.dll (error %lu)\n", GetLastError());
        return 1;
    }
    bench::Driver driver;
    DisplayDoneProc done;
    if (!ResolveDriver(library, &driver, &done)) return 1;

    if (!bench::StartDriver(driver, NULL)) return 1;
    HWND window = FindWindowA("Tavlora", NULL);
    bench::Floors floors;
    // The floors' paint window lies below the driver's, not over it.
    if (!window || !bench::OpenFloors(&floors, window, "images\\Tavlora.jpg", 0, 300)) return 1;
    Settle();
    RECT client;
    GetClientRect(window, &client);
    printf("Tavlora.dll under %s: window %d x %d, client area %ld x %ld, %d rounds\n",
           GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") ? "Wine" : "Windows",
           bench::kWidth, bench::kHeight, client.right, client.bottom, rounds);

    // The pairs against their floors (all but "modules"), then the looks
    // against font rows of the same window size, measured in turns.
    std::vector<Result> results, looks, parts;
    if (webOnly) {
        bench::CloseFloors(&floors);
        MeasureWebView(driver, done, rounds);
        return 0;
    }
    if (!modulesOnly) {
        bench::FillRowsForUnchangedWrites(driver);
        auto d = MakeCalls([&](long long) { bench::UnchangedWrite(driver); });
        auto f = MakeCalls([&](long long) { bench::WriteFloor(floors); });
        results.push_back(MeasurePair("unchanged write", d, f, rounds));

        bench::ShowRows(driver);
        Settle();
        auto r = MakeCalls([&](long long count) { bench::Repaint(driver, count); });
        auto c = MakeCalls([&](long long) { bench::ComposeFloor(floors); });
        results.push_back(MeasurePair("repaint", r, c, rounds));
        // Where a repaint's time goes: each part against the whole floor.
        auto checks = MakeCalls([&](long long) { bench::WriteFloor(floors); });
        auto render = MakeCalls([&](long long) { bench::RenderPart(floors); });
        auto rows = MakeCalls([&](long long) { bench::RowsPart(floors); });
        auto transfer = MakeCalls([&](long long) { bench::TransferPart(floors); });
        auto objects = MakeCalls([&](long long) { bench::ObjectsPart(floors); });
        parts.push_back(MeasurePair("write's checks", checks, c, rounds));
        parts.push_back(MeasurePair("render", render, c, rounds));
        parts.push_back(MeasurePair("rows", rows, c, rounds));
        parts.push_back(MeasurePair("transfer", transfer, c, rounds));
        parts.push_back(MeasurePair("objects", objects, c, rounds));

        // The same repaint with every row in dots.
        if (!bench::StartDriver(driver, NULL, bench::DotRows)) return 1;
        bench::ShowRows(driver);
        Settle();
        results.push_back(MeasurePair("dot repaint", r, c, rounds));
        looks.push_back(
            MeasureLooks(driver, rounds, "dots vs fonts", bench::DotRows, bench::FontRows));
    }
    looks.push_back(
        MeasureLooks(driver, rounds, "module 20x4", bench::Module20x4, bench::FontsAt20x4));
    looks.push_back(
        MeasureLooks(driver, rounds, "round 40x4", bench::RoundModule40x4, bench::FontsAt40x4));
    looks.push_back(MeasureLooks(driver, rounds, "zoom 300", bench::Zoom300, bench::FontRows));
    if (!modulesOnly) {
        if (!bench::StartDriver(driver, "bench.bmp")) return 1;
        bench::FillRowsForUnchangedWrites(driver);
        Settle();
        if (!bench::CopyWindowForFloors(&floors)) return 1; // the image the driver records
        auto d = MakeCalls([&](long long) { bench::UnchangedWrite(driver); });
        auto f = MakeCalls([&](long long) { bench::CaptureFloor(floors, "floor.bmp"); });
        results.push_back(MeasurePair("capture", d, f, rounds));

        if (!bench::StartDriver(driver, "bench.png")) return 1;
        bench::FillRowsForUnchangedWrites(driver);
        auto p = MakeCalls([&](long long) { bench::PngFloor(floors, "floor.png"); });
        results.push_back(MeasurePair("PNG capture", d, p, rounds));
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR gdiplus = 0;
        if (Gdiplus::GdiplusStartup(&gdiplus, &input, NULL) != Gdiplus::Ok) {
            fprintf(stderr, "win32-bench: GdiplusStartup failed\n");
            return 1;
        }
        auto g = MakeCalls([&](long long) { GdiplusFloor(floors, "gdiplus.png"); });
        results.push_back(MeasurePair("PNG vs GDI+", d, g, rounds));

        // A display that changes in one row at each call, as a clock does:
        // the driver repaints and records the new image, compressing again
        // only the rows that changed; the floors repaint and encode the
        // whole image, the same way or by GDI+.
        if (!bench::StartDriver(driver, "changed.png")) return 1;
        bench::ShowRows(driver);
        Settle();
        auto rp = MakeCalls([&](long long count) { bench::Repaint(driver, count); });
        auto rf = MakeCalls([&](long long) {
            bench::ComposeFloor(floors);
            bench::PngFloor(floors, "floor-changed.png");
        });
        results.push_back(MeasurePair("PNG, row changed", rp, rf, rounds));
        auto rg = MakeCalls([&](long long) {
            bench::ComposeFloor(floors);
            GdiplusFloor(floors, "gdiplus-changed.png");
        });
        results.push_back(MeasurePair("changed vs GDI+", rp, rg, rounds));
        Gdiplus::GdiplusShutdown(gdiplus);
    }

    printf("\nmedians, microseconds (Tavlora.dll, real GDI)\n");
    printf("%-16s %12s %12s %8s\n", "pair", "driver", "floor", "ratio");
    for (const Result &r : results)
        printf("%-16s %12.2f %12.2f %8.2f\n", r.name, r.driver, r.floor, r.driver / r.floor);
    // The capture's own part: what the capturing write adds to the unchanged
    // one, for the driver and for the floor.
    // results: 0 unchanged write, 1 repaint, 2 dot repaint, 3 capture, 4 PNG capture,
    // 5 PNG against GDI+, then the changed row's pairs.
    static const char *const kAlone[] = {"capture alone", "PNG alone", "PNG/GDI+ alone"};
    for (int i = 3; i <= 5 && i < static_cast<int>(results.size()); ++i) {
        double driverAlone = results[i].driver - results[0].driver;
        double floorAlone = results[i].floor - results[0].floor;
        if (driverAlone > 0 && floorAlone > 0)
            printf("%-16s %12.2f %12.2f %8.2f\n", kAlone[i - 3], driverAlone, floorAlone,
                   driverAlone / floorAlone);
    }
    // The repaint's parts, each against the repaint's floor.
    for (const Result &r : parts)
        printf("%-16s %12.2f %12.2f %8.2f   (part, repaint floor)\n", r.name, r.driver, r.floor,
               r.driver / r.floor);
    // Dot-matrix rows and modules against font rows, measured in turns.
    for (const Result &r : looks)
        printf("%-16s %12.2f %12.2f %8.2f   (dots, fonts)\n", r.name, r.driver, r.floor,
               r.driver / r.floor);
    // The files of the same pixels.
    long driverPng = FileSize("bench.png"), floorPng = FileSize("floor.png"),
         gdiplusPng = FileSize("gdiplus.png");
    printf("PNG bytes: driver %ld, floor %ld, GDI+ %ld; driver / GDI+ %.2f\n", driverPng,
           floorPng, gdiplusPng,
           gdiplusPng > 0 ? static_cast<double>(driverPng) / static_cast<double>(gdiplusPng) : 0.0);
    fflush(stdout);

    bench::CloseFloors(&floors);
    // Last: the web view's pairs start and end the driver themselves.
    if (!modulesOnly) {
        MeasureWebView(driver, done, rounds);
        return 0;
    }
    done(); // destroys the window; the driver ends the process with status 0
    return 0;
}
