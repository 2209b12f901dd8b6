// The live web view of the real DLL, loaded into this program: a Winsock
// client here asks it over loopback while the test, as the host, writes.
#include <winsock2.h>

#include "wine_support.h"

#include <cstring>

namespace {

const int kPort = 18431;

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
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_port = htons(kPort);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_port = htons(kPort);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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
