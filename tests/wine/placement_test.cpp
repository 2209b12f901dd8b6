// The real DLL's size and place: a remembered place (also while another
// program saves the configuration), a window kept on the screen, and a
// change of monitor DPI.
//
// The prefix is shared by the whole suite: a test that sets its DPI
// (LogPixels) puts it back. A change of monitor DPI is the host sending the
// window WM_DPICHANGED itself (Wine reports one DPI for every monitor).
#include "wine_support.h"


namespace {

using Placement = HostFolder;

TEST_F(Placement, AMovedWindowComesBackWhereItWasLeftAndTheConfigurationIsNotWritten) {
    const std::string config = "Debug=1\r\n// my display\r\nEndHostOnClose=0\r\nRememberPlace=1\r\n"
                               "X=50\r\nY=60\r\nWidth=320\r\nHeight=200\r\nsomething unknown\r\n";
    WriteConfig(config);
    HostRun run = RunHost("\"init 0 0\" \"write a\" \"move 210 170\" \"write b\" done "
                          "\"init 0 0\" \"write c\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("move moved=1 posted=1"), std::string::npos) << run.output;
    std::vector<RECT> rects = WindowRects(run.output);
    ASSERT_EQ(rects.size(), 1u) << run.output;
    EXPECT_EQ(rects[0].left, 210);
    EXPECT_EQ(rects[0].top, 170);
    EXPECT_EQ(rects[0].right - rects[0].left, 320);
    EXPECT_EQ(ReadFile("displays\\Tavlora.cfg"), config);
    std::string place = ReadFile("displays\\Tavlora.place");
    EXPECT_NE(place.find("\nX=210\r\nY=170\r\nZoom=100\r\n"), std::string::npos) << place;
    EXPECT_FALSE(Exists("displays\\Tavlora.place.tmp"));
}

// Another program saving the configuration every 20 ms, by turns in two
// parts and as editors do (a new file moved over it). Each of its saves is
// looked at just before its next one, and the last at the end: every one
// must still be there byte for byte.
struct Saver {
    std::string path;
    std::string text; // the configuration; each save adds a numbered comment
    volatile LONG stop = 0;
    int saves = 0;
    int lost = 0;
    std::string firstLost;
};

std::string ReadShared(const std::string &path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return "(cannot be read)";
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, NULL) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    return text;
}

bool WriteShared(const std::string &path, const std::string &text, bool inTwoParts) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD half = static_cast<DWORD>(text.size() / 2), written = 0, rest = 0;
    bool ok = WriteFile(file, text.data(), half, &written, NULL) != 0;
    if (inTwoParts) Sleep(3);
    ok = ok && WriteFile(file, text.data() + half, static_cast<DWORD>(text.size()) - half, &rest,
                         NULL) &&
         written + rest == text.size();
    return CloseHandle(file) && ok;
}

DWORD WINAPI SaveEvery20Ms(void *context) {
    Saver &s = *static_cast<Saver *>(context);
    std::string last;
    auto look = [&]() {
        std::string now = ReadShared(s.path);
        if (last.empty() || now == last) return;
        if (s.lost++ == 0) s.firstLost = "save " + std::to_string(s.saves) + " became:\n" + now;
    };
    while (!s.stop) {
        look();
        std::string text = s.text + "// save " + std::to_string(s.saves + 1) + "\r\n";
        bool saved = s.saves % 2 == 0
                         ? WriteShared(s.path, text, true)
                         : WriteShared(s.path + ".new", text, false) &&
                               MoveFileExA((s.path + ".new").c_str(), s.path.c_str(),
                                           MOVEFILE_REPLACE_EXISTING);
        if (saved) {
            last = text;
            ++s.saves;
        }
        Sleep(20);
    }
    look();
    return 0;
}

TEST_F(Placement, TheRememberedPlaceSurvivesAnotherProgramSavingTheConfiguration) {
    Saver saver;
    saver.path = Path("displays\\Tavlora.cfg");
    saver.text = "Debug=1\r\nEndHostOnClose=0\r\nRememberPlace=1\r\nWatchConfig=1\r\nPicture=\r\n"
                 "X=50\r\nY=60\r\nWidth=320\r\nHeight=200\r\n";
    WriteConfig(saver.text);
    HANDLE thread = CreateThread(NULL, 0, SaveEvery20Ms, &saver, 0, NULL);
    ASSERT_NE(thread, nullptr);
    HostRun run = RunHost("\"init 0 0\" \"repeat 100 move 210 170 ; pause 5 ; write a ; "
                          "move 220 180 ; pause 5 ; write b\" done \"init 0 0\" \"write c\" window",
                          60000);
    InterlockedExchange(&saver.stop, 1);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_GE(saver.saves, 20);
    EXPECT_EQ(saver.lost, 0) << saver.firstLost;
    std::vector<RECT> rects = WindowRects(run.output);
    ASSERT_EQ(rects.size(), 1u) << run.output;
    EXPECT_EQ(rects[0].left, 220);
    EXPECT_EQ(rects[0].top, 180);
    std::string place = ReadFile("displays\\Tavlora.place");
    EXPECT_NE(place.find("\nX=220\r\nY=180\r\nZoom=100\r\n"), std::string::npos) << place;
}

TEST_F(Placement, AWindowFarOffTheScreenIsKeptOnIt) {
    WriteConfig("KeepOnScreen=1\nX=-5000\nY=40\nWidth=320\nHeight=200\n");
    HostRun run = RunHost("\"init 0 0\" \"write a\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    std::vector<RECT> rects = WindowRects(run.output);
    ASSERT_EQ(rects.size(), 1u) << run.output;
    EXPECT_GE(rects[0].left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_LE(rects[0].right, GetSystemMetrics(SM_XVIRTUALSCREEN) +
                                  GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(rects[0].top, 40);
}

TEST_F(Placement, AChangeOfMonitorDpiTakesTheSuggestedRectangleAndScalesTheRows) {
    WriteConfig("Debug=1\nFollowDpi=1\nPicture=\nX=30\nY=40\nWidth=320\nHeight=200\n"
                "Record=1\nRecordInterval=-1\nRecordFile=dpi.bmp\n"
                "Line1X=0\nLine1Y=0\nLine1FontHeight=20\nLine1FontWidth=10\n"
                "Line1FontColor=255 255 255\nLine1FontBkColor=0 0 255\n");
    HostRun run = RunHost("\"init 0 0\" \"write AAAA\" window \"dpi 144\" \"write BBBB\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("dpi sent=1"), std::string::npos) << run.output;
    std::vector<RECT> rects = WindowRects(run.output);
    ASSERT_EQ(rects.size(), 2u) << run.output;
    EXPECT_EQ(rects[0].right - rects[0].left, 320);
    EXPECT_EQ(rects[1].left, 30);
    EXPECT_EQ(rects[1].right - rects[1].left, 480) << "the suggested rectangle";
    EXPECT_EQ(rects[1].bottom - rects[1].top, 300);
    // The row is drawn 1.5 x as tall: its background 30 pixels, not 20.
    CaptureFile capture = ReadCapture(ReadFile("dpi.bmp"));
    ASSERT_TRUE(capture.valid);
    EXPECT_GT(capture.width, 320 + 100);
    EXPECT_TRUE(Near(capture.At(1, 26), RGB(0, 0, 255), 8));
    EXPECT_FALSE(Near(capture.At(1, 34), RGB(0, 0, 255), 8));
    bool logged = false;
    for (const std::string &line : LogLines()) logged = logged || line == "Window 144 DPI";
    EXPECT_TRUE(logged);
}

// The system's DPI as Wine reads it at a program's start: the value the
// user sets in winecfg. Each test that changes it puts it back.
class SystemDpi {
  public:
    explicit SystemDpi(DWORD dpi) {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, NULL, 0, KEY_ALL_ACCESS,
                        NULL, &key_, NULL);
        DWORD size = sizeof kept_;
        had_ = RegQueryValueExA(key_, "LogPixels", NULL, NULL, reinterpret_cast<BYTE *>(&kept_),
                                &size) == ERROR_SUCCESS;
        RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&dpi),
                       sizeof dpi);
    }
    ~SystemDpi() {
        if (had_)
            RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&kept_),
                           sizeof kept_);
        else
            RegDeleteValueA(key_, "LogPixels");
        RegCloseKey(key_);
    }

  private:
    HKEY key_ = NULL;
    DWORD kept_ = 96;
    bool had_ = false;
};

// Rows of a colour in a recording: the height of their bounding box.
int HeightOf(const CaptureFile &capture, COLORREF colour) {
    int top = -1, bottom = -1;
    for (int y = 0; y < capture.height; ++y)
        for (int x = 0; x < capture.width; ++x)
            if (Near(capture.At(x, y), colour, 8)) {
                if (top < 0) top = y;
                bottom = y;
            }
    return top < 0 ? 0 : bottom - top + 1;
}

// At 144 DPI the display is 1.5 x as many pixels, drawn sharp: the inside
// and a custom character's block both 1.5 x what they are at 96.
TEST_F(Placement, OnA144DpiScreenTheDisplayIsOneAndAHalfTimesAsLarge) {
    WriteConfig("FollowDpi=1\nPicture=\nX=30\nY=40\nWidth=320\nHeight=200\nRecord=1\n"
                "RecordInterval=-1\nRecordFile=dpi.bmp\nLine1X=4\nLine1Y=4\n"
                "Line1FontHeight=32\nLine1FontWidth=16\nLine1FontColor=255 0 0\n");
    CaptureFile at[2];
    const DWORD dpis[2] = {96, 144};
    for (int i = 0; i < 2; ++i) {
        SystemDpi system(dpis[i]);
        HostRun run = RunHost("\"init 0 0\" \"write \\xFF\"");
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        at[i] = ReadCapture(ReadFile("dpi.bmp"));
        ASSERT_TRUE(at[i].valid) << dpis[i];
    }
    EXPECT_NEAR(at[1].width, at[0].width * 3 / 2, 2);
    EXPECT_NEAR(at[1].height, at[0].height * 3 / 2, 2);
    int block = HeightOf(at[0], RGB(255, 0, 0)), large = HeightOf(at[1], RGB(255, 0, 0));
    ASSERT_GT(block, 0);
    EXPECT_NEAR(large, block * 3 / 2, 2) << block;
}

} // namespace
