// A picture that declares a size no display draws, under the real system's
// picture loader: refused from its header, the host runs on and the rows
// are drawn.
#include "wine_support.h"

namespace {

using Pictures = HostFolder;

TEST_F(Pictures, AJpegDeclaring65000By65000PixelsIsRefusedAndTheDisplayWorks) {
    // corners.jpg with its frame header (at 0x9E) saying 65000 x 65000.
    CopyTestData("corners.jpg", "images\\Tavlora.jpg");
    std::string jpeg = ReadFile("images\\Tavlora.jpg");
    ASSERT_EQ(jpeg.substr(0x9E, 2), "\xFF\xC0");
    for (size_t at : {0x9E + 5, 0x9E + 7}) jpeg[at] = '\xFD', jpeg[at + 1] = '\xE8';
    WriteFile("images\\Tavlora.jpg", jpeg);
    WriteConfig("Debug=1\nWidth=240\nHeight=140\nRecord=1\nRecordInterval=0\nRecordFile=cap.bmp\n"
                "Line1X=20\nLine1Y=10\nLine1FontHeight=20\nLine1FontWidth=16\n"
                "Line1FontColor=255 0 0\n");
    HostRun run = RunHost("\"init 0 0\" \"char 1 31 31 31 31 31 31 31 31\" \"pause 50\" "
                          "\"goto 1 1\" \"write \\x01\" window");
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("window found=1"), std::string::npos) << run.output;
    int refused = 0, errors = 0;
    for (const std::string &line : LogLines()) {
        refused += line == "Error images\\Tavlora.jpg is 65000 x 65000 pixels: pictures are drawn "
                           "up to 8192 a side";
        errors += line.compare(0, 6, "Error ") == 0;
    }
    EXPECT_EQ(refused, 1) << ReadFile("logs\\Tavlora.log");
    EXPECT_EQ(errors, 1) << ReadFile("logs\\Tavlora.log");
    // The block of glyph 1 on black: the rows are drawn without the picture.
    CaptureFile capture = ReadCapture(ReadFile("cap.bmp"));
    ASSERT_TRUE(capture.valid);
    EXPECT_EQ(capture.At(22, 12), RGB(255, 0, 0));
    EXPECT_EQ(capture.At(32, 28), RGB(255, 0, 0));
    EXPECT_EQ(capture.At(150, 80), RGB(0, 0, 0));
}

} // namespace
