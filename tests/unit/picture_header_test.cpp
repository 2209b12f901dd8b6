// A picture's declared size and format, read before the system's loader is
// given the file: what is refused, with which words, and what still loads.
#include "driver/tavlora.h"
#include "screen/picture.h"
#include "screen/picture_header.h"
#include "test_support.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::string Corners() {
    std::ifstream in(std::string(TAVLORA_SOURCE_DIR) + "/tests/data/corners.jpg",
                     std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const size_t kCornersFrame = 0x9E; // corners.jpg's SOF0 marker

// corners.jpg with its frame header declaring another size.
std::string CornersOfSize(unsigned width, unsigned height) {
    std::string jpeg = Corners();
    jpeg[kCornersFrame + 5] = static_cast<char>(height >> 8);
    jpeg[kCornersFrame + 6] = static_cast<char>(height);
    jpeg[kCornersFrame + 7] = static_cast<char>(width >> 8);
    jpeg[kCornersFrame + 8] = static_cast<char>(width);
    return jpeg;
}

// corners.jpg with segments before its frame header: an APP1 holding bytes
// that look like a frame of 65535 x 65535, a comment, and fill bytes.
std::string CornersWithSegmentsFirst() {
    std::string jpeg = Corners();
    const std::string more("\xFF\xE1\x00\x0B\xFF\xC0\x00\x11\x08\xFF\xFF\xFF\xFF"
                           "\xFF\xFE\x00\x04hi\xFF\xFF",
                           21);
    return jpeg.insert(2, more);
}

std::string Bytes(const char *text, size_t size) { return std::string(text, size); }

// A BMP's file and info headers (40 bytes) for width x height, no pixels.
std::string BmpHeader(int32_t width, int32_t height) {
    std::string bmp(54, '\0');
    bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 40;
    for (int i = 0; i < 4; ++i) {
        bmp[18 + i] = static_cast<char>(static_cast<uint32_t>(width) >> (8 * i));
        bmp[22 + i] = static_cast<char>(static_cast<uint32_t>(height) >> (8 * i));
    }
    return bmp;
}

// A GIF screen of 16 x 8 with a two-colour table, an extension, then an
// image at (left, 0) of 4 x 4, and the trailer.
std::string Gif(unsigned left) {
    std::string gif = Bytes("GIF89a\x10\x00\x08\x00\x80\x00\x00" "\0\0\0\xFF\xFF\xFF"
                            "\x21\xF9\x04\x00\x00\x00\x00\x00" "\x2C",
                            28);
    gif += static_cast<char>(left), gif += static_cast<char>(left >> 8);
    gif += Bytes("\0\0\x04\0\x04\0\0\x02\x02\x44\x01\0\x3B", 13);
    return gif;
}

struct HeaderCase {
    const char *what;
    std::string bytes;
    PictureFormat format;
    uint32_t width, height;
};

std::vector<HeaderCase> HeaderCases() {
    std::string corners = Corners();
    return {
        {"a JPEG", corners, PictureJpeg, 200, 100},
        {"a JPEG's frame after other segments", CornersWithSegmentsFirst(), PictureJpeg, 200, 100},
        {"a JPEG of 65000 x 65000", CornersOfSize(65000, 65000), PictureJpeg, 65000, 65000},
        {"a progressive JPEG after a table",
         Bytes("\xFF\xD8\xFF\xC4\x00\x06\x08\x7F\xFF\x7F\xFF\xC2\x00\x0B\x08\x01\x00\x02\x00\x01"
               "\x01\x11\x00\xFF\xD9",
               25),
         PictureJpeg, 512, 256},
        {"a JPEG with an empty segment before its frame", Corners().insert(2, Bytes("\xFF\xFE\x00\x02", 4)),
         PictureJpeg, 200, 100},
        {"a JPEG with a restart marker before its frame",
         Bytes("\xFF\xD8\xFF\xD0\xFF\xC0\x00\x0B\x08\x00\x20\x00\x30\x01\x01\x11\x00", 17),
         PictureJpeg, 48, 32},
        {"a JPEG cut right after its frame's size", corners.substr(0, kCornersFrame + 9),
         PictureJpeg, 200, 100},
        {"a JPEG cut in its frame header", corners.substr(0, kCornersFrame + 6), PictureCutShort,
         0, 0},
        {"a JPEG cut in a table", corners.substr(0, 100), PictureCutShort, 0, 0},
        {"the start of a JPEG", "\xFF", PictureCutShort, 0, 0},
        {"a JPEG scan before any frame", Bytes("\xFF\xD8\xFF\xDA\x00\x02\xFF\xD9", 8),
         PictureDamaged, 0, 0},
        {"a JPEG segment shorter than its length", Bytes("\xFF\xD8\xFF\xE0\x00\x01", 6),
         PictureDamaged, 0, 0},
        {"a JPEG frame of no width", CornersOfSize(0, 100), PictureDamaged, 0, 0},
        {"a JPEG frame too short for a component",
         Bytes("\xFF\xD8\xFF\xC0\x00\x0A\x08\x00\x20\x00\x30\x01\x01\x11\xFF\xD9", 16),
         PictureDamaged, 0, 0},
        {"a BMP", BmpHeader(640, 480), PictureBmp, 640, 480},
        {"a BMP with rows top-down", BmpHeader(3, -70000), PictureBmp, 3, 70000},
        {"a BMP of the old kind", Bytes("BM\0\0\0\0\0\0\0\0\0\0\0\0\x0C\0\0\0\x20\x01\x40\x00", 22),
         PictureBmp, 288, 64},
        {"a BMP of the short OS/2 kind",
         Bytes("BM\0\0\0\0\0\0\0\0\0\0\0\0\x10\0\0\0\x20\x01\0\0\x40\0\0\0", 26),
         PictureBmp, 288, 64},
        {"a BMP of the lowest height", BmpHeader(3, INT32_MIN), PictureDamaged, 0, 0},
        {"a BMP cut in its info header", BmpHeader(3, 3).substr(0, 24), PictureCutShort, 0, 0},
        {"a GIF", Gif(2), PictureGif, 16, 8},
        {"a GIF whose image reaches beyond its screen", Gif(9000), PictureGif, 9004, 8},
        {"a GIF cut before its image", Gif(2).substr(0, 27), PictureCutShort, 0, 0},
        {"a GIF of its trailer alone", Bytes("GIF87a\x10\0\x08\0\0\0\0\x3B", 14), PictureDamaged, 0,
         0},
        {"a GIF no pixel wide, its image neither",
         Gif(0).replace(6, 1, std::string(1, '\0')).replace(32, 1, std::string(1, '\0')),
         PictureDamaged, 0, 0},
        {"a GIF of no known version", Gif(2).replace(3, 3, "87b"), PictureUnknown, 0, 0},
        {"a GIF of no known version either", Gif(2).replace(3, 3, "89b"), PictureUnknown, 0, 0},
        {"no bytes", "", PictureEmpty, 0, 0},
        {"a text", "Picture=images\\p.jpg\n", PictureUnknown, 0, 0},
        {"a text starting as a BMP would", "Background=blue\n", PictureUnknown, 0, 0},
        {"a text going on as a BMP would", "CMYK=1\n", PictureUnknown, 0, 0},
        {"a PNG", Bytes("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16), PictureUnknown, 0, 0},
    };
}

// Each case from a block of exactly its size: the sanitizers' build
// catches a read beyond it.
PictureHeader Read(const std::string &bytes) {
    std::vector<unsigned char> exact(bytes.begin(), bytes.end());
    return ReadPictureHeader(exact.empty() ? nullptr : exact.data(), exact.size());
}

TEST(PictureHeaders, GiveTheDeclaredSizeOrSayWhatIsWrong) {
    for (const HeaderCase &c : HeaderCases()) {
        PictureHeader header = Read(c.bytes);
        EXPECT_EQ(header.format, c.format) << c.what;
        EXPECT_EQ(header.width, c.width) << c.what;
        EXPECT_EQ(header.height, c.height) << c.what;
    }
    // A picture that stops before its end was cut short; the loader's
    // refusal then says so.
    EXPECT_TRUE(Read(Corners()).ends);
    EXPECT_FALSE(Read(Corners().substr(0, 900)).ends);
    EXPECT_TRUE(Read(Gif(2)).ends);
    std::string bmp = BmpHeader(3, 3);
    bmp[2] = 54; // its declared length: all of it
    EXPECT_TRUE(Read(bmp).ends);
    bmp[2] = 55;
    EXPECT_FALSE(Read(bmp).ends);
    EXPECT_FALSE(Read(Gif(2).substr(0, 40)).ends);
}

// Every beginning of a readable picture is cut short until its size is in
// it, and never read beyond.
TEST(PictureHeaders, EveryPartOfAPictureBeforeItsSizeIsCutShort) {
    for (const HeaderCase &c : HeaderCases()) {
        if (c.width == 0) continue;
        for (size_t n = 1; n < c.bytes.size(); ++n) {
            PictureHeader header = Read(c.bytes.substr(0, n));
            if (header.format == c.format) {
                EXPECT_EQ(header.width, c.width) << c.what << " cut at " << n;
                continue;
            }
            EXPECT_EQ(header.format, PictureCutShort) << c.what << " cut at " << n;
        }
    }
}

class PictureFile : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        sim::set_frame(0, 0);
    }
    // One start of its own, its log lines alone.
    char Start(const std::string &picture) {
        remove("logs/Tavlora.log");
        WriteFile("images/Tavlora.jpg", picture);
        WriteConfig("Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\n");
        char ok = 0;
        DISPLAYDLL_Init(0, 0, nullptr, &ok);
        return ok;
    }
    std::vector<std::string> Errors() {
        std::vector<std::string> errors;
        for (const std::string &line : LogLines())
            if (line.compare(0, 6, "Error ") == 0) errors.push_back(line.substr(6));
        return errors;
    }
};

// The declared size decides, before the system's loader sees the file.
TEST_F(PictureFile, APictureLargerThanTheDisplayDrawsIsRefusedWithOneLine) {
    const struct {
        unsigned width, height;
        bool refused;
    } sizes[] = {{65000, 65000, true}, {8193, 100, true}, {100, 8193, true}, {8192, 8192, false}};
    for (const auto &size : sizes) {
        char what[40];
        snprintf(what, sizeof what, "%u x %u", size.width, size.height);
        sim::clear_journal();
        ASSERT_EQ(Start(CornersOfSize(size.width, size.height)), 1) << what;
        EXPECT_EQ(ScreenPicture.picture, nullptr) << what;
        EXPECT_EQ(sim::calls("OleLoadPicture"), size.refused ? 0 : 1) << what;
        std::vector<std::string> errors = Errors();
        ASSERT_EQ(errors.size(), 1u) << what;
        if (size.refused) {
            EXPECT_EQ(errors[0], std::string("images/Tavlora.jpg is ") + what +
                                     " pixels: pictures are drawn up to 8192 a side");
        }
        EXPECT_EQ(sim::live_globals(), 0) << what;
        EXPECT_EQ(sim::live_handles(), 0) << what;
        DISPLAYDLL_Done();
    }
}

TEST_F(PictureFile, AJpegWithSegmentsBeforeItsFrameLoadsAtItsSize) {
    ASSERT_EQ(Start(CornersWithSegmentsFirst()), 1);
    ASSERT_NE(ScreenPicture.picture, nullptr);
    EXPECT_EQ(ScreenPicture.width, MulDiv(200, 2540, 96));
    EXPECT_EQ(ScreenPicture.height, MulDiv(100, 2540, 96));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(PictureFile, AFileThatIsNoPictureIsNamedWithWhatItIs) {
    const struct {
        std::string bytes;
        const char *error;
    } files[] = {
        {"", "images/Tavlora.jpg is empty"},
        {"JFIF? no", "images/Tavlora.jpg is not a JPEG, BMP or GIF picture"},
        {Corners().substr(0, 100), "images/Tavlora.jpg is cut short"},
        {Corners().substr(0, 900),
         "images/Tavlora.jpg is cut short: the system could not read it (0x800A01E1)"},
        {Bytes("\xFF\xD8\xFF\xDA\x00\x02", 6), "images/Tavlora.jpg is damaged"},
    };
    for (const auto &file : files) {
        ASSERT_EQ(Start(file.bytes), 1) << file.error;
        EXPECT_EQ(Errors(), std::vector<std::string>{file.error});
        EXPECT_EQ(sim::live_globals(), 0) << file.error;
        DISPLAYDLL_Done();
    }
}

// No picture wanted is no loss: nothing logged. A picture that failed is
// said once while it lasts, not at every repaint.
TEST_F(PictureFile, AMissingPictureIsLoggedOnceAndNoneWantedNever) {
    for (const char *picture : {"Picture=\n", "Picture=images\\gone.jpg\n"}) {
        bool wanted = picture[8] != '\n';
        remove("logs/Tavlora.log");
        WriteConfig(std::string("Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\n") + picture);
        char ok = 0;
        DISPLAYDLL_Init(0, 0, nullptr, &ok);
        for (const char *text : {"one", "two", "three"}) DISPLAYDLL_Write(const_cast<char *>(text));
        int lost = 0;
        for (const std::string &line : LogLines())
            lost += line == "Lost the Picture So cant display it";
        EXPECT_EQ(lost, wanted ? 1 : 0) << picture;
        DISPLAYDLL_Done();
    }
    // A picture that loads, then is gone at the next start: lost again.
    WriteFile("images/there.jpg", Corners());
    for (const char *picture : {"images\\there.jpg", "images\\gone.jpg"}) {
        remove("logs/Tavlora.log");
        WriteConfig(std::string("Debug=1\nEndHostOnClose=0\nWidth=200\nHeight=100\nPicture=") +
                    picture + "\n");
        char ok = 0;
        DISPLAYDLL_Init(0, 0, nullptr, &ok);
        DISPLAYDLL_Write(const_cast<char *>("again"));
        int lost = 0;
        for (const std::string &line : LogLines())
            lost += line == "Lost the Picture So cant display it";
        EXPECT_EQ(lost, picture[7] == 'g' ? 1 : 0) << picture;
        DISPLAYDLL_Done();
    }
}

} // namespace
