// Recording the window to a bitmap file, and loading the background picture.
#include "config/config.h"
#include "driver/tavlora.h"
#include "record/capture.h"
#include "screen/picture.h"
#include "log/log.h"
#include "screen/kept_image.h"
#include "screen/rows.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Capture : public DriverTest {
  protected:
    // A window whose client area is exactly Width x Height.
    void Start(const std::string &config) {
        sim::set_frame(0, 0);
        sim::set_ticks(0);
        StartWith("Debug=1\nRecord=1\nRecordInterval=-1\n" + config);
    }
    // Nothing but the image the driver keeps of what its window shows.
    void ExpectNothingLeaked() {
        ReleaseKeptImage();
        ReleaseRowFonts();
        EXPECT_EQ(sim::live_gdi_objects(), 0);
        EXPECT_EQ(sim::live_dcs(), 0);
        EXPECT_EQ(sim::live_handles(), 0);
        EXPECT_EQ(sim::live_globals(), 0);
    }
    // The last "Error" line of the log, or "".
    std::string LastError() {
        std::vector<std::string> log = LogLines();
        for (size_t i = log.size(); i > 0; --i)
            if (log[i - 1].compare(0, 6, "Error ") == 0) return log[i - 1];
        return "";
    }
    bool Logged(const std::string &line) {
        for (const std::string &l : LogLines())
            if (l == line) return true;
        return false;
    }
};

using Picture = Capture;

TEST_F(Capture, SixteenByEightIsTheExampleFile) {
    Start("Width=16\nHeight=8\nRecordFile=cap.bmp\n");
    std::string file = ReadFile("cap.bmp");
    ASSERT_EQ(file.size(), 566u);
    const unsigned char header[54] = {
        0x42, 0x4D, 0x36, 0x02, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0, 0x28, 0, 0, 0,
        0x10, 0,    0,    0,    8, 0, 0, 0, 1, 0, 0x20, 0, 0, 0, 0, 0,    0, 0};
    EXPECT_EQ(memcmp(file.data(), header, sizeof header), 0);
    EXPECT_TRUE(Logged("Capture cap.bmp"));
    ExpectNothingLeaked();
}

TEST_F(Capture, PixelsAreStoredBottomRowFirstAsBlueGreenRed) {
    Start("Width=40\nHeight=30\nRecordFile=cap.bmp\n"
          "Line1X=0\nLine1Y=0\nLine1FontHeight=20\nLine1FontWidth=16\nLine1FontColor=255 0 0\n");
    DISPLAYDLL_SetPosition(1, 1);
    DISPLAYDLL_Write(const_cast<char *>("\xFF"));
    std::string file = ReadFile("cap.bmp");
    ASSERT_EQ(file.size(), 54u + 40 * 30 * 4);
    auto pixel = [&](int x, int y) { return file.substr(54 + ((29 - y) * 40 + x) * 4, 3); };
    EXPECT_EQ(pixel(2, 2), std::string("\x00\x00\xFF", 3)) << "red, top-left block";
    EXPECT_EQ(pixel(12, 18), std::string("\x00\x00\xFF", 3));
    EXPECT_EQ(file.substr(54, 3), std::string(3, '\0')) << "first: bottom-left, black";
    EXPECT_EQ(pixel(0, 29), file.substr(54, 3));
    EXPECT_EQ(sim::window_pixel(DisplayWindow, 2, 2), RGB(255, 0, 0));

    // The next capture replaces the file: the glyph is gone from it.
    DISPLAYDLL_SetPosition(1, 1);
    DISPLAYDLL_Write(const_cast<char *>(""));
    file = ReadFile("cap.bmp");
    ASSERT_EQ(file.size(), 54u + 40 * 30 * 4);
    EXPECT_EQ(pixel(2, 2), std::string(3, '\0'));
    ExpectNothingLeaked();
}

// A recording is a picture of the display, whatever the screen shows of
// the window: hidden, minimised or visible, the same bytes.
TEST_F(Capture, HiddenAndMinimisedWindowsRecordWhatTheDisplayShows) {
    const std::string config = "EndHostOnClose=0\nWidth=40\nHeight=30\nRecordFile=cap.bmp\n"
                               "Line1X=0\nLine1Y=0\nLine1FontHeight=20\nLine1FontWidth=16\n"
                               "Line1FontColor=255 0 0\n";
    Start(config);
    DISPLAYDLL_SetPosition(1, 1);
    DISPLAYDLL_Write(const_cast<char *>("\xFF"));
    const std::string shown = ReadFile("cap.bmp");
    ASSERT_EQ(shown.size(), 54u + 40 * 30 * 4);
    ASSERT_EQ(shown.substr(54 + (29 - 2) * 40 * 4 + 8, 3), std::string("\x00\x00\xFF", 3));

    ShowWindow(DisplayWindow, SW_MINIMIZE);
    ::unlink("cap.bmp");
    DISPLAYDLL_SetPosition(1, 1);
    DISPLAYDLL_Write(const_cast<char *>("\xFF")); // no change: recorded, not repainted
    EXPECT_TRUE(IsIconic(DisplayWindow));
    EXPECT_TRUE(ReadFile("cap.bmp") == shown) << "minimised";

    DISPLAYDLL_Done();
    Start("DontShowWindow=1\n" + config);
    DISPLAYDLL_SetPosition(1, 1);
    DISPLAYDLL_Write(const_cast<char *>("\xFF"));
    EXPECT_FALSE(IsWindowVisible(DisplayWindow));
    EXPECT_TRUE(ReadFile("cap.bmp") == shown) << "never shown";
    ExpectNothingLeaked();
}

// A window is made no wider than 8192 pixels; one made larger afterwards
// has its top-left part drawn and recorded, and the log says so once while
// it lasts.
TEST_F(Capture, AWindowTooLargeToDrawIsDrawnAndRecordedUpToTheLimitAndLoggedOnce) {
    Start("Width=9000\nHeight=20\nRecordFile=cap.bmp\nLine1FontColor=255 0 0\n");
    RECT made;
    GetWindowRect(DisplayWindow, &made);
    EXPECT_EQ(made.right - made.left, 8192);
    SetWindowPos(DisplayWindow, nullptr, 0, 0, 9000, 20, SWP_NOMOVE | SWP_NOZORDER);
    for (int i = 0; i < 3; ++i) DISPLAYDLL_Write(const_cast<char *>(i % 2 ? "a" : "b"));
    std::string file = ReadFile("cap.bmp");
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file.size(), 54u + 8192 * 20 * 4);
    EXPECT_EQ(sim::window_pixel(DisplayWindow, 8191, 0), RGB(0, 0, 0)) << "drawn";
    int reported = 0;
    for (const std::string &line : LogLines())
        reported += line.rfind("Error The window's inside is 9000 x 20 pixels: only its top-left "
                               "8192 x 20 are drawn", 0) == 0;
    EXPECT_EQ(reported, 1);
    ExpectNothingLeaked();
}

TEST_F(Capture, FailuresAreLoggedWriteNoFileAndLeakNothing) {
    Start("Width=20\nHeight=10\nRecordFile=cap.bmp\n");
    struct Case {
        const char *operation;
        const char *line;
    } cases[] = {
        {"CreateCompatibleDC", "Error Error from CreateCompatibleDC : "},
        {"CreateCompatibleBitmap", "Error Error from CreateCompatibleBitmap : "},
        {"GlobalAlloc", "Error Error from GlobalAlloc (the image's pixels) : "},
        {"GetDIBits", "Error Error from GetDIBits : "},
    };
    for (const Case &c : cases) {
        ::unlink("cap.bmp");
        sim::fail_call(c.operation, 1, ERROR_NOT_ENOUGH_MEMORY);
        CaptureAnImage(DisplayWindow, nullptr);
        int logged = 0;
        for (const std::string &line : LogLines()) logged += line.rfind(c.line, 0) == 0;
        EXPECT_EQ(logged, 1) << c.operation;
        EXPECT_FALSE(FileExists("cap.bmp")) << c.operation;
        ExpectNothingLeaked();
    }
    sim::clear_journal();
    CaptureAnImage(nullptr, nullptr);
    EXPECT_EQ(LogLines().back(), "CaptureAnImage no window");
    EXPECT_EQ(sim::journal().size(), 0u) << "no window: nothing touched";
}

TEST_F(Capture, AFileThatCannotBeCreatedIsLoggedAndRetried) {
    Start("Width=20\nHeight=10\nRecordFile=missing" PATH_SEP "cap.bmp\n");
    EXPECT_TRUE(Logged("Capture missing/cap.bmp"));
    EXPECT_TRUE(Logged("Error CaptureAnImage CreateFile failed : The system cannot find the path "
                       "specified.\r"));
    ExpectNothingLeaked();
    ::mkdir("missing", 0777);
    DISPLAYDLL_Write(const_cast<char *>("x"));
    EXPECT_EQ(ReadFile("missing/cap.bmp").size(), 54u + 20 * 10 * 4);

    WriteConfig("Debug=1\nRecord=1\nRecordInterval=-1\nRecordFile=\n");
    char ok;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    EXPECT_TRUE(Logged("Capture "));
    ExpectNothingLeaked();
}

TEST_F(Picture, LoadsOnceWithItsProgressLinesAndDrawsUpright) {
    WriteFile("images/Tavlora.jpg", ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/tests/data/corners.jpg"));
    Start("Width=300\nHeight=200\nRecord=0\n"); // the rows' text stands at the top left
    std::vector<std::string> log = LogLines();
    std::vector<std::string> progress;
    for (const std::string &l : log)
        if (l.compare(0, 12, "LoadPicture ") == 0) progress.push_back(l.substr(12));
    EXPECT_EQ(progress, (std::vector<std::string>{"File Open", "Got file size", "Allocated memory",
                                                  "Appears to have loaded"}));
    ASSERT_NE(ScreenPicture.picture, nullptr);
    EXPECT_EQ(ScreenPicture.width, 5292); // 200 pixels at 96 dots per inch
    EXPECT_EQ(ScreenPicture.height, 2646);
    auto near = [](COLORREF a, COLORREF b) {
        return abs(GetRValue(a) - GetRValue(b)) < 40 && abs(GetGValue(a) - GetGValue(b)) < 40 &&
               abs(GetBValue(a) - GetBValue(b)) < 40;
    };
    EXPECT_TRUE(near(sim::window_pixel(DisplayWindow, 4, 40), RGB(255, 0, 0)));
    EXPECT_TRUE(near(sim::window_pixel(DisplayWindow, 195, 40), RGB(0, 255, 0)));
    EXPECT_TRUE(near(sim::window_pixel(DisplayWindow, 4, 95), RGB(0, 0, 255)));
    EXPECT_TRUE(near(sim::window_pixel(DisplayWindow, 195, 95), RGB(255, 255, 0)));
    EXPECT_EQ(sim::window_pixel(DisplayWindow, 250, 150), RGB(0, 0, 0)) << "outside the picture";
    EXPECT_EQ(sim::live_handles(), 0);
    EXPECT_EQ(sim::live_globals(), 0) << "the stream gave its block back";
    EXPECT_EQ(sim::live_pictures(), 1);
}

TEST_F(Picture, EveryFailureIsLoggedAndGivesEverythingBack) {
    std::string jpeg = ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/tests/data/corners.jpg");
    WriteFile("images/Tavlora.jpg", jpeg);
    DebugLevel = 1;
    struct Case {
        const char *operation;
        const char *prefix;
    } cases[] = {
        {"CreateFileA", "LoadPicture CreateFile failed"},
        {"GetFileSize", "LoadPicture GetFileSize failed"},
        {"GlobalAlloc", "LoadPicture GlobalAlloc failed"},
        {"GlobalLock", "LoadPicture GlobalLock failed"},
        {"ReadFile", "LoadPicture ReadFile failed"},
        {"CreateStreamOnHGlobal", "LoadPicture CreateStreamOnHGlobal failed"},
        {"OleLoadPicture", "LoadPicture OleLoadPicture failed"},
    };
    for (const Case &c : cases) {
        IPicture *picture = nullptr;
        LONG width = -7, height = -7;
        sim::fail_call(c.operation, 1, ERROR_ACCESS_DENIED);
        LoadPicture("images" PATH_SEP "Tavlora.jpg", &picture, &width, &height);
        std::string last = LastError();
        EXPECT_EQ(last.substr(0, 6 + strlen(c.prefix)), std::string("Error ") + c.prefix)
            << c.operation;
        EXPECT_NE(last.find(" : "), std::string::npos);
        EXPECT_EQ(picture, nullptr) << c.operation;
        EXPECT_EQ(width, -7) << c.operation;
        EXPECT_EQ(sim::live_handles(), 0) << c.operation;
        EXPECT_EQ(sim::live_globals(), 0) << c.operation;
        EXPECT_EQ(sim::live_pictures(), 0) << c.operation;
        sim::clear_faults();
        WriteLog("next", "case");
    }
}

TEST_F(Picture, MissingEmptyAndForeignFilesLoadNothing) {
    DebugLevel = 1;
    IPicture *picture = nullptr;
    LONG width = 0, height = 0;
    LoadPicture("images" PATH_SEP "Tavlora.jpg", &picture, &width, &height);
    EXPECT_EQ(picture, nullptr);
    EXPECT_EQ(LastError().substr(0, 35), "Error LoadPicture CreateFile failed");
    std::vector<std::string> log;

    // Each says what the file is, in one line.
    const struct {
        std::string content;
        const char *line;
    } files[] = {{"", "Error images/Tavlora.jpg is empty"},
                 {"GIF89a not a jpeg at all", "Error images/Tavlora.jpg is damaged"},
                 {"<html>not a picture</html>",
                  "Error images/Tavlora.jpg is not a JPEG, BMP or GIF picture"}};
    for (const auto &file : files) {
        WriteFile("images/Tavlora.jpg", file.content);
        size_t before = LogLines().size();
        LoadPicture("images" PATH_SEP "Tavlora.jpg", &picture, &width, &height);
        EXPECT_EQ(picture, nullptr);
        log = LogLines();
        int errors = 0;
        for (size_t i = before; i < log.size(); ++i) errors += log[i].compare(0, 6, "Error ") == 0;
        EXPECT_EQ(errors, 1) << "one failure line";
        EXPECT_EQ(log.back(), file.line);
        EXPECT_EQ(sim::live_globals(), 0);
        EXPECT_EQ(sim::live_handles(), 0);
    }
    EXPECT_EQ(log[log.size() - 4], "LoadPicture File Open");
    EXPECT_EQ(log[log.size() - 2], "LoadPicture Allocated memory");

    // A window without a picture still comes up.
    sim::set_frame(0, 0);
    WriteConfig("Debug=1\nWidth=50\nHeight=20\n");
    char ok = 0;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_TRUE(Logged("Lost the Picture 1 So cant display it"));
    EXPECT_TRUE(Logged("Lost the Picture So cant display it"));
}

TEST_F(Picture, ASecondLoadReplacesThePicture) {
    IPicture *picture = nullptr;
    LONG width = 0, height = 0;
    WriteFile("images/a.jpg", ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/tests/data/corners.jpg"));
    WriteFile("images/b.jpg", ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/images/Tavlora.jpg"));
    LoadPicture("images" PATH_SEP "a.jpg", &picture, &width, &height);
    LoadPicture("images" PATH_SEP "b.jpg", &picture, &width, &height);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(width, MulDiv(640, 2540, 96));
    EXPECT_EQ(height, MulDiv(240, 2540, 96));
    EXPECT_EQ(sim::live_pictures(), 1);
    picture->Release();
}

} // namespace
