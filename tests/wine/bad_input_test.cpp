// Bad files beside the real DLL under Wine: configurations of garbage,
// broken and huge pictures, impossible window sizes, record files that
// cannot be written. The host must run to its end, the log must say what
// failed, and what the driver draws afterwards must show in its capture.
#include "wine_support.h"

#include <cstdio>
#include <cstdint>

namespace {

// Appended to every configuration: row 1 shows a red glyph at (20, 10) in a
// 16 x 20 cell, whose blocks cover (22, 12) to (32, 28) of the client area,
// and every repaint is captured to cap.bmp.
const char kGoodConfig[] = "Debug=1\nWidth=240\nHeight=140\nRecord=1\nRecordInterval=0\n"
                           "RecordFile=cap.bmp\nLine1X=20\nLine1Y=10\nLine1FontHeight=20\n"
                           "Line1FontWidth=16\nLine1FontColor=255 0 0\n";
// Defines glyph 1 as a full block and shows it alone in row 1.
const char kShowBlock[] = "\"init 0 0\" \"char 1 31 31 31 31 31 31 31 31\" \"pause 50\" "
                          "\"goto 1 1\" \"write \\x01\"";
const COLORREF kRed = RGB(255, 0, 0);

class BadFiles : public HostFolder {
  protected:
    // Runs the host with kShowBlock; the capture must show the block, and
    // around it `background`.
    void ExpectShowsBlock(COLORREF background) {
        HostRun run = RunHost(kShowBlock);
        ASSERT_FALSE(run.timedOut);
        ASSERT_EQ(run.exitCode, 0u) << run.output;
        CaptureFile c = ReadCapture(ReadFile("cap.bmp"));
        ASSERT_TRUE(c.valid) << run.output;
        EXPECT_EQ(c.At(22, 12), kRed) << std::hex << c.At(22, 12);
        EXPECT_EQ(c.At(32, 28), kRed) << std::hex << c.At(32, 28);
        for (const POINT &p :
             {POINT{21, 20}, POINT{33, 20}, POINT{27, 11}, POINT{27, 29}, POINT{150, 80}})
            EXPECT_TRUE(Near(c.At(p.x, p.y), background, 8))
                << p.x << "," << p.y << ": " << std::hex << c.At(p.x, p.y);
    }
    void Remove(const std::string &relative) {
        SetFileAttributesA(Path(relative).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(Path(relative).c_str());
    }
    int Logged(const std::string &line) const {
        int n = 0;
        for (const std::string &l : LogLines()) n += l == line;
        return n;
    }
    int LoggedStarting(const std::string &start) const {
        int n = 0;
        for (const std::string &l : LogLines()) n += l.compare(0, start.size(), start) == 0;
        return n;
    }
    std::string TestData(const std::string &name) const {
        std::string path = std::string(TAVLORA_SOURCE_DIR) + "/tests/data/" + name;
        HANDLE file =
            CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        std::string bytes;
        if (file == INVALID_HANDLE_VALUE) return bytes;
        char buffer[65536];
        DWORD got;
        while (::ReadFile(file, buffer, sizeof buffer, &got, NULL) && got > 0)
            bytes.append(buffer, got);
        CloseHandle(file);
        return bytes;
    }
};

// A repeatable stream of bytes, every value from 0 to 255 among them
// (Ctrl-Z, 0x1A, included).
std::string Garbage(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (char &c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 23);
    }
    return bytes;
}

TEST_F(BadFiles, ConfigurationsOfGarbageAreReadToTheirEnd) {
    const char nul[] = "Line1X=\000300\nLine1\000Y=300\n\000Record=0\n\000\000\nWidth=9\000"
                       "9\n";
    const struct {
        const char *what;
        std::string text;
    } cases[] = {
        {"binary garbage", Garbage(64 * 1024)},
        {"Ctrl-Z", "/ an editor of old ended its files so\n\x1A\n"},
        {"NUL bytes", std::string(nul, sizeof nul - 1)},
        {"one line of 1 MiB", "Line1Y=" + std::string(1 << 20, '7')},
        {"a font name of 255 characters", "Line1FontName=" + std::string(255, 'F')},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Remove("cap.bmp");
        // The good lines come after the bad ones: they must still be read.
        WriteConfig(c.text + "\n" + kGoodConfig);
        ExpectShowsBlock(RGB(0, 0, 0));
    }
}

// The picture is read once a process, when the window is made.
TEST_F(BadFiles, PicturesThatCannotLoadAreLoggedAndTheRowsDrawOnBlack) {
    const std::string corners = TestData("corners.jpg");
    ASSERT_FALSE(corners.empty());
    const struct {
        const char *what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"truncated", corners.substr(0, corners.size() / 2)},
        {"not a JPEG", "GIF89a: not a JPEG"},
    };
    WriteConfig(kGoodConfig);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Remove("cap.bmp");
        WriteFile("images\\Tavlora.jpg", c.bytes);
        ExpectShowsBlock(RGB(0, 0, 0));
        EXPECT_EQ(LoggedStarting("Error images\\Tavlora.jpg is "), 1) << ReadFile("logs\\Tavlora.log");
        EXPECT_EQ(Logged("Lost the Picture 1 So cant display it"), 1);
    }
}

TEST_F(BadFiles, APictureOf4000By4000PixelsShowsItsTopLeftCorner) {
    CopyTestData("flat-4000.jpg", "images\\Tavlora.jpg");
    WriteConfig(kGoodConfig);
    ExpectShowsBlock(RGB(0x90, 0x90, 0x90));
    EXPECT_EQ(Logged("LoadPicture Appears to have loaded"), 1);
    EXPECT_EQ(LoggedStarting("Error "), 0) << ReadFile("logs\\Tavlora.log");
}

// The window is made once, at the configured size: the checks are that the
// host runs on, repaints go on and every write is still captured.
TEST_F(BadFiles, WindowSizesOfZeroAndBelowRepaintAndCaptureOn) {
    const int sizes[][2] = {{0, 0}, {0, 140}, {240, 0}, {-240, 140}, {240, -1}, {INT32_MIN, -5}};
    for (const auto &size : sizes) {
        char config[160];
        snprintf(config, sizeof config,
                 "Debug=1\nWidth=%d\nHeight=%d\nRecord=1\nRecordInterval=0\nRecordFile=cap.bmp\n",
                 size[0], size[1]);
        SCOPED_TRACE(config);
        Remove("cap.bmp");
        WriteConfig(config);
        HostRun run = RunHost("\"init 0 0\" \"pause 50\" \"write one\" \"pause 50\" "
                              "\"write \\x01two\" window");
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        EXPECT_NE(run.output.find("window found=1"), std::string::npos) << run.output;
        EXPECT_EQ(LoggedStarting("Lost the Picture So cant display it"), 1) << "once while it lasts";
        EXPECT_EQ(LoggedStarting("Capture cap.bmp"), 3) << "at the start, then at each write";
        EXPECT_TRUE(ReadCapture(ReadFile("cap.bmp")).valid);
        // The one error a size may bring is the repaint's bitmap.
        int errors = LoggedStarting("Error ");
        int expected = 1 + LoggedStarting("Error Error from CreateCompatibleBitmap : ");
        EXPECT_EQ(errors, expected) << ReadFile("logs\\Tavlora.log");
    }
}

TEST_F(BadFiles, RecordFilesThatCannotBeWrittenAreLogged) {
    CreateDirectoryA(Path("folder").c_str(), NULL);
    WriteFile("locked.bmp", "keep me");
    SetFileAttributesA(Path("locked.bmp").c_str(), FILE_ATTRIBUTE_READONLY);
    // The superuser writes read-only files under Wine: then that case is skipped.
    HANDLE probe =
        CreateFileA(Path("locked.bmp").c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    bool readOnlyHolds = probe == INVALID_HANDLE_VALUE;
    if (!readOnlyHolds) CloseHandle(probe);
    WriteFile("held.bmp", "held");
    HANDLE held =
        CreateFileA(Path("held.bmp").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    // The reason after " : " is the platform's own text.
    const char *const files[] = {"missing\\cap.bmp", "folder", "locked.bmp", "held.bmp"};
    for (const std::string file : files) {
        SCOPED_TRACE(file);
        if (file == "locked.bmp" && !readOnlyHolds) {
            printf("read-only files are writable here (superuser): that case is skipped\n");
            continue;
        }
        WriteConfig(kGoodConfig + ("RecordFile=" + file + "\n"));
        HostRun run = RunHost("\"init 0 0\" \"pause 50\" \"write one\" \"pause 50\" \"write two\"");
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        // A file that cannot be made: at the start and at each write. A
        // target that cannot be replaced: once while it lasts. The
        // temporary file is gone each time.
        bool missing = file == "missing\\cap.bmp";
        EXPECT_EQ(LoggedStarting("Error CaptureAnImage CreateFile failed : "), missing ? 3 : 0)
            << ReadFile("logs\\Tavlora.log");
        EXPECT_EQ(LoggedStarting("Error CaptureAnImage cannot replace " + file + " "), missing ? 0 : 1)
            << ReadFile("logs\\Tavlora.log");
        EXPECT_FALSE(Exists(file + ".tmp"));
        EXPECT_EQ(LoggedStarting("Lost the Picture So cant display it"), 1) << "once while it lasts";
        // Nothing of the failure stays: the next run, recording to cap.bmp, shows the block.
        WriteConfig(kGoodConfig);
        Remove("cap.bmp");
        ExpectShowsBlock(RGB(0, 0, 0));
    }
    CloseHandle(held);
    EXPECT_FALSE(Exists("missing"));
    EXPECT_EQ(ReadFile("locked.bmp"), "keep me");
    EXPECT_EQ(ReadFile("held.bmp"), "held");
}

} // namespace
