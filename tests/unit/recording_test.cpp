// Recording formats and files on the simulated platform: PNG, the
// temporary file moved over the target, numbered frames, recording only
// on change, and the first recording at once.
#include "config/config.h"
#include "driver/tavlora.h"
#include "record/capture.h"
#include "record/png_bands.h"
#include "record/recording.h"
#include "screen/window.h"
#include "screen/kept_image.h"
#include "screen/rows.h"
#include "test_support.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <png.h>
#include <set>
#include <zlib.h>

namespace {

class Recording : public DriverTest {
  protected:
    // A window whose client area is exactly Width x Height, recording at
    // every refresh unless the configuration says otherwise.
    void Start(const std::string &config) {
        sim::set_frame(0, 0);
        sim::set_ticks(1000);
        StartWith("Debug=1\nRecord=1\nRecordInterval=-1\n" + config);
    }
    void Write(const char *text) { DISPLAYDLL_Write(const_cast<char *>(text)); }
    bool Logged(const std::string &line) {
        for (const std::string &l : LogLines())
            if (l == line) return true;
        return false;
    }
    // The names in the current folder, sorted, without the driver's folders.
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        DIR *dir = opendir(".");
        while (dirent *e = readdir(dir)) {
            std::string n = e->d_name;
            if (n != "." && n != ".." && n != "logs" && n != "displays") names.push_back(n);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }
    // Between recordings only the last PNG's kept image and its bands
    // hold memory: zlib's is given back.
    void ExpectNothingLeft() {
        ReleaseKeptImage(); // the image of what the window shows aside
        ReleaseRowFonts();
        EXPECT_EQ(sim::live_handles(), 0);
        EXPECT_EQ(sim::live_globals(), PngKeptBlocks()) << "zlib's memory is given back";
    }
    ReplaceState state = {}; // for the tests that write through WriteReplacing
};

// Decodes a PNG file as 8-bit RGB; false when libpng finds it broken.
bool DecodePng(const std::string &path, int *width, int *height, std::vector<COLORREF> *pixels) {
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    if (image.format & PNG_FORMAT_FLAG_ALPHA) return false; // no alpha channel is written
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    pixels->clear();
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) pixels->push_back(RGB(rgb[i], rgb[i + 1], rgb[i + 2]));
    return true;
}

uint32_t BigEndian(const unsigned char *p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The chunk types of a PNG file in order; empty unless the signature is
// there, every chunk's CRC is right and IEND ends the file.
std::vector<std::string> CheckedChunks(const std::string &file) {
    const unsigned char *b = reinterpret_cast<const unsigned char *>(file.data());
    std::vector<std::string> types;
    if (file.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0) return {};
    for (size_t at = 8; at + 12 <= file.size();) {
        uint32_t length = BigEndian(b + at);
        if (length > file.size() - at - 12) return {};
        if (BigEndian(b + at + 8 + length) != crc32(0L, b + at + 4, length + 4)) return {};
        types.push_back(file.substr(at + 4, 4));
        at += 12 + length;
        if (types.back() == "IEND") return at == file.size() ? types : std::vector<std::string>{};
    }
    return {};
}

// Decodes a BMP as the driver writes it: headers of a 32-bit bottom-up
// image as long as the file, then blue, green, red and a spare byte a
// pixel. False when the headers say anything else.
bool DecodeBmp(const std::string &data, int *width, int *height, std::vector<COLORREF> *pixels) {
    auto at = [&](size_t offset, size_t bytes) {
        uint32_t v = 0;
        for (size_t i = 0; i < bytes; ++i)
            v |= static_cast<uint32_t>(static_cast<unsigned char>(data[offset + i])) << (8 * i);
        return v;
    };
    if (data.size() < 54 || data.compare(0, 2, "BM") != 0) return false;
    const int32_t w = static_cast<int32_t>(at(18, 4)), h = static_cast<int32_t>(at(22, 4));
    if (at(2, 4) != data.size() || at(10, 4) != 54 || at(14, 4) != 40 || w <= 0 || h <= 0 ||
        at(26, 2) != 1 || at(28, 2) != 32 || at(30, 4) != BI_RGB ||
        data.size() != 54 + static_cast<size_t>(w) * h * 4)
        return false;
    *width = w, *height = h;
    pixels->clear();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            size_t p = 54 + (static_cast<size_t>(h - 1 - y) * w + x) * 4;
            pixels->push_back(RGB(at(p + 2, 1), at(p + 1, 1), at(p, 1)));
        }
    return true;
}

TEST_F(Recording, APngNameInAnyCaseHoldsTheWindowsPixels) {
    Start("Width=40\nHeight=30\nRecordFile=cap.PnG\nLine1X=2\nLine1Y=3\nLine1FontHeight=12\n"
          "Line1FontWidth=8\nLine1FontColor=255 128 0\nLine1FontBkColor=0 40 200\n");
    Write("Hi\xFF");
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    ASSERT_TRUE(DecodePng("cap.PnG", &width, &height, &pixels));
    ASSERT_EQ(width, 40);
    ASSERT_EQ(height, 30);
    int differing = 0, coloured = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            COLORREF shown = sim::window_pixel(DisplayWindow, x, y);
            differing += pixels[y * width + x] != shown;
            coloured += shown != RGB(0, 0, 0);
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(coloured, 100) << "the row's text and background are in the picture";
    EXPECT_EQ(Files(), (std::vector<std::string>{"cap.PnG"}));
    ExpectNothingLeft();

    // Any other ending is a BMP.
    Start("Width=40\nHeight=30\nRecordFile=cap.png.bmp\n");
    EXPECT_EQ(ReadFile("cap.png.bmp").substr(0, 2), "BM");
}

// An odd width leaves rows that are not whole 32-bit words; a window one
// pixel tall has no row above its only row.
TEST_F(Recording, PngRecordingsOfAnyShapeHoldExactlyTheWindowsPixels) {
    for (const char *size : {"Width=13\nHeight=9\n", "Width=21\nHeight=1\n"}) {
        Start(std::string(size) + "RecordFile=cap.png\nLine1X=1\nLine1Y=-2\nLine1FontHeight=8\n"
              "Line1FontWidth=5\nLine1FontColor=255 128 0\nLine1FontBkColor=0 40 200\n");
        Write("W\xFFi");
        std::string file = ReadFile("cap.png");
        EXPECT_EQ(CheckedChunks(file), (std::vector<std::string>{"IHDR", "IDAT", "IEND"})) << size;
        int width = 0, height = 0;
        std::vector<COLORREF> pixels;
        ASSERT_TRUE(DecodePng("cap.png", &width, &height, &pixels)) << size;
        RECT client;
        GetClientRect(DisplayWindow, &client);
        ASSERT_EQ(width, client.right) << size;
        ASSERT_EQ(height, client.bottom) << size;
        std::set<COLORREF> colours;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                COLORREF shown = sim::window_pixel(DisplayWindow, x, y);
                EXPECT_EQ(pixels[y * width + x], shown) << size << " at " << x << "," << y;
                colours.insert(shown);
            }
        EXPECT_GE(colours.size(), 2u) << size << ": text on its background";
        ExpectNothingLeft();
    }
}

// What the capture may hand over: 24-bit rows padded to whole words, or
// 32-bit ones whose fourth byte means nothing; here rows wider than the
// writer's buffers and a file of several IDAT chunks.
TEST_F(Recording, ThePngWriterTakesTwentyFourAndThirtyTwoBitRows) {
    Start("Width=8\nHeight=4\nRecordFile=unused.bmp\n");
    const int width = 2101, height = 40;
    std::vector<COLORREF> expected; // top row first
    uint32_t noise = 12345;
    for (int i = 0; i < width * height; ++i) {
        noise = noise * 1103515245u + 12345u;
        expected.push_back(RGB(noise >> 24, noise >> 16, (noise >> 8) + i));
    }
    for (WORD bits : {24, 32}) {
        BITMAPINFOHEADER info = {sizeof info, width, height, 1, bits, BI_RGB, 0, 0, 0, 0, 0};
        DWORD stride = (width * bits + 31) / 32 * 4;
        std::vector<BYTE> memory(stride * height, 0xA5); // padding and fourth bytes
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                BYTE *p = &memory[(height - 1 - y) * stride + x * (bits / 8)];
                COLORREF c = expected[y * width + x];
                p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
            }
        RecordImage image = {&info, memory.data(), stride, stride * height};
        ASSERT_TRUE(WriteReplacing("direct.png", WritePngFile, image, &state)) << bits;
        std::vector<std::string> chunks = CheckedChunks(ReadFile("direct.png"));
        EXPECT_GT(std::count(chunks.begin(), chunks.end(), "IDAT"), 2) << bits;
        int w = 0, h = 0;
        std::vector<COLORREF> pixels;
        ASSERT_TRUE(DecodePng("direct.png", &w, &h, &pixels)) << bits;
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        EXPECT_TRUE(pixels == expected) << bits;
        ExpectNothingLeft();
    }
    // A layout it does not know is refused, and says so.
    BITMAPINFOHEADER info = {sizeof info, 4, 2, 1, 16, BI_RGB, 0, 0, 0, 0, 0};
    BYTE memory[16] = {};
    RecordImage image = {&info, memory, 8, 16};
    EXPECT_FALSE(WriteReplacing("odd.png", WritePngFile, image, &state));
    EXPECT_FALSE(FileExists("odd.png"));
    EXPECT_TRUE(Logged("Error CaptureAnImage no PNG of 4 x 2 at 16 bits"));
}

// The kept bands of the last PNG: rows compressed before are used again only
// while they, and the row above each band, are as they were.
TEST_F(Recording, APngOfAnImageChangedInAFewRowsDecodesToTheNewImage) {
    Start("Width=8\nHeight=4\nRecordFile=unused.bmp\nEndHostOnClose=0\n");
    struct Picture {
        int width, height;
        WORD bits;
        std::vector<COLORREF> pixels; // top row first
    };
    auto write = [&](const Picture &p) {
        BITMAPINFOHEADER info = {sizeof info, p.width, p.height, 1, p.bits, BI_RGB, 0, 0, 0, 0, 0};
        DWORD stride = (p.width * p.bits + 31) / 32 * 4;
        std::vector<BYTE> memory(stride * p.height, 0x5A);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                BYTE *at = &memory[(p.height - 1 - y) * stride + x * (p.bits / 8)];
                COLORREF c = p.pixels[y * p.width + x];
                at[0] = GetBValue(c), at[1] = GetGValue(c), at[2] = GetRValue(c);
            }
        RecordImage image = {&info, memory.data(), stride, stride * p.height};
        return WriteReplacing("bands.png", WritePngFile, image, &state);
    };
    auto expectDecoded = [&](const Picture &p, const char *step) {
        int w = 0, h = 0;
        std::vector<COLORREF> pixels;
        ASSERT_TRUE(DecodePng("bands.png", &w, &h, &pixels)) << step;
        EXPECT_EQ(w, p.width) << step;
        EXPECT_EQ(h, p.height) << step;
        EXPECT_TRUE(pixels == p.pixels) << step;
    };
    Picture p = {13, 100, 32, {}};
    for (int i = 0; i < p.width * p.height; ++i) p.pixels.push_back(RGB(i * 7, i / 13 * 3, i % 13 * 19));
    ASSERT_TRUE(write(p));
    expectDecoded(p, "first");
    std::string first = ReadFile("bands.png");

    sim::clear_journal();
    ASSERT_TRUE(write(p));
    EXPECT_EQ(ReadFile("bands.png"), first);
    EXPECT_EQ(sim::calls("GlobalAlloc"), 0) << "unchanged rows are not compressed again";

    // The last row of a band is the row above the next band's first.
    struct Change {
        const char *step;
        int row;
    } changes[] = {{"the row above a band", 63}, {"a band's first row", 64}, {"the top row", 0},
                   {"the bottom row", 99}};
    for (const Change &c : changes) {
        p.pixels[c.row * p.width + 5] ^= 0x00FFFFFF;
        ASSERT_TRUE(write(p)) << c.step;
        expectDecoded(p, c.step);
    }
    // Another size or layout is compressed anew.
    Picture wider = {14, 100, 32, {}};
    for (int i = 0; i < wider.width * wider.height; ++i) wider.pixels.push_back(RGB(i, 200, i * 3));
    ASSERT_TRUE(write(wider));
    expectDecoded(wider, "wider");
    wider.bits = 24;
    wider.pixels[40] = RGB(1, 2, 3);
    ASSERT_TRUE(write(wider));
    expectDecoded(wider, "24 bits");
    ExpectNothingLeft();
    // Done lets the kept image go.
    DISPLAYDLL_Done();
    EXPECT_EQ(sim::live_globals(), 0);
}

// A PNG that could not be made is no frame: the next one takes its number.
TEST_F(Recording, AFailedPngIsNotCountedAsAFrame) {
    Start("Width=9\nHeight=5\nRecordFile=f-#.png\n");
    ASSERT_TRUE(FileExists("f-1.png"));
    for (const char *operation : {"GlobalAlloc", "WriteFile"}) {
        sim::fail_call(operation, 1, ERROR_NOT_ENOUGH_MEMORY);
        Write("x");
        sim::clear_faults();
        EXPECT_EQ(Files(), (std::vector<std::string>{"f-1.png"})) << operation;
    }
    Write("y");
    EXPECT_EQ(Files(), (std::vector<std::string>{"f-1.png", "f-2.png"}));
    ExpectNothingLeft();
}

// Windows 1 to 13 pixels wide: rows of whole 32-bit words at four bytes a
// pixel (the capture, a BMP) but not at three (a PNG's red, green, blue), so
// a row length or padding taken from the wrong one shows. A dot row fills
// them with a pattern that is neither symmetric nor grey.
TEST_F(Recording, OddWidthsDecodeToExactlyTheWindowsPixels) {
    const int sizes[][2] = {{8, 8}, {9, 9}, {10, 9}, {11, 8}, {13, 9}, {15, 9}};
    std::set<COLORREF> shown;
    for (const char *name : {"cap.bmp", "cap.png"})
        for (const auto &size : sizes) {
            char config[320];
            snprintf(config, sizeof config,
                     "EndHostOnClose=0\nWidth=%d\nHeight=%d\nRecordFile=%s\nLine1Dots=1\n"
                     "Line1X=-1\nLine1Y=-1\nLine1FontWidth=8\nLine1FontHeight=10\nLine1DotGap=0\n"
                     "Line1FontColor=250 10 60\nLine1DotOffColor=0 90 200\n"
                     "Line1FontBkColor=30 200 120\n",
                     size[0], size[1], name);
            Start(config);
            Write("%&");
            std::string where = std::string(name) + " " + std::to_string(size[0]) + " x " +
                                std::to_string(size[1]);
            int width = 0, height = 0;
            std::vector<COLORREF> pixels;
            bool read = std::string(name) == "cap.bmp" ? DecodeBmp(ReadFile(name), &width, &height, &pixels)
                                                      : DecodePng(name, &width, &height, &pixels);
            ASSERT_TRUE(read) << where;
            ASSERT_EQ(width, size[0]) << where;
            ASSERT_EQ(height, size[1]) << where;
            int differing = 0;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    differing += pixels[y * width + x] != sim::window_pixel(DisplayWindow, x, y);
                    shown.insert(pixels[y * width + x]);
                }
            EXPECT_EQ(differing, 0) << where;
            DISPLAYDLL_Done();
        }
    EXPECT_EQ(shown, (std::set<COLORREF>{RGB(250, 10, 60), RGB(0, 90, 200), RGB(30, 200, 120)}));
    ExpectNothingLeft();
}

// Only a name that ends in ".png", the dot included, is a PNG.
TEST_F(Recording, ANameEndingInPngWithoutTheDotIsABmp) {
    const char *bmps[] = {"cappng", "cap-PNG", "png", "cap.pn"};
    for (const char *name : bmps) {
        Start(std::string("Width=20\nHeight=10\nRecordFile=") + name + "\n");
        std::string file = ReadFile(name);
        EXPECT_EQ(file.substr(0, 2), "BM") << name;
        EXPECT_EQ(file.size(), 54u + 20 * 10 * 4) << name << ": 32 bits a pixel";
    }
    Start("Width=20\nHeight=10\nRecordFile=.PNG\n");
    EXPECT_EQ(ReadFile(".PNG").substr(0, 4), "\x89PNG");
}

// Intervals up to the largest the file gives (2^31 - 1 seconds; a larger
// number is read as that), whose milliseconds leave 32 bits: nothing is
// recorded before the interval has passed, and the next recording follows
// at the first refresh after it.
TEST_F(Recording, TheLongestIntervalsWaitTheirWholeLength) {
    struct Case {
        const char *value;
        ULONGLONG seconds;
    } cases[] = {{"2147483", 2147483ULL}, {"2147484", 2147484ULL}, {"2200000", 2200000ULL},
                 {"4294968", 4294968ULL}, {"2147483647", 2147483647ULL},
                 {"99999999999", 2147483647ULL}};
    for (const Case &c : cases) {
        Start(std::string("Width=20\nHeight=10\nRecordFile=cap.bmp\nRecordInterval=") + c.value + "\n");
        ASSERT_TRUE(FileExists("cap.bmp")) << c.value << ": the first at once";
        ::unlink("cap.bmp");
        const ULONGLONG start = 1000, interval = c.seconds * 1000;
        for (ULONGLONG elapsed : {ULONGLONG(1000), (ULONGLONG(1) << 31) + 1, (ULONGLONG(1) << 32) + 1, interval}) {
            if (elapsed > interval) continue;
            sim::set_ticks(start + elapsed);
            Write("x");
            EXPECT_FALSE(FileExists("cap.bmp")) << c.value << " after " << elapsed << " ms";
        }
        sim::set_ticks(start + interval + 1);
        Write("x");
        EXPECT_TRUE(FileExists("cap.bmp")) << c.value;
    }
}

TEST_F(Recording, ARefusedMoveWritesInPlaceAndSaysWhy) {
    Start("Width=20\nHeight=10\nRecordFile=cap.bmp\nLine1FontHeight=8\nLine1FontWidth=8\n"
          "Line1FontColor=255 0 0\n");
    std::string before = ReadFile("cap.bmp");
    ASSERT_EQ(before.size(), 54u + 20 * 10 * 4);
    sim::fail_call("MoveFileExA", 1, ERROR_ACCESS_DENIED);
    sim::clear_journal();
    DISPLAYDLL_SetPosition(1, 1);
    Write("\xFF");
    EXPECT_TRUE(Logged("Error CaptureAnImage MoveFileEx failed, writing in place : Access is "
                       "denied.\r"));
    EXPECT_NE(sim::find_call("MoveFileExA(cap.bmp.tmp, cap.bmp, 0x1)"), -1);
    std::string after = ReadFile("cap.bmp");
    EXPECT_EQ(after.size(), before.size());
    EXPECT_NE(after, before) << "the new image, written in place";
    EXPECT_EQ(Files(), (std::vector<std::string>{"cap.bmp"})) << "no temporary file";
    ExpectNothingLeft();
}

// A reader that holds the recording open: the move and the copy are both
// refused at every recording. The old file stays, once in the log.
TEST_F(Recording, ATargetHeldOpenKeepsItsRecordingAndIsLoggedOnceWhileItLasts) {
    Start("Width=20\nHeight=10\nRecordFile=cap.bmp\nLine1FontColor=255 0 0\n");
    std::string before = ReadFile("cap.bmp");
    sim::fail_call("MoveFileExA", 0, ERROR_SHARING_VIOLATION);
    for (const char *text : {"one", "two", "three"}) {
        sim::fail_call("CreateFileA", 3, ERROR_SHARING_VIOLATION); // the target, for the copy
        DISPLAYDLL_SetPosition(1, 1);
        Write(text);
        EXPECT_TRUE(ReadFile("cap.bmp") == before) << text;
        EXPECT_EQ(Files(), (std::vector<std::string>{"cap.bmp"})) << text;
    }
    int refused = 0;
    for (const std::string &line : LogLines())
        refused += line.find("cap.bmp") != std::string::npos && line.rfind("Error ", 0) == 0;
    EXPECT_EQ(refused, 1);
    sim::clear_faults();
    Write("four");
    EXPECT_FALSE(ReadFile("cap.bmp") == before);
    EXPECT_TRUE(Logged("CaptureAnImage cap.bmp is written again"));
    ExpectNothingLeft();
}

// The move refused and the copy failing half-way: the target was emptied,
// so the complete new recording stays in the temporary file.
TEST_F(Recording, ACopyThatFailsHalfWayKeepsTheNewRecording) {
    Start("Width=20\nHeight=10\nRecordFile=cap.bmp\n");
    sim::fail_call("MoveFileExA", 1, ERROR_ACCESS_DENIED);
    sim::fail_call("WriteFile", 4, ERROR_DISK_FULL); // the copy's first write
    Write("new");
    std::string kept = ReadFile("cap.bmp.tmp");
    EXPECT_EQ(kept.size(), 54u + 20 * 10 * 4);
    EXPECT_EQ(kept.substr(0, 2), "BM");
    EXPECT_TRUE(Logged("Error cap.bmp is incomplete; the new recording is kept in cap.bmp.tmp"));
    ExpectNothingLeft();
}

TEST_F(Recording, AFailedWriteKeepsTheOldRecordingAndLeavesNoTemporaryFile) {
    for (const char *name : {"cap.bmp", "cap.png"}) {
        Start(std::string("Width=20\nHeight=10\nRecordFile=") + name + "\n");
        std::string before = ReadFile(name);
        ASSERT_FALSE(before.empty()) << name;
        struct Fault {
            const char *operation;
            int nth;
        } faults[] = {{"WriteFile", 3}, {"WriteFile", 1}, {"GlobalAlloc", 2}, {"GlobalAlloc", 3},
                      {"GlobalLock", 1}, {"CreateFileA", 1}};
        for (const Fault &f : faults) {
            ForgetPngBands(); // the PNG is compressed anew, as after a start
            sim::fail_call(f.operation, f.nth, ERROR_ACCESS_DENIED);
            DISPLAYDLL_SetPosition(1, 1);
            Write(f.operation); // a change, so the image would differ
            sim::clear_faults();
            for (const std::string &file : Files())
                EXPECT_EQ(file.find(".tmp"), std::string::npos) << name << " " << f.operation;
            bool used = sim::calls(f.operation) > 0 &&
                        (f.operation[0] != 'G' || std::string(name) == "cap.png");
            if (used) {
                EXPECT_EQ(ReadFile(name), before) << name << " " << f.operation;
            }
            ExpectNothingLeft();
            sim::clear_journal();
        }
    }
    // Without memory for zlib the PNG says which step failed and why.
    EXPECT_TRUE(Logged("Error CaptureAnImage GlobalAlloc failed : Access is denied.\r"));
    EXPECT_TRUE(Logged("Error CaptureAnImage zlib deflateInit failed : insufficient memory"));
}

TEST_F(Recording, FramesAreNumberedPaddedAndWrap) {
    char path[MAX_PATH];
    ASSERT_TRUE(NextRecordPath("frames#1" PATH_SEP "display-#####.png", path, sizeof path));
    EXPECT_STREQ(path, "frames#1" PATH_SEP "display-00001.png") << "a folder's # stays";
    ASSERT_TRUE(NextRecordPath("plain.bmp", path, sizeof path));
    EXPECT_STREQ(path, "plain.bmp");
    EXPECT_FALSE(NextRecordPath("display-###.png", path, 8)) << "does not fit";

    Start("Width=8\nHeight=4\nRecordFile=f##-#.bmp\n"); // frame 1 at the start
    for (int i = 0; i < 98; ++i) Write("x");
    EXPECT_EQ(Files().size(), 99u);
    EXPECT_TRUE(FileExists("f01-#.bmp"));
    EXPECT_TRUE(FileExists("f99-#.bmp"));
    DISPLAYDLL_SetPosition(1, 1);
    Write("\xFF"); // frame 100 wraps to 1
    EXPECT_EQ(Files().size(), 99u);
    int f01 = 0;
    for (const std::string &line : LogLines()) f01 += line == "Capture f01-#.bmp";
    EXPECT_EQ(f01, 2);

    // A failed frame keeps its number for the next recording.
    sim::fail_call("CreateFileA", 1, ERROR_ACCESS_DENIED);
    Write("y");
    Write("y");
    EXPECT_EQ(LogLines()[LogLines().size() - 1], "Capture f02-#.bmp");
}

TEST_F(Recording, RecordOnChangeWritesOnlyAfterARepaint) {
    Start("Width=20\nHeight=10\nRecordOnChange=1\nRecordFile=f-###.png\n");
    EXPECT_EQ(Files(), (std::vector<std::string>{"f-001.png"})) << "the start's repaint";
    Write(""); // the window, just shown, is painted again
    size_t files = Files().size();
    for (int i = 0; i < 5; ++i) Write(""); // unchanged text: nothing repainted
    EXPECT_EQ(Files().size(), files);
    Write("changed");
    Write("");
    EXPECT_EQ(Files().size(), files + 1);

    // With an interval, a change seen before it ends is recorded when it ends.
    WriteConfig("Debug=1\nRecord=1\nRecordInterval=10\nRecordOnChange=1\nRecordFile=g-#.bmp\n"
                "Width=20\nHeight=10\n");
    char ok;
    DISPLAYDLL_Init(0, 0, nullptr, &ok); // repaints: its text differs
    files = Files().size();
    sim::advance_ticks(11000);
    Write("");
    EXPECT_EQ(Files().size(), files + 1);
    sim::advance_ticks(11000);
    Write("");
    EXPECT_EQ(Files().size(), files + 1) << "nothing changed";
    Write("new");
    EXPECT_EQ(Files().size(), files + 2) << "the interval has passed: the change at once";
    Write("newer");
    EXPECT_EQ(Files().size(), files + 2) << "changed within the interval";
    sim::advance_ticks(10001);
    Write("newer");
    EXPECT_EQ(Files().size(), files + 3);
}

TEST_F(Recording, TheFirstRefreshRecordsAtOnce) {
    Start("Width=20\nHeight=10\nRecordInterval=3600\nRecordFile=cap.bmp\n");
    EXPECT_TRUE(FileExists("cap.bmp")) << "at the start, not an hour later";
    ::unlink("cap.bmp");
    sim::advance_ticks(3600 * 1000);
    Write("x");
    EXPECT_FALSE(FileExists("cap.bmp"));
    sim::advance_ticks(1);
    Write("x");
    EXPECT_TRUE(FileExists("cap.bmp"));
}

} // namespace
