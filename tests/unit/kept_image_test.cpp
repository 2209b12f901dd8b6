// The image a repaint keeps: what a recording writes of an unchanged
// display, dropped by every change, and given back at Done and with the
// window.
#include "driver/tavlora.h"
#include "screen/compose.h"
#include "screen/kept_image.h"
#include "screen/window.h"
#include "screen/window_proc.h"
#include "test_support.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

const char kStart[] = "Debug=1\nEndHostOnClose=0\nPicture=\nWidth=200\nHeight=100\nFollowDpi=1\n"
                      "Record=1\nRecordInterval=-1\nRecordFile=cap.bmp\n"
                      "Line1FontHeight=20\nLine1FontWidth=10\nLine1FontColor=255 255 0\n"
                      "Line1FontName=Courier New\nLine1FontBkColor=0 0 255\n"
                      "Line2Y=40\nLine2FontHeight=20\nLine2FontWidth=10\nLine2FontColor=0 255 0\n";

class KeptImage : public DriverTest {
  public:
    void SetUp() override {
        DriverTest::SetUp();
        sim::set_frame(0, 0);
        sim::set_ticks(1000);
        sim::offer_dpi_functions();
        WriteFile("p.jpg", ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/tests/data/corners.jpg"));
        StartWith(kStart);
        WriteAt(1, 1, "Kept");
        WriteAt(1, 2, "\x01\x01");
    }
    // Saves the configuration with `extra` and has the menu read it again.
    void Save(const std::string &extra) {
        WriteConfig(kStart + extra);
        sim::pick_menu_command(6);
        ScreenWndProc(DisplayWindow, WM_CONTEXTMENU, 0, -1);
    }
    // Pixels of the last recording that differ from the window's own.
    int DifferFromTheWindow() {
        std::string file = ReadFile("cap.bmp");
        if (file.size() < 54) return -1;
        int32_t width, height;
        memcpy(&width, &file[18], 4);
        memcpy(&height, &file[22], 4);
        RECT client = Client();
        if (width != client.right || height != client.bottom) return -2;
        int differ = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned char *p = reinterpret_cast<const unsigned char *>(
                    &file[54 + (static_cast<size_t>(height - 1 - y) * width + x) * 4]);
                differ += RGB(p[2], p[1], p[0]) != At(x, y);
            }
        return differ;
    }
};

char kBlock[8] = {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F};

// After each kind of change the next recording is the window as it now
// shows, and not the one before (a paint request shows the same again).
TEST_F(KeptImage, ARecordingAfterEachChangeShowsTheChange) {
    const struct {
        const char *change;
        std::function<void(KeptImage &)> make;
    } changes[] = {
        {"text", [](KeptImage &) { WriteAt(1, 1, "Changed"); }},
        {"glyph on show",
         [](KeptImage &) { DISPLAYDLL_CustomChar(1, kBlock); }},
        {"setting", [](KeptImage &t) { t.Save("Line1FontColor=255 0 255\n"); }},
        {"size", [](KeptImage &) {
             SetWindowPos(DisplayWindow, NULL, 0, 0, 260, 120, SWP_NOMOVE | SWP_NOZORDER);
         }},
        {"zoom", [](KeptImage &) {
             sim::pick_menu_command(13);
             ScreenWndProc(DisplayWindow, WM_CONTEXTMENU, 0, -1);
         }},
        {"DPI", [](KeptImage &) {
             RECT suggested = {0, 0, 300, 150};
             SendMessageA(DisplayWindow, WM_DPICHANGED, 144 | 144 << 16,
                          reinterpret_cast<LPARAM>(&suggested));
         }},
        {"picture", [](KeptImage &t) { t.Save("Picture=p.jpg\n"); }},
        {"module", [](KeptImage &t) { t.Save("Module=16x2\n"); }},
        {"paint request", [](KeptImage &) { sim::expose_window(DisplayWindow); }},
    };
    for (const auto &c : changes) {
        SCOPED_TRACE(c.change);
        std::string before = ReadFile("cap.bmp");
        c.make(*this);
        WriteAt(1, 1, c.change[0] == 't' ? "Changed" : "Kept"); // text unchanged but for the first
        WriteAt(1, 1, c.change[0] == 't' ? "Changed" : "Kept"); // recorded again, unchanged
        EXPECT_EQ(DifferFromTheWindow(), 0);
        if (std::string(c.change) != "paint request") { // the window shows the same again
            EXPECT_NE(ReadFile("cap.bmp"), before);
        }
        if (c.change[0] == 't') WriteAt(1, 1, "Kept");
    }
    DISPLAYDLL_Done();
}

// An unchanged display is recorded from the kept pixels: nothing composed,
// nothing read from the bitmap, the same bytes as the first recording.
TEST_F(KeptImage, AnUnchangedDisplayIsRecordedWithoutComposingOrReadingAgain) {
    WriteAt(1, 1, "Again");
    std::string first = ReadFile("cap.bmp");
    EXPECT_EQ(DifferFromTheWindow(), 0);
    sim::clear_journal();
    WriteAt(1, 1, "Again");
    WriteAt(1, 1, "Again");
    EXPECT_EQ(sim::calls("MoveFileExA"), 2) << "two recordings";
    EXPECT_EQ(sim::calls("GetDIBits"), 0);
    EXPECT_EQ(sim::calls("CreateCompatibleBitmap"), 0);
    EXPECT_EQ(sim::calls("BitBlt"), 0);
    EXPECT_EQ(sim::calls("ExtTextOutA"), 0);
    EXPECT_EQ(ReadFile("cap.bmp"), first);
    // A change composes on the same bitmap and reads it once.
    sim::clear_journal();
    WriteAt(1, 1, "Other");
    EXPECT_EQ(sim::calls("CreateCompatibleBitmap"), 0);
    EXPECT_EQ(sim::calls("GetDIBits"), 1);
    EXPECT_EQ(DifferFromTheWindow(), 0);
    DISPLAYDLL_Done();
}

// A row's font is kept between repaints and made again when one of its
// settings changes: each is seen in the font made after the save.
TEST_F(KeptImage, ARowsFontIsMadeAgainOnlyWhenItsSettingsChange) {
    auto fontsMade = [] {
        std::vector<std::string> fonts;
        for (const std::string &call : sim::journal())
            if (call.rfind("CreateFontA(", 0) == 0) fonts.push_back(call);
        return fonts;
    };
    sim::clear_journal();
    WriteAt(1, 1, "Other");
    EXPECT_TRUE(fontsMade().empty()) << "the same font again";
    const struct {
        const char *setting, *made;
    } changes[] = {
        {"Line1FontHeight=30\n", "CreateFontA(30, 10, "},
        {"Line1FontWidth=12\n", "CreateFontA(20, 12, "},
        {"Line1FontBold=700\n", "CreateFontA(20, 10, 0, 0, 700, 0, 0, "},
        {"Line1FontItalics=1\n", "CreateFontA(20, 10, 0, 0, 0, 1, 0, "},
        {"Line1FontUnderline=1\n", "CreateFontA(20, 10, 0, 0, 0, 0, 1, "},
        {"Line1FontName=Arial\n", ", Arial)"},
        {"Line1FontType=13\n", ", System)"},
    };
    for (const auto &c : changes) {
        SCOPED_TRACE(c.setting);
        sim::clear_journal();
        Save(std::string("Line1FontHeight=20\nLine1FontWidth=10\nLine1FontBold=0\n"
                         "Line1FontItalics=0\nLine1FontUnderline=0\nLine1FontName=Courier New\n"
                         "Line1FontType=0\n") +
             c.setting);
        WriteAt(1, 1, "Kept");
        std::vector<std::string> fonts = fontsMade();
        ASSERT_EQ(fonts.size(), 1u) << "row 1's, and no other";
        EXPECT_NE(fonts[0].find(c.made), std::string::npos) << fonts[0];
    }
    DISPLAYDLL_Done();
}

// Composed again on the same bitmap, the display is black where nothing
// is drawn: a shorter row leaves nothing of the longer one, to the edge.
TEST_F(KeptImage, TheSameBitmapIsBlackWhereNothingIsDrawn) {
    EXPECT_EQ(At(0, 0), RGB(0, 0, 255)) << "the row's background";
    WriteAt(1, 1, "");
    EXPECT_EQ(At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(At(199, 99), RGB(0, 0, 0));
    EXPECT_EQ(DifferFromTheWindow(), 0);
    DISPLAYDLL_Done();
}

// A read of the pixels that fails is logged and tried again at the next
// recording; a bitmap its context does not take back after a read is
// logged and made anew; nothing of either is left once the window goes.
TEST_F(KeptImage, AFailedReadOrReselectIsLoggedAndLeavesNothing) {
    sim::fail_call("GetDIBits", 1, ERROR_INVALID_PARAMETER);
    WriteAt(1, 1, "Failed");
    EXPECT_EQ(Logged("Error Error from GetDIBits"), 1);
    WriteAt(1, 1, "Failed");
    EXPECT_EQ(DifferFromTheWindow(), 0);
    sim::clear_journal();
    sim::fail_call("SelectObject", 1, ERROR_INVALID_HANDLE);
    WriteAt(1, 1, "Anew");
    EXPECT_EQ(Logged("Error Error from SelectObject(hbm)"), 1);
    EXPECT_EQ(sim::calls("CreateCompatibleBitmap"), 1);
    EXPECT_EQ(DifferFromTheWindow(), 0);
    DISPLAYDLL_Done();
    EXPECT_EQ(sim::live_globals(), 0);
}

// A copy of the pixels (the web view's) is what a recording reads: from the
// pixels kept, or read from a bitmap without keeping them; a failed read is
// logged.
TEST_F(KeptImage, ACopyOfThePixelsIsWhatARecordingReads) {
    WriteAt(1, 1, "Copied"); // recorded: the kept image's pixels were read
    ComposedImage *kept = CurrentImage();
    ASSERT_NE(kept, nullptr);
    ASSERT_NE(kept->pixels, nullptr);
    const BITMAPINFOHEADER &header = kept->info.bmiHeader;
    const size_t bytes = static_cast<size_t>(header.biWidth) * 4 * header.biHeight;
    std::vector<BYTE> fromKept(bytes), fromBitmap(bytes, 0xEE);
    sim::clear_journal();
    ASSERT_TRUE(CopyComposedPixels(kept, fromKept.data()));
    EXPECT_EQ(sim::calls("GetDIBits"), 0);
    EXPECT_EQ(memcmp(fromKept.data(), kept->pixels, bytes), 0);

    ComposedImage own;
    memset(&own, 0, sizeof own);
    ASSERT_TRUE(ComposeDisplay(DisplayWindow, &own));
    ASSERT_TRUE(CopyComposedPixels(&own, fromBitmap.data()));
    EXPECT_EQ(sim::calls("GetDIBits"), 1);
    EXPECT_EQ(own.pixels, nullptr) << "not kept";
    EXPECT_TRUE(fromBitmap == fromKept);
    sim::fail_call("GetDIBits", 1, ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(CopyComposedPixels(&own, fromBitmap.data()));
    EXPECT_EQ(Logged("Error Error from GetDIBits"), 1);
    ReleaseComposed(&own);
    DISPLAYDLL_Done();
}

// The image, its context and its pixels go at Done, and with the window
// when the user closes it and the host goes on; a new window keeps anew.
TEST_F(KeptImage, TheImageGoesAtDoneAndWithTheWindow) {
    DISPLAYDLL_Done();
    EXPECT_EQ(sim::live_gdi_objects(), 0);
    EXPECT_EQ(sim::live_dcs(), 0);
    EXPECT_EQ(sim::live_globals(), 0);

    StartWith(kStart);
    WriteAt(1, 1, "Back");
    EXPECT_EQ(DifferFromTheWindow(), 0);
    EXPECT_GT(sim::live_gdi_objects(), 0);
    SendMessageA(DisplayWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(DisplayWindow, nullptr);
    EXPECT_EQ(sim::live_gdi_objects(), 0);
    EXPECT_EQ(sim::live_dcs(), 0);
    EXPECT_EQ(sim::live_globals(), 0);
    DISPLAYDLL_Done();
}

} // namespace
