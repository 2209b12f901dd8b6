// The real DLL's size and place: a remembered place, a window kept on the
// screen, and a change of monitor DPI.
//
// The prefix is shared by the whole suite: a test that sets its DPI
// (LogPixels) puts it back. A change of monitor DPI is the host sending the
// window WM_DPICHANGED itself (Wine reports one DPI for every monitor).
#include "wine_support.h"


namespace {

using Placement = HostFolder;

TEST_F(Placement, AMovedWindowComesBackWhereItWasLeftAndTheFileKeepsItsLines) {
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
    std::string saved = config;
    saved.replace(saved.find("X=50"), 4, "X=210");
    saved.replace(saved.find("Y=60"), 4, "Y=170");
    EXPECT_EQ(ReadFile("displays\\Tavlora.cfg"), saved + "Zoom=100\r\n");
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
