// The live web view of the real DLL, loaded into this program: a Winsock
// client here asks it over loopback while the test, as the host, writes.
#include <winsock2.h>

#include "wine_support.h"

#include <cstring>

namespace {

const int kPort = 18431;

sockaddr_in Loopback(int port) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

class Web : public DriverInProcess {
  protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        DriverInProcess::SetUp();
    }
    void TearDown() override {
        DriverInProcess::TearDown();
        WSACleanup();
    }
    HWND Start(const std::string &more = "") {
        return StartDriver("Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\nWebPort=" +
                           std::to_string(kPort) + "\nLine1FontHeight=20\n"
                           "Line1FontColor=255 255 255\nLine1FontBkColor=0 0 255\n" + more);
    }
    SOCKET Connect() {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in to = Loopback(kPort);
        EXPECT_EQ(connect(s, reinterpret_cast<sockaddr *>(&to), sizeof to), 0);
        return s;
    }
    // Reads into `got` until it holds `until` (or, empty, until a whole
    // answer or the end), for up to three seconds, refreshing the display
    // between reads as a host's timer would.
    void Read(SOCKET s, std::string *got, const std::string &until = "") {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 3000) {
            if (!until.empty() && got->find(until) != std::string::npos) return;
            if (until.empty() && Whole(*got)) return;
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(s, &readable);
            timeval wait = {0, 20000};
            if (select(0, &readable, NULL, NULL, &wait) == 1) {
                char buffer[65536];
                int n = recv(s, buffer, sizeof buffer, 0);
                if (n <= 0) return;
                got->append(buffer, static_cast<size_t>(n));
            } else {
                Write("");
            }
        }
    }
    static bool Whole(const std::string &answer) {
        size_t end = answer.find("\r\n\r\n");
        if (end == std::string::npos) return false;
        size_t at = answer.find("Content-Length: ");
        if (at == std::string::npos || at > end) return false;
        return answer.size() >= end + 4 + strtoul(answer.c_str() + at + 16, NULL, 10);
    }
    std::string Get(const std::string &path, const std::string &host = "") {
        SOCKET s = Connect();
        std::string request = "GET " + path + " HTTP/1.1\r\nHost: " +
                              (host.empty() ? "127.0.0.1:" + std::to_string(kPort) : host) +
                              "\r\n\r\n";
        send(s, request.data(), static_cast<int>(request.size()), 0);
        std::string answer;
        Read(s, &answer);
        closesocket(s);
        return answer;
    }
    static std::string Body(const std::string &answer) {
        size_t end = answer.find("\r\n\r\n");
        return end == std::string::npos ? "" : answer.substr(end + 4);
    }
    static bool Has(const std::string &text, const std::string &part) {
        return text.find(part) != std::string::npos;
    }
};

unsigned BigEndian(const std::string &bytes, size_t at) {
    const unsigned char *b = reinterpret_cast<const unsigned char *>(bytes.data()) + at;
    return (unsigned(b[0]) << 24) | (unsigned(b[1]) << 16) | (unsigned(b[2]) << 8) | b[3];
}

TEST_F(Web, EachEndpointAnswersWithItsTypeAndAForgedHostIsRefused) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    Write("Hello");
    const struct {
        const char *path;
        const char *status;
        const char *type;
    } cases[] = {
        {"/", "HTTP/1.1 200", "text/html"},
        {"/state.json", "HTTP/1.1 200", "application/json"},
        {"/display.png", "HTTP/1.1 200", "image/png"},
        {"/nothing", "HTTP/1.1 404", ""},
    };
    for (const auto &c : cases) {
        std::string answer = Get(c.path);
        EXPECT_EQ(answer.compare(0, strlen(c.status), c.status), 0) << c.path << "\n" << answer;
        EXPECT_TRUE(Has(answer, c.type)) << c.path;
    }
    EXPECT_TRUE(Has(Body(Get("/state.json")), "Hello"));
    std::string forged = Get("/state.json", "evil.example:" + std::to_string(kPort));
    EXPECT_EQ(forged.compare(0, 12, "HTTP/1.1 403"), 0) << forged;
    EXPECT_FALSE(Has(forged, "Hello"));
    // The picture is the display's inside.
    RECT inside;
    GetClientRect(window, &inside);
    std::string png = Body(Get("/display.png"));
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
    EXPECT_EQ(BigEndian(png, 16), unsigned(inside.right));
    EXPECT_EQ(BigEndian(png, 20), unsigned(inside.bottom));
}

TEST_F(Web, AWriteReachesTheEventStreamAndThePicture) {
    ASSERT_NE(Start(), nullptr);
    Write("Before");
    std::string before = Body(Get("/display.png"));
    SOCKET events = Connect();
    std::string request = "GET /events HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(kPort) +
                          "\r\n\r\n";
    send(events, request.data(), static_cast<int>(request.size()), 0);
    std::string stream;
    Read(events, &stream, "Before");
    ASSERT_TRUE(Has(stream, "text/event-stream")) << stream;
    ASSERT_TRUE(Has(stream, "event: frame")) << stream;
    position_(1, 1);
    Write("After!");
    Read(events, &stream, "After!");
    EXPECT_TRUE(Has(stream, "After!")) << stream;
    closesocket(events);
    std::string after = Body(Get("/display.png"));
    ASSERT_GT(before.size(), 8u);
    ASSERT_GT(after.size(), 8u);
    EXPECT_NE(before, after);
}

struct Watch {
    SOCKET socket;
    volatile DWORD endedAt; // when the connection ended; 0: not yet
};

DWORD WINAPI WatchForEnd(LPVOID parameter) {
    Watch *watch = static_cast<Watch *>(parameter);
    char buffer[4096];
    while (recv(watch->socket, buffer, sizeof buffer, 0) > 0) {
    }
    watch->endedAt = GetTickCount();
    return 0;
}

// The window's own closing takes Wine a while: what is timed is the server,
// whose end closes the viewer's connection.
TEST_F(Web, DoneWithAViewerConnectedStopsTheServerWithinASecond) {
    ASSERT_NE(Start(), nullptr);
    SOCKET events = Connect();
    std::string request = "GET /events HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(kPort) +
                          "\r\n\r\n";
    send(events, request.data(), static_cast<int>(request.size()), 0);
    std::string stream;
    Read(events, &stream, "event: frame");
    ASSERT_TRUE(Has(stream, "event: frame"));
    Watch watch = {events, 0};
    HANDLE watcher = CreateThread(NULL, 0, WatchForEnd, &watch, 0, NULL);
    DWORD start = GetTickCount();
    done_();
    started_ = false;
    EXPECT_EQ(WaitForSingleObject(watcher, 3000), WAIT_OBJECT_0);
    CloseHandle(watcher);
    ASSERT_NE(watch.endedAt, 0u);
    EXPECT_LT(watch.endedAt - start, 1000u);
    for (const std::string &line : LogLines()) EXPECT_FALSE(Has(line, "did not stop")) << line;
    closesocket(events);
}

TEST_F(Web, APortInUseIsLoggedAndTheDisplayWorks) {
    SOCKET taken = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = Loopback(kPort);
    ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr *>(&at), sizeof at), 0);
    ASSERT_EQ(listen(taken, 1), 0);
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    Write("Still here");
    int failures = 0;
    for (const std::string &line : LogLines())
        failures += Has(line, "Error web view bind on 127.0.0.1:" + std::to_string(kPort));
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(IsWindowVisible(window));
    closesocket(taken);
}

} // namespace

namespace {

TEST_F(Web, AnAddressBeyondLoopbackIsLoggedAsOpenToTheNetwork) {
    ASSERT_NE(Start("WebAddress=0.0.0.0\n"), nullptr);
    int said = 0;
    for (const std::string &line : LogLines()) said += Has(line, "the network can see the display");
    EXPECT_EQ(said, 1);
    std::string answer = Get("/state.json"); // reached over loopback all the same
    EXPECT_EQ(answer.compare(0, 12, "HTTP/1.1 200"), 0) << answer;
}

} // namespace

namespace {

// The thread gives its reference to the DLL back as it ends: after Done the
// host can unload the driver, load it again and serve on the same port.
TEST_F(Web, AfterDoneTheDriverUnloadsAndServesAgainOnTheSamePort) {
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(Get("/").compare(0, 12, "HTTP/1.1 200"), 0);
    done_();
    started_ = false;
    FreeLibrary(dll_);
    dll_ = nullptr;
    EXPECT_EQ(GetModuleHandleA(Path("Tavlora.dll").c_str()), nullptr);
    dll_ = LoadLibraryA(Path("Tavlora.dll").c_str());
    ASSERT_NE(dll_, nullptr);
    init_ = reinterpret_cast<DisplayInitProc>(reinterpret_cast<void *>(GetProcAddress(dll_, "DISPLAYDLL_Init")));
    done_ = reinterpret_cast<DisplayDoneProc>(reinterpret_cast<void *>(GetProcAddress(dll_, "DISPLAYDLL_Done")));
    write_ = reinterpret_cast<DisplayWriteProc>(reinterpret_cast<void *>(GetProcAddress(dll_, "DISPLAYDLL_Write")));
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(Get("/").compare(0, 12, "HTTP/1.1 200"), 0);
    int serving = 0;
    for (const std::string &line : LogLines()) {
        serving += Has(line, "Web view serving");
        EXPECT_FALSE(Has(line, "Error web view")) << line;
        EXPECT_FALSE(Has(line, "did not stop")) << line;
    }
    EXPECT_EQ(serving, 2);
}

} // namespace

namespace {

std::string Request(const std::string &path) {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(kPort) + "\r\n\r\n";
}

// Sixteen viewers fill the view: a newcomer is turned away with 503 and
// the viewers keep their streams; idle connections give way instead, so a
// flood of them never locks a real client out.
TEST_F(Web, ViewersFillTheViewButIdleConnectionsGiveWay) {
    ASSERT_NE(Start(), nullptr);
    SOCKET viewers[16];
    for (SOCKET &viewer : viewers) {
        viewer = Connect();
        std::string request = Request("/events");
        send(viewer, request.data(), static_cast<int>(request.size()), 0);
        std::string stream;
        Read(viewer, &stream, "event: frame");
        ASSERT_TRUE(Has(stream, "event: frame"));
    }
    std::string turnedAway = Get("/state.json");
    EXPECT_EQ(turnedAway.compare(0, 12, "HTTP/1.1 503"), 0) << turnedAway;
    closesocket(viewers[0]);
    std::string answer;
    for (int tries = 0; tries < 20 && answer.compare(0, 12, "HTTP/1.1 200") != 0; ++tries)
        answer = Get("/state.json"); // once the view has seen the viewer go
    EXPECT_EQ(answer.compare(0, 12, "HTTP/1.1 200"), 0) << answer;
    for (int i = 1; i < 16; ++i) closesocket(viewers[i]);

    SOCKET idle[100];
    for (SOCKET &s : idle) {
        s = Connect();
        send(s, "GET / HTTP/1.1\r\n", 16, 0); // and never the rest
    }
    Write("Served");
    answer = Get("/state.json");
    EXPECT_EQ(answer.compare(0, 12, "HTTP/1.1 200"), 0) << answer;
    EXPECT_TRUE(Has(answer, "Served"));
    for (SOCKET s : idle) closesocket(s);
}

// A client that asks for picture after picture and reads none: its answers
// wait in the socket's buffers, never in the driver's, and once nothing
// has gone out for a while it is dropped. The host writes on meanwhile.
TEST_F(Web, AReaderThatReadsNothingIsDroppedAndTheHostWritesOn) {
    HWND window = Start("Width=640\nHeight=320\nLine1FontHeight=60\n");
    ASSERT_NE(window, nullptr);
    SOCKET stuck = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    int small = 2048;
    setsockopt(stuck, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char *>(&small), sizeof small);
    sockaddr_in to = Loopback(kPort);
    ASSERT_EQ(connect(stuck, reinterpret_cast<sockaddr *>(&to), sizeof to), 0);
    ULONG nonBlocking = 1;
    ioctlsocket(stuck, FIONBIO, &nonBlocking);
    std::string pipeline;
    for (int i = 0; i < 600; ++i) pipeline += Request("/display.png");
    size_t sent = 0;
    DWORD start = GetTickCount();
    for (int i = 0; GetTickCount() - start < 9000; ++i) {
        if (sent < pipeline.size()) {
            int n = send(stuck, pipeline.data() + sent, static_cast<int>(pipeline.size() - sent), 0);
            if (n > 0) sent += static_cast<size_t>(n);
        }
        position_(1, 1);
        Write(i % 2 ? "Odd frame" : "Even frame");
        Sleep(20);
    }
    // Dropped: what is left to read ends, far short of 600 pictures.
    ioctlsocket(stuck, FIONBIO, &(nonBlocking = 0));
    int timeout = 3000;
    setsockopt(stuck, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&timeout), sizeof timeout);
    std::string got;
    char buffer[65536];
    int n;
    while ((n = recv(stuck, buffer, sizeof buffer, 0)) > 0) got.append(buffer, static_cast<size_t>(n));
    EXPECT_TRUE(n == 0 || WSAGetLastError() == WSAECONNRESET) << "error " << WSAGetLastError();
    size_t answers = 0;
    for (size_t at = got.find("HTTP/1.1 200"); at != std::string::npos; at = got.find("HTTP/1.1 200", at + 1))
        ++answers;
    EXPECT_GT(answers, 0u);
    EXPECT_LT(answers, 600u);
    closesocket(stuck);
    EXPECT_TRUE(IsWindowVisible(window));
    std::string answer = Get("/state.json");
    EXPECT_EQ(answer.compare(0, 12, "HTTP/1.1 200"), 0) << answer;
    for (const std::string &line : LogLines()) EXPECT_FALSE(Has(line, "Error web view")) << line;
}

// A live save that changes the port moves the view: the old port is free,
// the new one serves.
TEST_F(Web, ALiveSaveThatChangesThePortMovesTheView) {
    ASSERT_NE(Start("WatchConfig=1\n"), nullptr);
    Write("Moving");
    EXPECT_EQ(Get("/state.json").compare(0, 12, "HTTP/1.1 200"), 0);
    WriteConfig("Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\nWatchConfig=1\nWebPort=" +
                std::to_string(kPort + 1) + "\n");
    Sleep(1100);
    Write("a");
    Sleep(600);
    Write("b");
    SOCKET old = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to = Loopback(kPort);
    EXPECT_NE(connect(old, reinterpret_cast<sockaddr *>(&to), sizeof to), 0) << "the old port is free";
    closesocket(old);
    SOCKET moved = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    to = Loopback(kPort + 1);
    ASSERT_EQ(connect(moved, reinterpret_cast<sockaddr *>(&to), sizeof to), 0);
    std::string request = "GET /state.json HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(kPort + 1) +
                          "\r\n\r\n";
    send(moved, request.data(), static_cast<int>(request.size()), 0);
    std::string answer;
    Read(moved, &answer);
    closesocket(moved);
    EXPECT_EQ(answer.compare(0, 12, "HTTP/1.1 200"), 0) << answer;
    int serving = 0;
    for (const std::string &line : LogLines()) serving += Has(line, "Web view serving");
    EXPECT_EQ(serving, 2);
}

} // namespace

namespace {

// With TransparentColor= the picture's pixels of that colour, and only
// those, are see-through: an overlay shows the text alone.
TEST_F(Web, ThePicturesColourKeyIsSeeThrough) {
    ASSERT_NE(Start("TransparentColor=255 0 255\nLine1FontBkColor=255 0 255\n"), nullptr);
    Write("Keyed");
    std::vector<COLORREF> pixels = PngPixels(CheckPng(Body(Get("/display.png"))));
    ASSERT_FALSE(pixels.empty());
    int seeThrough = 0, shown = 0;
    for (COLORREF pixel : pixels) {
        const bool keyed = (pixel & 0xFFFFFF) == RGB(255, 0, 255);
        EXPECT_EQ(pixel >> 24, keyed ? 0u : 255u) << std::hex << pixel;
        if (HasFailure()) break;
        (keyed ? seeThrough : shown) += 1;
    }
    EXPECT_GT(seeThrough, 0);
    EXPECT_GT(shown, 0);
}

} // namespace
