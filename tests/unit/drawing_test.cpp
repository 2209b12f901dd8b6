// Text rows, glyphs and the background picture, drawn on the simulated platform.
#include "config/config.h"
#include "driver/display_memory.h"
#include "screen/glyph.h"
#include "screen/picture.h"
#include "screen/refresh.h"
#include "screen/row_parts.h"
#include "screen/rows.h"
#include "test_support.h"

#include <cstdio>
#include <cstring>

namespace {

// A memory surface to draw on, with the journal cleared.
class Drawing : public SurfaceTest {
  protected:
    Drawing() : SurfaceTest(300, 100) {}
    void SetUp() override {
        SurfaceTest::SetUp();
        memset(WorkingLayouts, 0, sizeof WorkingLayouts);
        sim::clear_journal();
    }
    void TearDown() override {
        SurfaceTest::TearDown();
        EXPECT_EQ(sim::live_gdi_objects(), 0);
        EXPECT_EQ(sim::live_dcs(), 0);
    }
    // The rectangles of the FillRect calls, in order.
    std::vector<std::string> Fills() {
        std::vector<std::string> fills;
        for (const std::string &entry : sim::journal()) {
            if (entry.compare(0, 9, "FillRect(") != 0) continue;
            size_t open = entry.find('{'), close = entry.find('}');
            fills.push_back(entry.substr(open + 1, close - open - 1));
        }
        return fills;
    }
    // "x, y text" of every ExtTextOutA call (its journal entry is
    // "ExtTextOutA(dc, x, y, options, rect, text, count)").
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const std::string &entry : sim::journal()) {
            if (entry.compare(0, 12, "ExtTextOutA(") != 0) continue;
            std::vector<std::string> fields;
            std::string args = entry.substr(12, entry.size() - 13);
            for (size_t at = 0; at <= args.size();) {
                size_t next = args.find(", ", at);
                if (next == std::string::npos) next = args.size();
                fields.push_back(args.substr(at, next - at));
                at = next + 2;
            }
            if (fields.size() == 7) texts.push_back(fields[1] + ", " + fields[2] + " " + fields[5]);
        }
        return texts;
    }
    void SetRow(int row, const char *text) {
        snprintf(reinterpret_cast<char *>(TextRows[row]), kColumns + 1, "%s", text);
    }
};

std::string Rect(int l, int t, int r, int b) {
    char text[64];
    snprintf(text, sizeof text, "%d, %d, %d, %d", l, t, r, b);
    return text;
}

TEST_F(Drawing, GlyphWorkedExamples) {
    LineLayout &row = WorkingLayouts[0];
    row.X = 100, row.Y = 50, row.FontHeight = 20, row.FontWidth = 16;
    row.FontColor[0] = 255;
    const unsigned char glyph[8] = {0x11, 0, 0, 0, 0, 0, 0, 0};
    StoreGlyph(3, glyph);
    DrawGlyph(0, 3, dc_);
    EXPECT_EQ(Fills(), (std::vector<std::string>{Rect(102, 52, 105, 55), Rect(110, 52, 113, 55)}));
    EXPECT_EQ(row.X, 116);
    EXPECT_EQ(sim::calls("CreateSolidBrush"), 1);
    EXPECT_EQ(sim::bitmap_pixel(bitmap_, 102, 52), RGB(255, 0, 0));
    EXPECT_EQ(sim::bitmap_pixel(bitmap_, 105, 52), RGB(0, 0, 0)) << "right edge excluded";

    // H = 15, W = 12 at the origin: tops 1, 2, 4, 5, 7, 8, 10, 11; lefts 1, 3, 4, 6, 7.
    sim::clear_journal();
    row.X = 0, row.Y = 0, row.FontHeight = 15, row.FontWidth = 12;
    const unsigned char diagonal[8] = {0x10, 0x08, 0x04, 0x02, 0x01, 0x10, 0x08, 0x04};
    StoreGlyph(4, diagonal);
    DrawGlyph(0, 4, dc_);
    EXPECT_EQ(Fills(),
              (std::vector<std::string>{Rect(1, 1, 3, 3), Rect(3, 2, 5, 4), Rect(4, 4, 6, 6),
                                        Rect(6, 5, 8, 7), Rect(7, 7, 9, 9), Rect(1, 8, 3, 10),
                                        Rect(3, 10, 5, 12), Rect(4, 11, 6, 13)}));
    EXPECT_EQ(row.X, 12);
}

TEST_F(Drawing, FullBlockFillsItsUnion) {
    LineLayout &row = WorkingLayouts[1];
    row.X = 100, row.Y = 50, row.FontHeight = 20, row.FontWidth = 16;
    row.FontColor[1] = 0x1FF; // only the low 8 bits count
    DrawGlyph(1, 9, dc_);
    EXPECT_EQ(Fills().size(), 40u);
    for (int y = 48; y < 72; ++y)
        for (int x = 98; x < 117; ++x) {
            bool inside = x >= 102 && x < 113 && y >= 52 && y < 69;
            EXPECT_EQ(sim::bitmap_pixel(bitmap_, x, y) == RGB(0, 255, 0), inside) << x << "," << y;
        }
}

TEST_F(Drawing, GlyphSizesAtTheEdges) {
    const unsigned char full[8] = {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F};
    StoreGlyph(1, full);
    LineLayout &row = WorkingLayouts[0];
    row.X = 10, row.Y = 0, row.FontHeight = 20, row.FontWidth = 4;
    DrawGlyph(0, 1, dc_);
    std::vector<std::string> fills = Fills();
    ASSERT_EQ(fills.size(), 40u);
    for (int c = 0; c < 5; ++c) {
        int left = 10 + (std::vector<int>{0, 1, 1, 2, 2})[c];
        EXPECT_EQ(fills[c], Rect(left, 2, left + 1, 5));
    }
    EXPECT_EQ(row.X, 14);

    sim::clear_journal();
    row.X = 10, row.FontWidth = 0;
    DrawGlyph(0, 1, dc_);
    EXPECT_EQ(Fills()[4], Rect(10, 2, 11, 5)) << "every column at x";
    EXPECT_EQ(row.X, 10);

    sim::clear_journal();
    row.Y = 30, row.FontHeight = 5, row.FontWidth = 8;
    DrawGlyph(0, 1, dc_);
    fills = Fills();
    const int tops[8] = {30, 30, 31, 31, 32, 32, 33, 33};
    for (int r = 0; r < 8; ++r) EXPECT_EQ(fills[r * 5], Rect(11, tops[r], 13, tops[r] + 1));

    sim::clear_journal();
    row.Y = 50, row.FontHeight = -20;
    DrawGlyph(0, 1, dc_);
    EXPECT_EQ(Fills()[0], Rect(19, 48, 21, 47)) << "bottom above top: fills nothing";
    const unsigned char none[8] = {0xE0, 0, 0, 0, 0, 0, 0, 0xE0};
    StoreGlyph(2, none);
    sim::clear_journal();
    DrawGlyph(0, 2, dc_);
    EXPECT_TRUE(Fills().empty());
}

TEST_F(Drawing, CodesMapToGlyphSlots) {
    const int glyphs[][2] = {{1, 1},   {8, 8},   {131, 3}, {136, 8},
                             {158, 2}, {176, 1}, {255, 9}};
    for (const auto &g : glyphs) EXPECT_EQ(GlyphSlotOf(g[0]), g[1]) << g[0];
    for (int code : {9, 32, 65, 127, 128, 129, 130, 137, 157, 159, 175, 177, 254})
        EXPECT_EQ(GlyphSlotOf(code), 0) << code;
}

TEST_F(Drawing, RowsSplitIntoRunsAroundGlyphs) {
    LineLayout &row = WorkingLayouts[2];
    row.X = 10, row.Y = 20, row.FontHeight = 16, row.FontWidth = 8;
    SetRow(2, "PQ\x01RS");
    DrawRow(2, dc_);
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "10, 20 PQ");
    EXPECT_EQ(texts[1], "34, 20 RS") << "after PQ (16) and the glyph (8)";
    EXPECT_EQ(row.X, 10 + 16 + 8 + 16);

    for (const char *text : {"\x01\xff\x83", "\xffmiddle\x02", "\x9e\xb0"}) {
        sim::clear_journal();
        row.X = 0;
        SetRow(2, text);
        DrawRow(2, dc_);
        for (const std::string &t : Texts()) EXPECT_NE(t.back(), ' ') << "an empty run: " << t;
    }
    EXPECT_TRUE(Texts().empty());
    EXPECT_EQ(row.X, 16) << "two glyphs, FontWidth apart";

    sim::clear_journal();
    row.X = 5;
    SetRow(2, "");
    DrawRow(2, dc_);
    EXPECT_EQ(sim::journal().size(), 0u);
    EXPECT_EQ(row.X, 5);
}

TEST_F(Drawing, BackgroundIsOpaqueUnlessAllThreeAreZero) {
    LineLayout &row = WorkingLayouts[0];
    row.X = 0, row.Y = 0, row.FontHeight = 16, row.FontWidth = 8;
    row.FontColor[0] = 255, row.FontColor[1] = 256 + 255, row.FontColor[2] = 0;
    row.FontBkColor[0] = 256; // non-zero, black
    SetRow(0, " ");
    DrawRow(0, dc_);
    EXPECT_GE(sim::find_call("SetTextColor("), 0);
    EXPECT_GE(sim::find_call("SetBkMode("), 0);
    EXPECT_NE(sim::journal()[sim::find_call("SetBkMode(")].find("OPAQUE"), std::string::npos);
    EXPECT_NE(sim::journal()[sim::find_call("ExtTextOutA(")].find("0x2"), std::string::npos);

    // Paint the surface white, then draw transparent and opaque runs on it.
    RECT all = {0, 0, 300, 100};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc_, &all, white);
    DeleteObject(white);
    row.X = 0;
    row.FontBkColor[0] = 0;
    DrawRow(0, dc_);
    EXPECT_EQ(sim::bitmap_pixel(bitmap_, 2, 2), RGB(255, 255, 255)) << "transparent";
    row.X = 0;
    row.FontBkColor[2] = 1;
    DrawRow(0, dc_);
    EXPECT_EQ(sim::bitmap_pixel(bitmap_, 2, 2), RGB(0, 0, 1)) << "opaque, almost black";
    EXPECT_EQ(sim::bitmap_pixel(bitmap_, 9, 2), RGB(255, 255, 255)) << "one cell wide";
}

TEST_F(Drawing, RowFontsTakeSizeAndStyleFromTheRow) {
    LOGFONTA stock;
    GetObjectA(GetStockObject(ANSI_FIXED_FONT), sizeof stock, &stock);
    HFONT font = MakeRowFont(700, 2, 3, -20, 9, 0, "Lucida Console");
    LOGFONTA made;
    ASSERT_EQ(GetObjectA(font, sizeof made, &made), static_cast<int>(sizeof made));
    DeleteObject(font);
    EXPECT_EQ(made.lfHeight, -20);
    EXPECT_EQ(made.lfWidth, 9);
    EXPECT_EQ(made.lfWeight, 700);
    EXPECT_EQ(made.lfItalic, 1);
    EXPECT_EQ(made.lfUnderline, 1);
    EXPECT_EQ(made.lfCharSet, stock.lfCharSet);
    EXPECT_EQ(made.lfPitchAndFamily, stock.lfPitchAndFamily);
    EXPECT_STREQ(made.lfFaceName, "Lucida Console");

    LOGFONTA system;
    GetObjectA(GetStockObject(SYSTEM_FONT), sizeof system, &system);
    font = MakeRowFont(400, 5, 1, 30, 0, SYSTEM_FONT, "Ignored");
    GetObjectA(font, sizeof made, &made);
    DeleteObject(font);
    EXPECT_STREQ(made.lfFaceName, system.lfFaceName);
    EXPECT_EQ(made.lfHeight, 30);
    EXPECT_EQ(made.lfItalic, 0) << "only the code 2 is italic";
    EXPECT_EQ(made.lfUnderline, 0) << "only the code 3 is underlined";

    font = MakeRowFont(400, 0, 0, 12, 0, ANSI_FIXED_FONT, "Ignored");
    GetObjectA(font, sizeof made, &made);
    DeleteObject(font);
    EXPECT_STREQ(made.lfFaceName, stock.lfFaceName);
}

TEST_F(Drawing, RowFontsMendLongNamesAndNonFontStockObjects) {
    std::string name(60, 'F');
    HFONT font = MakeRowFont(400, 0, 0, 12, 0, 0, name.c_str());
    LOGFONTA made;
    GetObjectA(font, sizeof made, &made);
    DeleteObject(font);
    EXPECT_EQ(std::string(made.lfFaceName), name.substr(0, 31));

    LOGFONTA stock;
    GetObjectA(GetStockObject(ANSI_FIXED_FONT), sizeof stock, &stock);
    for (int type : {BLACK_BRUSH, WHITE_PEN, 99, -1}) {
        // A font made before leaves odd values in the shared description.
        DeleteObject(MakeRowFont(900, 2, 3, 50, 50, SYSTEM_FONT, ""));
        font = MakeRowFont(400, 0, 0, 12, 6, type, "Courier New");
        GetObjectA(font, sizeof made, &made);
        DeleteObject(font);
        EXPECT_STREQ(made.lfFaceName, "Courier New") << type;
        EXPECT_EQ(made.lfCharSet, stock.lfCharSet) << type;
        EXPECT_EQ(made.lfPitchAndFamily, stock.lfPitchAndFamily) << type;
        EXPECT_EQ(made.lfWeight, 400) << type;
    }
}

// A picture that records how it is drawn.
struct RecordingPicture : IPicture {
    LONG cx = -1, cy = -1, x = -1, y = -1, ySrc = 0, cySrc = 0;
    HDC dc = nullptr;
    ULONG STDMETHODCALLTYPE Release() override { return 0; }
    HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC *w) override { return *w = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC *h) override { return *h = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE Render(HDC target, LONG px, LONG py, LONG w, LONG h, OLE_XPOS_HIMETRIC,
                                     OLE_YPOS_HIMETRIC sy, OLE_XSIZE_HIMETRIC,
                                     OLE_YSIZE_HIMETRIC sh, LPCRECT) override {
        dc = target, x = px, y = py, cx = w, cy = h, ySrc = sy, cySrc = sh;
        return S_OK;
    }
};

TEST_F(Drawing, PicturesDrawAtTheirNaturalSizeUpright) {
    RecordingPicture picture;
    IPicture *reference = &picture;
    RECT bounds = {0, 0, 10, 10};
    PaintSurface = dc_;
    Render(dc_, &reference, &bounds, 0, 0, 2540, 635);
    EXPECT_EQ(picture.cx, 96);
    EXPECT_EQ(picture.cy, 24);
    EXPECT_EQ(picture.ySrc, 635);
    EXPECT_EQ(picture.cySrc, -635);
    sim::set_dpi(120);
    Render(dc_, &reference, &bounds, 0, 0, 2540, 635);
    EXPECT_EQ(picture.cx, 120);
    EXPECT_EQ(picture.cy, 30);
    sim::set_dpi(96);
    Render(dc_, &reference, &bounds, 0, 0, 500, 500);
    EXPECT_EQ(picture.cx, 19) << "rounded, not truncated";
    DebugLevel = 1;
    Render(nullptr, &reference, &bounds, 0, 0, 500, 500);
    EXPECT_EQ(LogLines().back(), "Render mhdc is NULL");
    EXPECT_EQ(picture.dc, nullptr) << "and drawn all the same";
}

} // namespace
