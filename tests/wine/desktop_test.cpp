// The real DLL on the desktop: a host that outlives the window, and a
// configuration file saved while the host runs.
#include "wine_support.h"


namespace {

using Desktop = HostFolder;

TEST_F(Desktop, WithoutEndHostOnCloseTheHostGoesOnAndTheWindowComesBack) {
    WriteConfig("Debug=1\nEndHostOnClose=0\nX=70\nY=80\nWidth=320\nHeight=200\n"
                "Record=1\nRecordInterval=-1\nRecordFile=again.bmp\n"
                "Line1X=0\nLine1Y=0\nLine1FontHeight=20\nLine1FontWidth=10\n"
                "Line1FontColor=255 255 255\nLine1FontBkColor=0 0 255\n");
    CopyTestData("corners.jpg", "images\\Tavlora.jpg");
    HostRun run = RunHost("\"init 0 0\" \"write first\" done window \"init 0 0\" "
                          "\"write second\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("done returned"), std::string::npos) << run.output;
    std::vector<int> found;
    std::vector<RECT> rects = WindowRects(run.output, &found);
    ASSERT_EQ(found.size(), 2u) << run.output;
    EXPECT_EQ(found[0], 0) << "Done destroyed the window";
    EXPECT_EQ(found[1], 1) << "the second Init made it again";
    EXPECT_EQ(rects[1].left, 70);
    EXPECT_EQ(rects[1].top, 80);
    EXPECT_EQ(rects[1].right, 390);
    EXPECT_EQ(rects[1].bottom, 280);
    int loads = 0;
    for (const std::string &line : LogLines()) {
        EXPECT_EQ(line.find("Error"), std::string::npos) << line;
        loads += line == "LoadPicture File Open";
    }
    EXPECT_EQ(loads, 2) << "released at Done, loaded again with the window";
    // The new window shows the row: its opaque background at X, Y.
    CaptureFile capture = ReadCapture(ReadFile("again.bmp"));
    ASSERT_TRUE(capture.valid);
    EXPECT_TRUE(Near(capture.At(1, 1), RGB(0, 0, 255), 8));
}

TEST_F(Desktop, ASavedConfigurationMovesTheWindowWhileTheHostRuns) {
    const char before[] = "WatchConfig=1\nX=50\nY=60\nWidth=320\nHeight=200\n";
    const char after[] = "WatchConfig=1\nX=150\nY=90\nWidth=300\nHeight=180\n";
    WriteConfig(before);
    WriteFile("displays\\next.cfg", after);
    HostRun run = RunHost("\"init 0 0\" \"write a\" window "
                          "\"copy displays\\next.cfg displays\\Tavlora.cfg\" \"pause 1200\" "
                          "\"write b\" \"pause 600\" \"write c\" window");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    std::vector<int> found;
    std::vector<RECT> rects = WindowRects(run.output, &found);
    ASSERT_EQ(found.size(), 2u) << run.output;
    EXPECT_EQ(rects[0].left, 50);
    EXPECT_EQ(rects[1].left, 150) << run.output;
    EXPECT_EQ(rects[1].top, 90);
    EXPECT_EQ(rects[1].right, 450);
    EXPECT_EQ(rects[1].bottom, 270);
}

} // namespace
