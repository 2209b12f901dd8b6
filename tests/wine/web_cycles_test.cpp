// A host that loads, starts, stops and unloads the driver again and again
// with the web view on, clients asking it between, ends with what it had:
// no thread, handle (sockets among them) or memory left behind per cycle.
#include <winsock2.h>

#include "wine_support.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdlib>

namespace {

const int kPort = 18433;

struct Usage {
    int threads;
    DWORD handles;
    SIZE_T privateBytes;
    SIZE_T workingSet;
};

// Open handles: the system's count or, where it gives none (Wine), the
// handle values that name something.
DWORD HandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
    for (ULONG_PTR value = 4; value < 65536; value += 4) {
        DWORD flags;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    }
    return count;
}

// Private bytes: the system's count or, where it gives none (Wine), the
// committed private memory of the address space.
SIZE_T PrivateBytes(SIZE_T reported) {
    if (reported > 0) return reported;
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char *at = nullptr; VirtualQuery(at, &info, sizeof info) == sizeof info &&
                                   info.RegionSize > 0;
         at = static_cast<const char *>(info.BaseAddress) + info.RegionSize)
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    return total;
}

Usage Measure() {
    Usage u = {0, 0, 0, 0};
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        u.threads += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    u.handles = HandleCount();
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&memory),
                         sizeof memory);
    u.privateBytes = PrivateBytes(memory.PrivateUsage);
    u.workingSet = memory.WorkingSetSize;
    return u;
}

class WebCycles : public DriverInProcess {
  protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        DriverInProcess::SetUp();
        FreeLibrary(dll_); // each cycle loads its own
        dll_ = nullptr;
    }
    void TearDown() override {
        DriverInProcess::TearDown();
        WSACleanup();
    }

    // A client's request on loopback: `path` asked, the answer read until
    // it holds `until`, the display refreshed between reads as a host's
    // timer would (a picture waits for a refresh). The socket stays open
    // when `keep` is given.
    std::string Ask(const char *path, const char *until, SOCKET *keep = nullptr) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_port = htons(kPort);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string got;
        if (connect(s, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0) {
            std::string request = std::string("GET ") + path + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                                  std::to_string(kPort) + "\r\n\r\n";
            send(s, request.data(), static_cast<int>(request.size()), 0);
            DWORD start = GetTickCount();
            while (got.find(until) == std::string::npos && GetTickCount() - start < 5000) {
                fd_set readable;
                FD_ZERO(&readable);
                FD_SET(s, &readable);
                timeval wait = {0, 20000};
                if (select(0, &readable, NULL, NULL, &wait) != 1) {
                    Write("");
                    continue;
                }
                char buffer[16384];
                int n = recv(s, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                got.append(buffer, static_cast<size_t>(n));
            }
        }
        if (keep) *keep = s;
        else closesocket(s);
        return got;
    }

    // One load, start, write, client, stop and unload. Its client, by the
    // cycle's number: the state, the picture, or a viewer of the event
    // stream still connected, through two more changes, when Done comes.
    void Cycle(int n) {
        dll_ = LoadLibraryA(Path("Tavlora.dll").c_str());
        ASSERT_NE(dll_, nullptr);
        init_ = reinterpret_cast<DisplayInitProc>(
            reinterpret_cast<void *>(GetProcAddress(dll_, "DISPLAYDLL_Init")));
        done_ = reinterpret_cast<DisplayDoneProc>(
            reinterpret_cast<void *>(GetProcAddress(dll_, "DISPLAYDLL_Done")));
        write_ = reinterpret_cast<DisplayWriteProc>(
            reinterpret_cast<void *>(GetProcAddress(dll_, "DISPLAYDLL_Write")));
        ASSERT_NE(StartDriver("Debug=1\nEndHostOnClose=0\nDontShowWindow=1\nWidth=120\nHeight=60\n"
                              "Line1FontHeight=16\nWebPort=" + std::to_string(kPort) + "\n"),
                  nullptr);
        std::string text = "cycle " + std::to_string(n);
        Write(text.c_str());
        SOCKET viewer = INVALID_SOCKET;
        if (n % 3 == 0)
            EXPECT_NE(Ask("/state.json", text.c_str()).find(text), std::string::npos) << n;
        else if (n % 3 == 1)
            EXPECT_NE(Ask("/display.png", "IEND").find("IEND"), std::string::npos) << n;
        else {
            EXPECT_NE(Ask("/events", text.c_str(), &viewer).find(text), std::string::npos) << n;
            // Two changes while it watches: the pixels handed over for each are still
            // held when Done comes.
            Write((text + " a").c_str());
            Write((text + " b").c_str());
        }
        done_();
        started_ = false;
        if (viewer != INVALID_SOCKET) closesocket(viewer);
        FreeLibrary(dll_);
        dll_ = nullptr;
    }
};

TEST_F(WebCycles, LoadStartServeStopAndUnloadLeaveThreadsHandlesAndMemoryFlat) {
    const int kWarmUp = 10, kCycles = 100;
    Usage before = {0, 0, 0, 0};
    for (int n = 1; n <= kCycles && !HasFatalFailure(); ++n) {
        Cycle(n);
        if (n == kWarmUp) before = Measure();
    }
    Usage after = Measure();
    // A thread, handle or picture buffer kept per cycle would grow these by
    // 90 or more (a thread's stack, a picture of 120 x 60: 1 MB, 29 KB).
    EXPECT_LE(after.threads, before.threads + 1);
    EXPECT_LE(after.handles, before.handles + 10);
    EXPECT_LE(after.privateBytes, before.privateBytes + 256 * 1024) << before.privateBytes;
    EXPECT_LE(after.workingSet, before.workingSet + 1024 * 1024) << before.workingSet;
    int serving = 0;
    for (const std::string &line : LogLines()) {
        serving += line.find("Web view serving") != std::string::npos;
        EXPECT_EQ(line.find("Error web view"), std::string::npos) << line;
        EXPECT_EQ(line.find("did not stop"), std::string::npos) << line;
    }
    EXPECT_EQ(serving, kCycles);
    printf("threads %d -> %d, handles %lu -> %lu, private KB %llu -> %llu, working set KB %llu -> "
           "%llu\n",
           before.threads, after.threads, before.handles, after.handles,
           static_cast<unsigned long long>(before.privateBytes / 1024),
           static_cast<unsigned long long>(after.privateBytes / 1024),
           static_cast<unsigned long long>(before.workingSet / 1024),
           static_cast<unsigned long long>(after.workingSet / 1024));
}

} // namespace
