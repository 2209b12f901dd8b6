#include "driver/display_memory.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Row(int row) { return reinterpret_cast<const char *>(TextRows[row - 1]); }

void Write(const std::string &text) { WriteAtCursor(text.c_str()); }

TEST(DisplayMemory, LoadStateAndStartup) {
    EXPECT_EQ(Row(1), " ");
    EXPECT_EQ(Cursor.Column, 0);
    EXPECT_EQ(Cursor.Row, 0);
    for (int b = 0; b < 8; ++b) {
        EXPECT_EQ(GlyphStore[9][b], 0xFF);
        EXPECT_EQ(GlyphStore[0][b], 0);
    }
    Write("Hello there, world");
    MoveCursor(1, 2);
    Write("xyz");
    FillStartupRows();
    EXPECT_EQ(Row(1), "Tavlora Starting");
    EXPECT_EQ(Row(2), " ");
    EXPECT_EQ(Row(3), " ");
    EXPECT_EQ(Row(4), " ");
    EXPECT_EQ(Cursor.Column, 1);
    EXPECT_EQ(Cursor.Row, 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(ShadowRows[0])), " ");
}

TEST(DisplayMemory, WritesCutTheRowAtTheCursor) {
    FillStartupRows();
    Write("AB");
    EXPECT_EQ(Row(1), "AB");
    EXPECT_EQ(Cursor.Column, 3);

    MoveCursor(5, 1);
    Write("X");
    EXPECT_EQ(Row(1), "AB") << "the zero in column 3 still ends the row";
    EXPECT_EQ(Cursor.Column, 6);

    MoveCursor(1, 2);
    Write("");
    EXPECT_EQ(Row(2), "");
    EXPECT_EQ(Cursor.Column, 1);
    EXPECT_EQ(Cursor.Row, 2);
}

TEST(DisplayMemory, WrapsAcrossRowsAndBackToTheTop) {
    FillStartupRows();
    std::string eighty(80, 'a');
    Write(eighty);
    EXPECT_EQ(Row(1), eighty);
    EXPECT_EQ(Cursor.Column, 81);
    Write("Z");
    EXPECT_EQ(Row(1), eighty) << "a row left by wrapping keeps its 80 cells";
    EXPECT_EQ(Row(2), "Z");
    EXPECT_EQ(Cursor.Column, 2);
    EXPECT_EQ(Cursor.Row, 2);

    MoveCursor(80, 4);
    Write("AB");
    EXPECT_EQ(TextRows[3][79], 'A');
    EXPECT_EQ(Row(1), "B");
    EXPECT_EQ(Cursor.Column, 2);
    EXPECT_EQ(Cursor.Row, 1);

    FillStartupRows();
    std::string text;
    for (int i = 0; i < 321; ++i) text += static_cast<char>('A' + i % 26);
    Write(text);
    EXPECT_EQ(Row(2), text.substr(80, 80));
    EXPECT_EQ(Row(4), text.substr(240, 80));
    EXPECT_EQ(Row(1), text.substr(320, 1));
    EXPECT_EQ(Cursor.Column, 2);
    EXPECT_EQ(Cursor.Row, 1);
    for (int r = 0; r < kRows; ++r) EXPECT_EQ(TextRows[r][kColumns], 0);
}

TEST(DisplayMemory, CursorIsClampedAndZeroMeansTheFirstCell) {
    MoveCursor(255, 255);
    EXPECT_EQ(Cursor.Column, 80);
    EXPECT_EQ(Cursor.Row, 4);

    // Before start-up the cursor names no cell; a write lands at column 1, row 1.
    Cursor.Column = 0;
    Cursor.Row = 0;
    Write("Q");
    EXPECT_EQ(Row(1), "Q");
    MoveCursor(0, 3);
    Write("R");
    EXPECT_EQ(Row(3), "R");
    MoveCursor(7, 0);
    Write("S");
    EXPECT_EQ(TextRows[0][6], 'S');
}

TEST(DisplayMemory, GlyphCodesAreStoredLikeOtherCharacters) {
    FillStartupRows();
    Write("\x01\x08\xff\x80");
    EXPECT_EQ(Row(1), "\x01\x08\xff\x80");
    WriteAtCursor(nullptr);
    EXPECT_EQ(Row(1), "\x01\x08\xff\x80");
}

TEST(DisplayMemory, StoreGlyphReplacesSlotsAndRefusesOthers) {
    const unsigned char bar[8] = {0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F};
    EXPECT_TRUE(StoreGlyph(9, bar));
    EXPECT_EQ(GlyphStore[9][1], 0x11);
    EXPECT_FALSE(StoreGlyph(9, bar)) << "same bytes again: no change";
    unsigned char before[sizeof GlyphStore];
    memcpy(before, GlyphStore, sizeof before);
    EXPECT_FALSE(StoreGlyph(10, bar));
    EXPECT_FALSE(StoreGlyph(255, bar));
    EXPECT_FALSE(StoreGlyph(1, nullptr));
    EXPECT_EQ(memcmp(before, GlyphStore, sizeof before), 0);
}

} // namespace
