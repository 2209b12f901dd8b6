// The display window of the real DLL under Wine: creation, messages,
// repaints, recording and what the recorded image shows.
#include "wine_support.h"

#include <cstdio>

namespace {

using DisplayWindow = HostFolder;

bool Has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

int Count(const std::string &text, const std::string &part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Parses the host's "window ..." line.
struct WindowLine {
    int found = 0, visible = -1;
    unsigned long style = 0;
    long left = 0, top = 0, right = 0, bottom = 0, clientWidth = 0, clientHeight = 0;
};
WindowLine ParseWindow(const std::string &output) {
    WindowLine w;
    size_t at = output.find("window found=");
    if (at != std::string::npos)
        sscanf(output.c_str() + at,
               "window found=%d style=0x%lX rect=%ld,%ld,%ld,%ld client=%ldx%ld visible=%d",
               &w.found, &w.style, &w.left, &w.top, &w.right, &w.bottom, &w.clientWidth,
               &w.clientHeight, &w.visible);
    return w;
}

TEST_F(DisplayWindow, IsAPopupAtTheConfiguredRectangle) {
    WriteConfig("X=50\nY=60\nWidth=320\nHeight=200\n");
    HostRun run = RunHost("\"init 0 0\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Has(run.output, "ok=1")) << run.output;
    WindowLine w = ParseWindow(run.output);
    EXPECT_EQ(w.found, 1) << run.output;
    EXPECT_EQ(w.style & ~(WS_VISIBLE | WS_CLIPSIBLINGS), 0x80C80000ul) << run.output;
    EXPECT_EQ(w.left, 50);
    EXPECT_EQ(w.top, 60);
    EXPECT_EQ(w.right, 370);
    EXPECT_EQ(w.bottom, 260);
    EXPECT_EQ(w.visible, 1);
    EXPECT_GT(w.clientWidth, 0);
    EXPECT_LT(w.clientWidth, 320) << "the border takes its share";
    EXPECT_LT(w.clientHeight, 200 - 10) << "the title bar takes its share";
}

TEST_F(DisplayWindow, DontShowWindowKeepsItHiddenThroughRepaints) {
    WriteConfig("Width=200\nHeight=100\nDontShowWindow=1\n");
    HostRun run = RunHost("\"init 0 0\" \"write changed\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    WindowLine w = ParseWindow(run.output);
    EXPECT_EQ(w.found, 1) << run.output;
    EXPECT_EQ(w.visible, 0) << run.output;
}

TEST_F(DisplayWindow, DoneEndsTheHostWithStatusZero) {
    WriteConfig("Debug=1\nWidth=200\nHeight=100\n");
    HostRun run = RunHost("\"init 0 0\" done \"write never\"");
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_FALSE(Has(run.output, "done returned")) << run.output;
    std::vector<std::string> log = LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "**** Done Called **** Closing");
}

TEST_F(DisplayWindow, ACloseRequestEndsTheHostDuringTheNextWrite) {
    WriteConfig("Width=200\nHeight=100\n");
    HostRun run = RunHost("\"init 0 0\" close \"write one\" \"write two\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Has(run.output, "close posted=1")) << run.output;
    EXPECT_FALSE(Has(run.output, "write \"one\"")) << run.output;
}

TEST_F(DisplayWindow, TheHostsQuitMessageStaysInItsQueue) {
    WriteConfig("Width=200\nHeight=100\n");
    HostRun before = RunHost("\"postquit 7\" \"write x\" checkquit");
    EXPECT_TRUE(Has(before.output, "quit message present code=7")) << before.output;
    HostRun after = RunHost("\"init 0 0\" \"postquit 8\" \"write x\" \"goto 1 1\" checkquit");
    EXPECT_TRUE(Has(after.output, "quit message present code=8")) << after.output;
}

TEST_F(DisplayWindow, UnchangedTextDoesNotRepaintAgain) {
    // Recording only after a repaint, at every refresh: each repaint is
    // recorded once.
    WriteConfig("Debug=1\nWidth=300\nHeight=120\nRecord=1\nRecordInterval=-1\nRecordOnChange=1\n"
                "RecordFile=r.bmp\n");
    HostRun run = RunHost("\"init 0 0\" \"goto 1 1\" \"write steady\" \"repeat 40 goto 1 1 ; write steady\" "
                          "\"pause 200\" \"goto 1 1\" \"write steady\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    std::string log = ReadFile("logs\\Tavlora.log");
    int repaints = Count(log, "Capture r.bmp");
    EXPECT_GE(repaints, 2) << log;
    EXPECT_LE(repaints, 4) << log;
}

TEST_F(DisplayWindow, RecordingWritesTheClientArea) {
    WriteConfig("Width=320\nHeight=160\nRecord=1\nRecordInterval=0\nRecordFile=cap.bmp\n");
    HostRun run = RunHost("\"init 0 0\" \"pause 50\" \"write hi\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    WindowLine w = ParseWindow(run.output);
    CaptureFile capture = ReadCapture(ReadFile("cap.bmp"));
    ASSERT_TRUE(capture.valid) << run.output;
    EXPECT_EQ(capture.width, w.clientWidth);
    EXPECT_EQ(capture.height, w.clientHeight);
}

TEST_F(DisplayWindow, CaptureShowsPictureGlyphAndBackground) {
    CopyTestData("corners.jpg", "images\\Tavlora.jpg");
    WriteConfig("Debug=1\nWidth=400\nHeight=240\nRecord=1\nRecordInterval=0\n"
                "RecordFile=cap.bmp\n"
                "Line1X=100\nLine1Y=50\nLine1FontHeight=20\nLine1FontWidth=16\n"
                "Line1FontColor=255 0 255\n"
                "Line2X=10\nLine2Y=120\nLine2FontHeight=20\nLine2FontWidth=10\n"
                "Line2FontColor=0 0 0\nLine2FontBkColor=0 128 255\n");
    HostRun run = RunHost("\"init 0 0\" \"goto 1 1\" \"write \\xFF\" \"goto 1 2\" "
                          "\"write \\x20\\x20\\x20\" \"pause 100\" \"goto 1 1\" \"write \\xFF\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Has(ReadFile("logs\\Tavlora.log"), "LoadPicture Appears to have loaded"));
    CaptureFile c = ReadCapture(ReadFile("cap.bmp"));
    ASSERT_TRUE(c.valid);
    // The picture, upright at the client area's top-left corner.
    EXPECT_TRUE(Near(c.At(4, 4), RGB(255, 0, 0), 40)) << std::hex << c.At(4, 4);
    EXPECT_TRUE(Near(c.At(195, 4), RGB(0, 255, 0), 40)) << std::hex << c.At(195, 4);
    EXPECT_TRUE(Near(c.At(4, 95), RGB(0, 0, 255), 40)) << std::hex << c.At(4, 95);
    EXPECT_TRUE(Near(c.At(195, 95), RGB(255, 255, 0), 40)) << std::hex << c.At(195, 95);
    // The full block: exactly (102, 52)-(113, 69) in the row's colour.
    for (int y = 50; y < 72; ++y)
        for (int x = 100; x < 116; ++x) {
            bool inside = x >= 102 && x < 113 && y >= 52 && y < 69;
            EXPECT_EQ(c.At(x, y) == RGB(255, 0, 255), inside) << x << "," << y;
        }
    // The opaque background of row 2 starts at its X, Y.
    EXPECT_EQ(c.At(10, 120), RGB(0, 128, 255));
    EXPECT_EQ(c.At(12, 125), RGB(0, 128, 255));
    EXPECT_NE(c.At(9, 125), RGB(0, 128, 255));
    EXPECT_NE(c.At(12, 119), RGB(0, 128, 255));
}

TEST_F(DisplayWindow, DotRowsShowTextAndCustomCharactersOnOneGrid) {
    // Cells of 24 x 30 at (10, 40): grid squares of 3 x 3, dots of 2 x 2.
    WriteConfig("Width=300\nHeight=160\nRecord=1\nRecordInterval=0\nRecordFile=cap.bmp\n"
                "Line1X=10\nLine1Y=40\nLine1FontHeight=30\nLine1FontWidth=24\n"
                "Line1FontColor=255 255 0\nLine1Dots=1\nLine1DotGap=1\n"
                "Line1DotOffColor=0 80 0\n");
    HostRun run = RunHost("\"init 0 0\" \"char 1 0x11 0 0 0 0 0 0 0x01\" \"goto 1 1\" "
                          "\"write A\\x01\" \"pause 100\" \"goto 1 1\" \"write A\\x01\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    CaptureFile c = ReadCapture(ReadFile("cap.bmp"));
    ASSERT_TRUE(c.valid) << run.output;
    const COLORREF lit = RGB(255, 255, 0), unlit = RGB(0, 80, 0);
    // "A": its top dot row .###. starts at (13, 43); dots are 3 pixels apart.
    EXPECT_EQ(c.At(13, 43), unlit);
    EXPECT_EQ(c.At(14, 44), unlit);
    EXPECT_EQ(c.At(16, 43), lit);
    EXPECT_EQ(c.At(17, 44), lit);
    EXPECT_NE(c.At(18, 43), lit) << "the gap keeps the background";
    EXPECT_NE(c.At(16, 45), lit) << "the gap keeps the background";
    EXPECT_EQ(c.At(13, 55), lit) << "the bar of the A";
    // The custom character in the next cell, on the same grid.
    EXPECT_EQ(c.At(34 + 3, 43), lit);
    EXPECT_EQ(c.At(34 + 6, 43), unlit);
    EXPECT_EQ(c.At(34 + 15, 43), lit);
    EXPECT_EQ(c.At(34 + 3, 43 + 21), unlit);
    EXPECT_EQ(c.At(34 + 15, 43 + 21), lit);
    EXPECT_NE(c.At(34 + 17, 43 + 21), lit);
}

TEST_F(DisplayWindow, AModuleHasItsComputedClientSizeAndItsColoursInTheRecording) {
    // 20 x 2, dots of 3 and a gap of 1, margin 4, bezel 12: the first dot at
    // (28, 28); 2 x 28 + (6 x 20 - 2) x 4 + 3 across, 2 x 28 + (9 x 2 - 2) x 4 + 3 down.
    WriteConfig("Module=20x2\nWidth=100\nHeight=50\nRecord=1\nRecordInterval=0\n"
                "RecordFile=cap.bmp\n");
    HostRun run = RunHost("\"init 0 0\" \"goto 1 1\" \"write A\" \"pause 100\" \"goto 1 1\" "
                          "\"write A\" window");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    WindowLine w = ParseWindow(run.output);
    EXPECT_EQ(w.clientWidth, 531) << run.output;
    EXPECT_EQ(w.clientHeight, 123) << run.output;
    CaptureFile c = ReadCapture(ReadFile("cap.bmp"));
    ASSERT_TRUE(c.valid) << run.output;
    EXPECT_EQ(c.width, 531);
    EXPECT_EQ(c.height, 123);
    // Yellow-green: "A"'s top dot row .###. lit, its first dot unlit.
    EXPECT_EQ(c.At(37, 29), RGB(28, 40, 8)) << std::hex << c.At(37, 29);
    EXPECT_EQ(c.At(29, 29), RGB(150, 180, 34)) << std::hex << c.At(29, 29);
    EXPECT_EQ(c.At(31, 31), RGB(166, 196, 40)) << "the glass between dots";
    EXPECT_EQ(c.At(0, 0), RGB(24, 26, 22)) << "the bezel";
    EXPECT_EQ(c.At(530, 122), RGB(24, 26, 22)) << "the bezel";
}

} // namespace
