// Dot-matrix rows and the font look beside them, drawn on the simulated platform.
#include "config/config.h"
#include "driver/display_memory.h"
#include "screen/dot_font.h"
#include "screen/glyph.h"
#include "screen/rows.h"
#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

const int kWidth = 320, kHeight = 120;

// A screen-compatible bitmap of kWidth x kHeight in a memory context.
class Rows : public SurfaceTest {
  protected:
    Rows() : SurfaceTest(kWidth, kHeight) {}
    void SetUp() override {
        SurfaceTest::SetUp();
        memset(WorkingLayouts, 0, sizeof WorkingLayouts);
        sim::clear_journal();
    }
    void Paint(COLORREF colour) {
        RECT all = {0, 0, kWidth, kHeight};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    // Compares the top-left width x height pixels with a binary PPM in
    // tests/data. TAVLORA_WRITE_REFERENCE=1 writes it anew.
    void ExpectReference(const char *name, int width, int height) {
        std::string pixels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                COLORREF c = At(x, y);
                pixels += static_cast<char>(GetRValue(c));
                pixels += static_cast<char>(GetGValue(c));
                pixels += static_cast<char>(GetBValue(c));
            }
        char header[32];
        snprintf(header, sizeof header, "P6\n%d %d\n255\n", width, height);
        std::string path = std::string(TAVLORA_SOURCE_DIR) + "/tests/data/" + name;
        if (getenv("TAVLORA_WRITE_REFERENCE")) std::ofstream(path, std::ios::binary) << header << pixels;
        std::string reference = ReadFile(path);
        ASSERT_EQ(reference.size(), strlen(header) + pixels.size()) << path;
        EXPECT_EQ(reference.substr(0, strlen(header)), header);
        size_t differing = 0;
        for (size_t i = 0; i < pixels.size(); ++i) differing += reference[strlen(header) + i] != pixels[i];
        EXPECT_EQ(differing, 0u) << name;
    }
};

// Four font-look rows with every kind of content: plain and styled text,
// an opaque background, custom characters and the full block.
void LayOutFontRows() {
    const unsigned char arrow[8] = {0x04, 0x0E, 0x15, 0x04, 0x04, 0x04, 0x04, 0x00};
    StoreGlyph(1, arrow);
    const char *texts[4] = {"Tavlora 1.1 \x01 ok", "Temp \xb0" "C 21.5", "[\xff\xff\xff   ] 37%",
                            "Bold italic under"};
    for (int r = 0; r < 4; ++r) {
        LineLayout &row = WorkingLayouts[r];
        row.X = 6 + 3 * r, row.Y = 4 + 28 * r, row.FontHeight = 20, row.FontWidth = 10;
        row.FontColor[0] = 40 + 60 * r, row.FontColor[1] = 250, row.FontColor[2] = 90;
        snprintf(row.FontName, sizeof row.FontName, "%s", "Courier New");
        row.FontBold = 400;
        snprintf(reinterpret_cast<char *>(TextRows[r]), kColumns + 1, "%s", texts[r]);
    }
    WorkingLayouts[1].FontBkColor[2] = 128;
    WorkingLayouts[3].FontBold = 700, WorkingLayouts[3].FontItalics = 2;
    WorkingLayouts[3].FontUnderline = 3, WorkingLayouts[2].FontHeight = 24;
}

// The reference image is a binary PPM of the font-look rows as they were drawn
// before dot-matrix rows existed.
TEST_F(Rows, FontRowsAreUnchangedPixelForPixel) {
    Paint(RGB(20, 30, 40));
    LayOutFontRows();
    for (int r = 0; r < 4; ++r) DrawRow(r, dc_);
    ExpectReference("font-rows.ppm", kWidth, kHeight);
}

const COLORREF kBack = RGB(20, 30, 40), kLit = RGB(200, 255, 0), kUnlit = RGB(0, 60, 30);

// A dot row at (10, 5) with 24 x 30 cells: grid squares of 3 x 3 pixels,
// dot columns at 13, 16, 19, 22, 25 and dot rows at 8, 11, ..., 29 in the
// first cell; a gap of 1 leaves dots of 2 x 2.
void LayOutDotRow(int r, const char *text) {
    LineLayout &row = WorkingLayouts[r];
    row.X = 10, row.Y = 5, row.FontWidth = 24, row.FontHeight = 30;
    row.Dots = 1, row.DotGap = 1;
    row.FontColor[0] = 200, row.FontColor[1] = 255;
    row.DotOffColor[1] = 60, row.DotOffColor[2] = 30;
    snprintf(reinterpret_cast<char *>(TextRows[r]), kColumns + 1, "%s", text);
}

TEST_F(Rows, DotsOfAKnownCharacterLitUnlitAndGaps) {
    Paint(kBack);
    LayOutDotRow(0, "A7");
    DrawRow(0, dc_);
    EXPECT_EQ(WorkingLayouts[0].X, 10 + 2 * 24);
    // "A", top dot row .###.: column 0 unlit, column 1 lit, each 2 x 2.
    EXPECT_EQ(At(13, 8), kUnlit);
    EXPECT_EQ(At(14, 9), kUnlit);
    EXPECT_EQ(At(16, 8), kLit);
    EXPECT_EQ(At(17, 9), kLit);
    // The gap right of and below a dot, and the cell's edge, keep the background.
    EXPECT_EQ(At(18, 8), kBack);
    EXPECT_EQ(At(16, 10), kBack);
    EXPECT_EQ(At(12, 8), kBack);
    EXPECT_EQ(At(10, 5), kBack);
    // Its fifth dot row ##### and its blank last one.
    for (int c = 0; c < 5; ++c) EXPECT_EQ(At(13 + 3 * c, 8 + 3 * 4), kLit) << c;
    for (int c = 0; c < 5; ++c) EXPECT_EQ(At(13 + 3 * c, 8 + 3 * 7), kUnlit) << c;
    // "7" one cell on: ##### on top.
    EXPECT_EQ(At(34 + 3, 8), kLit);
    EXPECT_EQ(At(34 + 15, 8), kLit);

    // No DotOffColor: unlit dots are not drawn; an opaque background fills the cells.
    Paint(kBack);
    LayOutDotRow(0, "A");
    memset(WorkingLayouts[0].DotOffColor, 0, sizeof WorkingLayouts[0].DotOffColor);
    DrawRow(0, dc_);
    EXPECT_EQ(At(13, 8), kBack);
    EXPECT_EQ(At(16, 8), kLit);
    LayOutDotRow(0, "A");
    WorkingLayouts[0].FontBkColor[2] = 99;
    DrawRow(0, dc_);
    EXPECT_EQ(At(10, 5), RGB(0, 0, 99));
    EXPECT_EQ(At(33, 34), RGB(0, 0, 99)) << "the cell's last pixel";
    EXPECT_EQ(At(34, 5), kBack) << "one cell wide";
    EXPECT_EQ(At(18, 8), RGB(0, 0, 99)) << "gaps show the background colour";
}

TEST_F(Rows, CustomCharactersShareTheTextGrid) {
    // Slot 1 holding the pattern of "A" draws exactly as "A" does.
    StoreGlyph(1, DotPattern('A'));
    Paint(kBack);
    LayOutDotRow(0, "A\x01");
    DrawRow(0, dc_);
    for (int y = 5; y < 35; ++y)
        for (int x = 10; x < 34; ++x) ASSERT_EQ(At(x, y), At(x + 24, y)) << x << "," << y;

    // Each lit dot starts where the font look's block of that glyph starts.
    const unsigned char corners[8] = {0x11, 0, 0, 0, 0, 0, 0, 0x11};
    StoreGlyph(2, corners);
    Paint(kBack);
    LayOutDotRow(1, "\x02");
    WorkingLayouts[1].Y = 60;
    DrawRow(1, dc_);
    LineLayout font = WorkingLayouts[1];
    font.X = 10, font.Y = 60, font.Dots = 0;
    WorkingLayouts[2] = font;
    sim::clear_journal();
    DrawGlyph(2, 2, dc_); // the same glyph in the font look, over the dots
    std::vector<std::string> fills;
    for (const std::string &e : sim::journal())
        if (e.compare(0, 9, "FillRect(") == 0) fills.push_back(e.substr(e.find('{'), e.find('}') - e.find('{') + 1));
    EXPECT_EQ(fills, (std::vector<std::string>{"{13, 63, 17, 67}", "{25, 63, 29, 67}",
                                               "{13, 84, 17, 88}", "{25, 84, 29, 88}"}));
}

TEST_F(Rows, DotRowsTakeFourTransfersOrARegionOrSingleFills) {
    const char *text = "Hello, dots \xb0\xc4\xe9";
    auto drawn = [&](const char *failing1, const char *failing2) {
        Paint(kBack);
        LayOutDotRow(0, text);
        sim::clear_journal();
        if (failing1) sim::fail_call(failing1, 0, ERROR_NOT_ENOUGH_MEMORY);
        if (failing2) sim::fail_call(failing2, 0, ERROR_NOT_ENOUGH_MEMORY);
        DrawRow(0, dc_);
        sim::clear_faults();
        std::vector<COLORREF> pixels;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) pixels.push_back(At(x, y));
        return pixels;
    };
    // Two transfers a colour through a one-bit mask, and nothing else.
    std::vector<COLORREF> masked = drawn(nullptr, nullptr);
    EXPECT_EQ(sim::calls("StretchDIBits"), 4);
    EXPECT_EQ(sim::calls("ExtCreateRegion") + sim::calls("FillRect") + sim::calls("ExtTextOutA"), 0);
    // Refused transfers: one region a colour; refused regions: one fill a dot.
    std::vector<COLORREF> regions = drawn("StretchDIBits", nullptr);
    EXPECT_EQ(sim::calls("FillRgn"), 2);
    EXPECT_EQ(sim::calls("FillRect"), 0);
    std::vector<COLORREF> single = drawn("StretchDIBits", "ExtCreateRegion");
    EXPECT_EQ(sim::calls("FillRect"), 15 * 40);
    EXPECT_TRUE(masked == regions) << "the region draws other pixels";
    EXPECT_TRUE(masked == single) << "single fills draw other pixels";
    EXPECT_NE(masked, std::vector<COLORREF>(masked.size(), kBack));

    // A row larger than the mask goes in spans of cells; a cell larger than
    // it as a region. The dot row at the top is the first dot row of each cell.
    Paint(kBack);
    LayOutDotRow(1, std::string(80, 'T').c_str());
    WorkingLayouts[1].FontWidth = 3000, WorkingLayouts[1].X = -3000 * 79 - 375;
    sim::clear_journal();
    DrawRow(1, dc_);
    EXPECT_GT(sim::calls("StretchDIBits"), 4);
    EXPECT_EQ(sim::calls("FillRgn"), 0);
    EXPECT_EQ(At(0, 8), kLit) << "the last T's top bar";
    Paint(kBack);
    LayOutDotRow(1, "T");
    WorkingLayouts[1].FontHeight = 300000, WorkingLayouts[1].Y = -30000 + 2;
    sim::clear_journal();
    DrawRow(1, dc_);
    EXPECT_EQ(sim::calls("StretchDIBits"), 0);
    EXPECT_EQ(sim::calls("FillRgn"), 2);
    EXPECT_EQ(At(13, 2), kLit);
    EXPECT_EQ(At(13, 1), kBack);
}

TEST_F(Rows, DotSizesAtTheEdges) {
    // A gap wider than the grid square leaves dots of one pixel.
    Paint(kBack);
    LayOutDotRow(0, "\xff");
    WorkingLayouts[0].DotGap = 50;
    DrawRow(0, dc_);
    EXPECT_EQ(At(13, 8), kLit);
    EXPECT_EQ(At(14, 8), kBack);
    EXPECT_EQ(At(13, 9), kBack);
    // No gap: the dots of a full block touch.
    LayOutDotRow(0, "\xff");
    WorkingLayouts[0].DotGap = -3; // read as no gap
    DrawRow(0, dc_);
    for (int x = 13; x < 28; ++x) EXPECT_EQ(At(x, 8), kLit) << x;
    // Far right and empty rows stay in range and draw nothing odd.
    LayOutDotRow(0, "xy");
    WorkingLayouts[0].X = INT32_MAX - 30;
    DrawRow(0, dc_);
    EXPECT_EQ(WorkingLayouts[0].X, INT32_MAX);
    LayOutDotRow(0, "");
    sim::clear_journal();
    DrawRow(0, dc_);
    EXPECT_TRUE(sim::journal().empty());
    EXPECT_EQ(WorkingLayouts[0].X, 10);
}

// Lit dots of a checkerboard glyph: each fills its grid square less the gap,
// and a gap below zero counts as none, so a dot never reaches into the
// unlit squares beside it.
TEST_F(Rows, ANegativeGapNeverGrowsADotPastItsSquare) {
    const unsigned char board[8] = {0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A};
    StoreGlyph(1, board);
    struct Case {
        int32_t gap;
        int cellWidth, cellHeight, dot;
    } cases[] = {{0, 24, 30, 3},  {-1, 24, 30, 3}, {-7, 24, 30, 3}, {INT32_MIN, 24, 30, 3},
                 {-2, 40, 50, 5}, {1, 40, 50, 4},  {4, 40, 50, 1}};
    for (const Case &c : cases) {
        Paint(kBack);
        LayOutDotRow(0, "\x01");
        memset(WorkingLayouts[0].DotOffColor, 0, sizeof WorkingLayouts[0].DotOffColor);
        WorkingLayouts[0].DotGap = c.gap;
        WorkingLayouts[0].FontWidth = c.cellWidth, WorkingLayouts[0].FontHeight = c.cellHeight;
        DrawRow(0, dc_);
        int lit = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) lit += At(x, y) == kLit;
        EXPECT_EQ(lit, 20 * c.dot * c.dot) << "gap " << c.gap;
        // Every lit dot is whole: with the count, no pixel lies outside one.
        for (int r = 0; r < 8; ++r)
            for (int col = r % 2; col < 5; col += 2) {
                int left = 10 + (col + 1) * c.cellWidth / 8;
                int top = 5 + c.cellHeight / 10 + r * c.cellHeight / 10;
                for (int y = top; y < top + c.dot; ++y)
                    for (int x = left; x < left + c.dot; ++x)
                        ASSERT_EQ(At(x, y), kLit) << "gap " << c.gap << " at " << x << "," << y;
            }
    }
}

// The whole character table drawn as dot rows, codes 0 to 255 in eight lines
// of 32 cells of 8 x 10 pixels (1-pixel dots, unlit ones shown), against a
// reference picture: a code drawn with another's pattern, a lost or mirrored
// pattern, or a code taken to the wrong custom character shows. Code 0 ends
// a text, so its cell stays empty. The custom characters show their slot's
// number in binary on top of a bar, so the slots tell apart.
TEST_F(Rows, TheWholeCharacterTableAsInItsReferencePicture) {
    unsigned char kept[kGlyphSlots][8];
    memcpy(kept, GlyphStore, sizeof kept);
    for (int slot = 1; slot < kGlyphSlots; ++slot) {
        memset(GlyphStore[slot], 0, 8);
        GlyphStore[slot][0] = static_cast<unsigned char>(slot);
        GlyphStore[slot][6] = 0x1F;
    }
    Paint(kBack);
    for (int line = 0; line < 8; ++line) {
        LayOutDotRow(0, "");
        LineLayout &row = WorkingLayouts[0];
        row.FontWidth = 8, row.FontHeight = 10, row.DotGap = 0;
        row.X = line == 0 ? 8 : 0, row.Y = 10 * line;
        for (int i = 0; i < 32; ++i) TextRows[0][i] = static_cast<unsigned char>(32 * line + i + (line == 0));
        TextRows[0][line == 0 ? 31 : 32] = 0;
        DrawRow(0, dc_);
    }
    memcpy(GlyphStore, kept, sizeof kept);
    ExpectReference("dot-table.ppm", 256, 80);
}

TEST(DotFont, PrintableAsciiIsCompleteAndOtherCodesAreBoxes) {
    EXPECT_TRUE(DotFontWellFormed());
    for (int code = 32; code <= 126; ++code) EXPECT_TRUE(DotPatternKnown(code)) << code;
    for (int code = 33; code <= 126; ++code) {
        const unsigned char *p = DotPattern(code);
        int lit = 0;
        for (int r = 0; r < 8; ++r) lit += p[r] != 0;
        EXPECT_GT(lit, 0) << code << " draws nothing";
        for (int other = 33; other < code; ++other)
            EXPECT_NE(memcmp(p, DotPattern(other), 8), 0) << code << " looks like " << other;
    }
    const unsigned char box[8] = {0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F, 0};
    for (int code : {0, 9, 31, 160, 254}) {
        EXPECT_FALSE(DotPatternKnown(code)) << code;
        EXPECT_EQ(memcmp(DotPattern(code), box, 8), 0) << code;
    }
    const unsigned char degree[8] = {0x0C, 0x12, 0x12, 0x0C, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(DotPattern(138), degree, 8), 0);
}

TEST_F(Rows, DotKeysAreReadAsRowKeys) {
    EXPECT_EQ(ConfiguredLayouts[2].DotGap, 1) << "the gap's load value";
    WriteConfig("Line3Dots=7\nLine3DotGap=4\nLine3DotOffColor=1 2 3\nLine4Dots=0\n");
    ReadConfigFile();
    EXPECT_EQ(ConfiguredLayouts[2].Dots, 1);
    EXPECT_EQ(ConfiguredLayouts[2].DotGap, 4);
    EXPECT_EQ(ConfiguredLayouts[2].DotOffColor[2], 3);
    EXPECT_EQ(ConfiguredLayouts[3].Dots, 0);
    EXPECT_EQ(ConfiguredLayouts[3].DotGap, 1);
}

} // namespace
