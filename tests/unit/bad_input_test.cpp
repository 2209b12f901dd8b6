// Bad input from the host and from the files beside it: configurations of
// garbage, broken and huge pictures, impossible window sizes, arguments at
// their limits. Whatever arrives, the driver must not crash or write outside
// a buffer, must say in the log what failed, and must draw correctly after.
#include "config/config.h"
#include "driver/display_memory.h"
#include "driver/tavlora.h"
#include "screen/picture.h"
#include "screen/rows.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Everything a bad configuration may have changed, set again: row 1 shows a
// red glyph at (20, 10) in a 16 x 20 cell, whose blocks cover (22, 12) to
// (32, 28) of the 200 x 100 window.
const char kGoodConfig[] = "Debug=1\nWidth=200\nHeight=100\nDontShowWindow=0\nRecord=0\n"
                           "Line1X=20\nLine1Y=10\nLine1FontType=0\nLine1FontHeight=20\n"
                           "Line1FontWidth=16\nLine1FontColor=255 0 0\nLine1FontBkColor=0 0 0\n";
const COLORREF kRed = RGB(255, 0, 0);

class BadInput : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        sim::set_frame(0, 0); // the client area is the whole window
        sim::set_ticks(0);
    }
    char Start(const std::string &config) {
        WriteConfig(config);
        char ok = 0;
        DISPLAYDLL_Init(0, 0, nullptr, &ok);
        return ok;
    }
    // Starts again from the good configuration, defines glyph 1 as a full
    // block and shows it alone: the window must show exactly that block.
    void ExpectDrawsCorrectly(COLORREF background) {
        ASSERT_EQ(Start(kGoodConfig), 1);
        char full[8];
        memset(full, 0x1F, sizeof full);
        DISPLAYDLL_CustomChar(1, full);
        for (int row = 2; row <= 4; ++row) WriteAt(1, row, "");
        WriteAt(1, 1, "\x01");
        EXPECT_EQ(sim::window_pixel(DisplayWindow, 22, 12), kRed);
        EXPECT_EQ(sim::window_pixel(DisplayWindow, 32, 28), kRed);
        for (const POINT &p :
             {POINT{21, 20}, POINT{33, 20}, POINT{27, 11}, POINT{27, 29}, POINT{150, 80}})
            EXPECT_TRUE(Near(sim::window_pixel(DisplayWindow, p.x, p.y), background))
                << p.x << "," << p.y << ": " << std::hex
                << sim::window_pixel(DisplayWindow, p.x, p.y);
        ExpectDisplayMemoryIntact();
    }
    // Every row keeps its terminator cell, the cursor stays on the display.
    void ExpectDisplayMemoryIntact() {
        for (int r = 0; r < kRows; ++r) {
            EXPECT_EQ(TextRows[r][kColumns], 0) << "row " << r + 1;
            EXPECT_EQ(ShadowRows[r][kColumns], 0) << "row " << r + 1;
        }
        EXPECT_GE(Cursor.Column, 1);
        EXPECT_LE(Cursor.Column, kColumns + 1);
        EXPECT_GE(Cursor.Row, 1);
        EXPECT_LE(Cursor.Row, kRows);
    }
    static bool Near(COLORREF a, COLORREF b) {
        return abs(GetRValue(a) - GetRValue(b)) <= 8 && abs(GetGValue(a) - GetGValue(b)) <= 8 &&
               abs(GetBValue(a) - GetBValue(b)) <= 8;
    }
    int Logged(const std::string &line) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l == line;
        return n;
    }
    int LoggedStarting(const std::string &start) {
        int n = 0;
        for (const std::string &l : LogLines()) n += l.compare(0, start.size(), start) == 0;
        return n;
    }
    std::string TestData(const char *name) {
        return ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/tests/data/" + name);
    }
};

// A repeatable stream of bytes, every value from 0 to 255 among them.
std::string Garbage(size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (char &c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 23);
    }
    return bytes;
}

// The journal entries of the fonts made since the journal was cleared.
std::vector<std::string> FontsMade() {
    std::vector<std::string> fonts;
    for (const std::string &entry : sim::journal())
        if (entry.compare(0, 12, "CreateFontA(") == 0) fonts.push_back(entry);
    return fonts;
}

TEST_F(BadInput, ConfigurationsOfGarbageAreReadAndTheNextGoodOneDraws) {
    ASSERT_EQ(Start(kGoodConfig), 1);
    // A NUL ends what is read of its line, never the file.
    const char nul[] = "Line1X=\000300\nLine1\000Y=300\n\000Line1FontWidth=300\n\000\000\n"
                       "Line1FontHeight=30\0000\n";
    // Only the first 127 characters of a line count; the rest is no line of
    // its own, though it looks like one.
    const std::string longLine =
        "Line1Y=77" + std::string(118, ' ') + "Line1FontWidth=99" + std::string(1 << 20, 'x');
    const std::string name255(255, 'F');
    const struct {
        const char *what;
        std::string text;
    } cases[] = {
        {"binary garbage", Garbage(64 * 1024)},
        {"NUL bytes", std::string(nul, sizeof nul - 1)},
        {"one line of 1 MiB", longLine + "\n"},
        {"a font name of 255 characters", "Line1FontName=" + name255 + "\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string what = c.what;
        sim::clear_journal(); // the row's font is made at its first drawing
        EXPECT_EQ(Start(c.text), 1);
        WriteAt(1, 1, "Text\x01more\xFF");
        WriteAt(1, 3, "Row three");
        ExpectDisplayMemoryIntact();
        const LineLayout &row = ConfiguredLayouts[0];
        if (what == "NUL bytes") {
            EXPECT_EQ(row.X, 20) << "no number before the NUL";
            EXPECT_EQ(row.Y, 10);
            EXPECT_EQ(row.FontWidth, 16);
            EXPECT_EQ(row.FontHeight, 30) << "the number before the NUL";
        }
        if (what == "one line of 1 MiB") {
            EXPECT_EQ(row.Y, 77);
            EXPECT_EQ(row.FontWidth, 16);
        }
        if (what == "a font name of 255 characters") {
            // Cut to 113 characters by the line, to 31 by the font.
            EXPECT_EQ(std::string(row.FontName), name255.substr(0, 127 - 14));
            std::vector<std::string> fonts = FontsMade();
            ASSERT_FALSE(fonts.empty());
            EXPECT_NE(fonts[0].find(", " + name255.substr(0, 31) + ")"), std::string::npos)
                << fonts[0];
        }
        ExpectDrawsCorrectly(RGB(0, 0, 0));
    }
}

TEST_F(BadInput, CtrlZIsAByteLikeAnyOtherAndLineEndsAreNoPartOfALine) {
    // Read in text mode, a Windows build would end the file at the Ctrl-Z.
    // A full line ending in CR LF is whole: its CR is no skipped character.
    WriteConfig("RecordFile=" + std::string(116, 'r') + "\r\n\x1A\r\nY=3\r\n");
    std::vector<bool> cut;
    ConfigLineObserver observe = [](void *context, int, const char *, ConfigLineKind,
                                    ConfigLineStatus, bool lineCut) {
        static_cast<std::vector<bool> *>(context)->push_back(lineCut);
    };
    ASSERT_TRUE(ReadConfigFrom("displays/Tavlora.cfg", observe, &cut));
    EXPECT_EQ(cut, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(std::string(ScreenSettings.RecordFile), std::string(116, 'r'));
    EXPECT_EQ(ScreenSettings.Y, 3);
}

TEST_F(BadInput, RowsAtTheFarRightEdgeOfTheRangeStayThere) {
    // Text and glyphs advance a row's X; at the largest X the sum stays there.
    ASSERT_EQ(Start("Debug=1\nWidth=200\nHeight=100\nLine1X=2147483647\nLine1FontWidth=16\n"
                    "Line2X=2147483600\nLine2FontWidth=16\n"),
              1);
    WriteAt(1, 1, "AB\001CD");
    WriteAt(1, 2, "EFGHIJ");
    EXPECT_EQ(WorkingLayouts[0].X, INT32_MAX);
    EXPECT_EQ(WorkingLayouts[1].X, INT32_MAX);
    EXPECT_GE(sim::find_call("ExtTextOutA("), 0);
    ExpectDrawsCorrectly(RGB(0, 0, 0));
}

// Width and Height are taken as they are: the window of the first start
// keeps that size, so what is checked afterwards is that repaints and
// captures go on without error lines.
struct WindowSize {
    int width;
    int height;
};

void PrintTo(const WindowSize &size, std::ostream *out) {
    *out << size.width << " x " << size.height;
}

class BadWindowSize : public BadInput, public ::testing::WithParamInterface<WindowSize> {};

TEST_P(BadWindowSize, CreatesTheWindowAndGoesOnRepaintingAndCapturing) {
    const WindowSize size = GetParam();
    char config[160];
    snprintf(config, sizeof config,
             "Debug=1\nWidth=%d\nHeight=%d\nRecord=1\nRecordInterval=-1\nRecordFile=cap.bmp\n",
             size.width, size.height);
    ASSERT_EQ(Start(config), 1);
    ASSERT_NE(DisplayWindow, nullptr);
    RECT client;
    GetClientRect(DisplayWindow, &client);
    EXPECT_EQ(client.right, size.width > 8 ? size.width : 8) << "the smallest window";
    EXPECT_EQ(client.bottom, size.height > 8 ? size.height : 8);

    sim::clear_journal();
    WriteAt(1, 1, "Text\x01");
    WriteAt(1, 2, "more");
    EXPECT_EQ(sim::calls("BitBlt"), 2) << "two repaints";
    EXPECT_EQ(sim::calls("MoveFileExA"), 2) << "two captures";
    // The image is the window's inside, one pixel at the least: the one
    // error is the missing picture.
    EXPECT_EQ(LoggedStarting("Error "), 1);
    std::string capture = ReadFile("cap.bmp");
    ASSERT_GE(capture.size(), 54u);
    EXPECT_EQ(capture.substr(0, 2), "BM");

    // A good configuration at the next start: the window keeps its size,
    // the driver goes on without errors.
    int errors = LoggedStarting("Error ");
    ASSERT_EQ(Start(kGoodConfig), 1);
    WriteAt(1, 1, "\x01");
    EXPECT_EQ(LoggedStarting("Error "), errors);
    ExpectDisplayMemoryIntact();
}

const WindowSize kBadSizes[] = {{0, 0},      {0, 100},  {200, 0},
                                {-200, 100}, {200, -1}, {INT32_MIN, INT32_MIN}};
std::string SizeName(const ::testing::TestParamInfo<WindowSize> &info) {
    static const char *const names[] = {"Zero",          "ZeroWidth",      "ZeroHeight",
                                        "NegativeWidth", "NegativeHeight", "Lowest"};
    return names[info.index];
}
INSTANTIATE_TEST_SUITE_P(ZeroAndNegative, BadWindowSize, ::testing::ValuesIn(kBadSizes), SizeName);

// The picture is read once, when the window is made: one start each.
struct BrokenPicture {
    const char *name;
    size_t keep; // bytes of tests/data/corners.jpg kept; 0 with `text` instead
    const char *text;
};

void PrintTo(const BrokenPicture &picture, std::ostream *out) {
    *out << picture.name;
}

class PictureThatCannotLoad : public BadInput,
                              public ::testing::WithParamInterface<BrokenPicture> {};

TEST_P(PictureThatCannotLoad, IsLoggedAndTheRowsDrawOnBlack) {
    const BrokenPicture &p = GetParam();
    WriteFile("images/Tavlora.jpg",
              p.text ? std::string(p.text) : TestData("corners.jpg").substr(0, p.keep));
    ASSERT_EQ(Start(kGoodConfig), 1);
    EXPECT_EQ(ScreenPicture.picture, nullptr);
    EXPECT_EQ(LoggedStarting("Error images/Tavlora.jpg is "), 1);
    EXPECT_EQ(Logged("Lost the Picture 1 So cant display it"), 1);
    EXPECT_EQ(sim::live_globals(), 0);
    EXPECT_EQ(sim::live_handles(), 0);
    ExpectDrawsCorrectly(RGB(0, 0, 0));
}

const BrokenPicture kBrokenPictures[] = {
    {"Empty", 0, ""}, {"Truncated", 900, nullptr}, {"NotAJpeg", 0, "GIF89a: not a JPEG"}};
std::string PictureName(const ::testing::TestParamInfo<BrokenPicture> &info) {
    return info.param.name;
}
INSTANTIATE_TEST_SUITE_P(Files, PictureThatCannotLoad, ::testing::ValuesIn(kBrokenPictures),
                         PictureName);

TEST_F(BadInput, APictureOf4000By4000PixelsShowsItsTopLeftCorner) {
    WriteFile("images/Tavlora.jpg", TestData("flat-4000.jpg"));
    ASSERT_EQ(Start(kGoodConfig), 1);
    ASSERT_NE(ScreenPicture.picture, nullptr);
    EXPECT_EQ(Logged("LoadPicture Appears to have loaded"), 1);
    EXPECT_EQ(ScreenPicture.width, MulDiv(4000, 2540, 96));
    EXPECT_EQ(sim::live_globals(), 0) << "the file's bytes are given back";
    ExpectDrawsCorrectly(RGB(0x90, 0x90, 0x90));
    EXPECT_EQ(LoggedStarting("Error "), 0);
}

// A file that cannot be made is logged at every capture; a target that
// cannot be replaced once while it lasts, and it keeps what it held.
TEST_F(BadInput, RecordFilesThatCannotBeWrittenAreLogged) {
    ASSERT_EQ(Start(kGoodConfig), 1);
    ::mkdir("folder", 0777);
    WriteFile("locked.bmp", "keep me");
    ::chmod("locked.bmp", 0444);
    bool lockedForUs = ::access("locked.bmp", W_OK) != 0; // not for the superuser
    const struct {
        const char *file;
        const char *line;
        int times;
    } cases[] = {
        {"missing" PATH_SEP "cap.bmp",
         "Error CaptureAnImage CreateFile failed : The system cannot find the path specified.", 3},
        {"folder", "Error CaptureAnImage cannot replace folder (kept as it was; ", 1},
        {"locked.bmp", "Error CaptureAnImage cannot replace locked.bmp (kept as it was; ", 1},
    };
    for (const auto &c : cases) {
        if (std::string(c.file) == "locked.bmp" && !lockedForUs) {
            printf("read-only files are writable here (superuser): that case is skipped\n");
            continue;
        }
        SCOPED_TRACE(c.file);
        int before = LoggedStarting(c.line);
        ASSERT_EQ(Start(std::string(kGoodConfig) +
                        "Record=1\nRecordInterval=-1\nRecordFile=" + c.file + "\n"),
                  1);
        WriteAt(1, 1, "one");
        WriteAt(1, 1, "two");
        EXPECT_EQ(LoggedStarting(c.line), before + c.times) << "the start and two writes";
        EXPECT_EQ(sim::live_handles(), 0);
        EXPECT_LE(sim::live_globals(), 1) << "the kept image's pixels at most";
        ExpectDrawsCorrectly(RGB(0, 0, 0));
    }
    EXPECT_FALSE(FileExists("missing"));
    EXPECT_FALSE(FileExists("folder.tmp"));
    EXPECT_EQ(ReadFile("locked.bmp"), "keep me");
}

TEST_F(BadInput, HostArgumentsAtTheirLimits) {
    // A parameter text of 1 MiB: only its first 512 characters are logged.
    std::string params(1 << 20, 'p');
    WriteConfig(kGoodConfig);
    char ok = 0;
    DISPLAYDLL_Init(0, 0, &params[0], &ok);
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(Logged("Incoming x=0, y=0, params=" + std::string(512, 'p') + ", ok=0"), 1);

    // Every null pointer.
    EXPECT_NE(DISPLAYDLL_Init(0, 0, nullptr, nullptr), nullptr);
    DISPLAYDLL_Write(nullptr);
    DISPLAYDLL_CustomChar(1, nullptr);
    EXPECT_STREQ(reinterpret_cast<char *>(TextRows[0]), "Tavlora Starting");

    // A write of 100 KiB wraps round the four rows and fills every cell.
    std::string text(100 * 1024, 'w');
    WriteAt(1, 1, text.c_str());
    for (int r = 0; r < kRows; ++r)
        EXPECT_EQ(std::string(reinterpret_cast<char *>(TextRows[r])), std::string(kColumns, 'w'));
    ExpectDisplayMemoryIntact();

    // Positions 0 name the first cell; 255 the last, from where text wraps.
    WriteAt(0, 0, "a");
    EXPECT_EQ(TextRows[0][0], 'a');
    WriteAt(255, 255, "bc");
    EXPECT_EQ(TextRows[3][kColumns - 1], 'b');
    EXPECT_STREQ(reinterpret_cast<char *>(TextRows[0]), "c");
    ExpectDisplayMemoryIntact();

    // Glyph slots: 0 is stored and never shown, 9 is the one code 255
    // shows, 10 and 255 name none and change nothing.
    unsigned char before[kGlyphSlots][8];
    memcpy(before, GlyphStore, sizeof before);
    char top[8] = {0x1F, 0, 0, 0, 0, 0, 0, 0};
    for (unsigned slot : {0u, 9u, 10u, 255u}) DISPLAYDLL_CustomChar(slot, top);
    EXPECT_EQ(memcmp(GlyphStore[0], top, 8), 0);
    EXPECT_EQ(memcmp(GlyphStore[9], top, 8), 0);
    EXPECT_EQ(memcmp(GlyphStore[1], before[1], 8 * 8), 0) << "slots 1 to 8 untouched";
    EXPECT_EQ(Logged("DISPLAYDLL_CustomChar chr=255, data=31,0,0,0,0,0,0,0"), 1);
    for (int row = 2; row <= 4; ++row) WriteAt(1, row, "");
    WriteAt(1, 1, "\xFF");
    EXPECT_EQ(sim::window_pixel(DisplayWindow, 22, 12), kRed) << "slot 9's top line";
    EXPECT_NE(sim::window_pixel(DisplayWindow, 22, 20), kRed) << "and nothing below it";

    ExpectDrawsCorrectly(RGB(0, 0, 0));
}

} // namespace
