// The real DLL through a host's life: closed by its button, stopped,
// unloaded and loaded again; minimised, hidden, covered, and far too large.
#include "wine_support.h"

#include <cstdio>

namespace {

using Lifecycle = HostFolder;

bool Has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// The "window ..." lines of the host's output, in order.
std::vector<std::string> WindowLines(const std::string &output) {
    std::vector<std::string> lines;
    for (size_t at = output.find("window found="); at != std::string::npos;
         at = output.find("window found=", at + 1))
        lines.push_back(output.substr(at, output.find('\n', at) - at));
    return lines;
}

const char kRow[] = "Line1X=0\nLine1Y=0\nLine1FontHeight=20\nLine1FontWidth=10\n"
                    "Line1FontColor=255 255 255\nLine1FontBkColor=0 0 255\n";

TEST_F(Lifecycle, CloseDoneUnloadLoadAndInitGiveAWorkingWindow) {
    WriteConfig(std::string("Debug=1\nEndHostOnClose=0\nWidth=320\nHeight=200\nRecord=1\n"
                            "RecordInterval=100\nRecordFile=f-#.bmp\n") + kRow);
    CopyTestData("corners.jpg", "images\\Tavlora.jpg");
    HostRun run = RunHost("\"init 0 0\" \"write first\" close \"write x\" done reload "
                          "\"init 0 0\" \"write second\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Has(run.output, "reload freed=1 loaded=1")) << run.output;
    std::vector<std::string> windows = WindowLines(run.output);
    ASSERT_EQ(windows.size(), 1u) << run.output;
    EXPECT_TRUE(Has(windows[0], "found=1")) << windows[0];
    EXPECT_TRUE(Has(windows[0], "visible=1")) << windows[0];
    // The log of the driver loaded again: its class made anew, nothing wrong.
    std::vector<std::string> log = LogLines();
    ASSERT_FALSE(log.empty());
    for (const std::string &line : log) {
        EXPECT_FALSE(Has(line, "Error")) << line;
        EXPECT_FALSE(Has(line, "registered already")) << line;
    }
    // Each start recorded at once; the second went on numbering.
    CaptureFile first = ReadCapture(ReadFile("f-1.bmp"));
    CaptureFile second = ReadCapture(ReadFile("f-2.bmp"));
    ASSERT_TRUE(first.valid && second.valid);
    EXPECT_TRUE(Near(second.At(1, 1), RGB(0, 0, 255), 8));
}

// A recording is a picture of the display: hidden or minimised, the window
// records the row's blue background, not black.
TEST_F(Lifecycle, HiddenAndMinimisedWindowsRecordTheDisplayAndComeBack) {
    WriteConfig(std::string("DontShowWindow=1\nWidth=320\nHeight=200\nRecord=1\n"
                            "RecordInterval=-1\nRecordFile=hidden.bmp\n") + kRow);
    HostRun run = RunHost("\"init 0 0\" \"write hidden\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    CaptureFile hidden = ReadCapture(ReadFile("hidden.bmp"));
    ASSERT_TRUE(hidden.valid);
    EXPECT_TRUE(Near(hidden.At(1, 1), RGB(0, 0, 255), 8));
    EXPECT_TRUE(Has(run.output, "visible=0")) << run.output;

    WriteConfig(std::string("Width=320\nHeight=200\nRecord=1\nRecordInterval=-1\n"
                            "RecordFile=small.bmp\n") + kRow);
    run = RunHost("\"init 0 0\" \"write a\" minimize \"goto 1 1\" \"write a\" window "
                  "\"write b\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Has(run.output, "minimize iconic=1")) << run.output;
    std::vector<std::string> windows = WindowLines(run.output);
    ASSERT_EQ(windows.size(), 2u) << run.output;
    EXPECT_TRUE(Has(windows[0], "iconic=1")) << "unchanged text: no repaint";
    EXPECT_TRUE(Has(windows[1], "iconic=0")) << "the next repaint restores it: " << windows[1];
    EXPECT_TRUE(Has(windows[1], "visible=1")) << windows[1];

    // A recording while it is minimised is the display at its own size.
    WriteConfig(std::string("Width=320\nHeight=200\nRecord=1\nRecordInterval=-1\n"
                            "RecordFile=minimised.bmp\n") + kRow);
    run = RunHost("\"init 0 0\" \"write a\" minimize \"goto 1 1\" \"write a\" window");
    EXPECT_TRUE(Has(run.output, "iconic=1")) << run.output;
    CaptureFile minimised = ReadCapture(ReadFile("minimised.bmp"));
    ASSERT_TRUE(minimised.valid);
    EXPECT_EQ(minimised.width, hidden.width);
    EXPECT_EQ(minimised.height, hidden.height);
    EXPECT_TRUE(Near(minimised.At(1, 1), RGB(0, 0, 255), 8));
}

// Covered by another window, the display still records what it shows:
// a change at once, and the same picture again while nothing changes.
using Covered = DriverInProcess;

TEST_F(Covered, ACoveredWindowRecordsTheDisplayAsItChangesAndAsItIs) {
    HWND window = StartDriver(std::string("EndHostOnClose=0\nX=0\nY=0\nWidth=320\nHeight=200\n"
                                          "Record=1\nRecordInterval=-1\nRecordFile=covered.bmp\n") +
                              kRow);
    ASSERT_NE(window, nullptr);
    RECT place;
    GetWindowRect(window, &place);
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE,
                                 place.left, place.top, place.right - place.left,
                                 place.bottom - place.top, NULL, NULL, NULL, NULL);
    ASSERT_NE(cover, nullptr);
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    position_(1, 1);
    Write("12345678");
    CaptureFile changed = ReadCapture(ReadFile("covered.bmp"));
    position_(1, 1);
    Write("12345678");
    CaptureFile same = ReadCapture(ReadFile("covered.bmp"));
    DestroyWindow(cover);
    ASSERT_TRUE(changed.valid && same.valid);
    EXPECT_TRUE(Near(changed.At(1, 1), RGB(0, 0, 255), 8)) << "the row's background";
    int text = 0; // the white text of eight characters, 80 pixels wide
    for (int x = 0; x < 80; ++x)
        for (int y = 0; y < 20; ++y) text += Near(changed.At(x, y), RGB(255, 255, 255), 8);
    EXPECT_GT(text, 40);
    EXPECT_EQ(same.bytes, changed.bytes);
}

// A window larger than the driver draws: the host goes on, the recording
// holds the top-left part, and the log says so once.
TEST_F(Lifecycle, AWindowFarTooLargeIsDrawnAndRecordedUpToTheLimit) {
    WriteConfig("Debug=1\nWatchConfig=1\nWidth=24000\nHeight=24000\nRecord=1\nRecordInterval=-1\n"
                "RecordFile=big.bmp\nLine1FontColor=255 255 0\n");
    WriteFile("displays\\huge.cfg", "Debug=1\nWatchConfig=1\nWidth=100000\nHeight=100000\n"
                                    "Record=1\nRecordInterval=-1\nRecordFile=big.bmp\n");
    HostRun run = RunHost("\"init 0 0\" \"write a\" \"write b\" "
                          "\"copy displays\\huge.cfg displays\\Tavlora.cfg\" \"pause 1700\" "
                          "\"write c\" \"pause 600\" \"write d\"",
                          120000);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    CaptureFile big = ReadCapture(ReadFile("big.bmp"));
    ASSERT_TRUE(big.valid);
    EXPECT_LE(big.width, 8192);
    EXPECT_LE(static_cast<long long>(big.width) * big.height, 16ll * 1024 * 1024);
    int reported = 0;
    for (const std::string &line : LogLines()) reported += Has(line, "Error The window's inside is");
    EXPECT_GE(reported, 1);
    EXPECT_LE(reported, 2) << "once while it lasts, at most once more for the new size";
}

} // namespace
