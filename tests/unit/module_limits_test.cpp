// LCD modules at their limits on the simulated platform: the smallest and
// largest modules and dot sizes, what one past them does, each colour
// set's own colours, a picture under the dots, and the dots at the edges
// of a run of lit cells.
#include "driver/tavlora.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstdio>
#include <cstring>

namespace {

const unsigned char kChecker[8] = {0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A};
const unsigned char kRightColumn[8] = {1, 1, 1, 1, 1, 1, 1, 1};
const unsigned char kLeftColumn[8] = {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10};

class ModuleLimits : public DriverTest {
  protected:
    // Each start with a log of its own: the counts below are of one run.
    void Start(const std::string &config) {
        std::remove("logs/Tavlora.log");
        StartWith("Debug=1\nEndHostOnClose=0\nWidth=300\nHeight=100\n" + config);
    }
    void Stop() { DISPLAYDLL_Done(); }
    void Glyph(int slot, const unsigned char pattern[8]) {
        char copy[8];
        memcpy(copy, pattern, sizeof copy);
        DISPLAYDLL_CustomChar(slot, copy);
    }
    // Every pixel of the dot at `x`, `y` (`size` square) is `colour`.
    int WrongPixels(int x, int y, int size, COLORREF colour) {
        int wrong = 0;
        for (int dy = 0; dy < size; ++dy)
            for (int dx = 0; dx < size; ++dx) wrong += At(x + dx, y + dy) != colour;
        return wrong;
    }
};

// yellow-green, the default set.
const COLORREF kGlass = RGB(166, 196, 40), kLit = RGB(28, 40, 8), kUnlit = RGB(150, 180, 34),
               kBezel = RGB(24, 26, 22);

// 1 to 80 columns, 1 to 4 rows: the four corners of that range give the
// window the README's size, and every cell shows, the last one included.
// One past any end is logged and leaves the rows as configured.
TEST_F(ModuleLimits, TheEndsOfBothNumbersAreDrawnWholeAndOnePastIsRefused) {
    const struct {
        const char *module;
        int columns, rows; // 0: refused
    } cases[] = {{"1x1", 1, 1}, {"0x1", 0, 0},  {"80x1", 80, 1}, {"81x1", 0, 0},
                 {"1x4", 1, 4}, {"1x0", 0, 0},  {"80x4", 80, 4}, {"1x5", 0, 0},
                 {"80X4", 80, 4}, {"80x-1", 0, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.module);
        Start(std::string("Module=") + c.module + "\n");
        if (c.columns == 0) {
            EXPECT_EQ(Logged(std::string("Module unreadable \"") + c.module +
                             "\": the rows as configured"),
                      1);
            RECT window;
            GetWindowRect(DisplayWindow, &window);
            EXPECT_EQ(window.right - window.left, 300) << "the configured window";
            EXPECT_EQ(window.bottom - window.top, 100);
            Stop();
            continue;
        }
        // The defaults: dot 3, gap 1, margin 4 pitches, bezel 12; first dot at 28.
        RECT client = Client();
        EXPECT_EQ(client.right, 56 + (6 * c.columns - 2) * 4 + 3);
        EXPECT_EQ(client.bottom, 56 + (9 * c.rows - 2) * 4 + 3);
        Glyph(1, kChecker);
        // Whole rows: the last one ends with the character in the last cell.
        std::string first(static_cast<size_t>(c.columns), ' '), last = first;
        first[0] = last[last.size() - 1] = '\x01';
        if (c.rows == 1) first = last = "\x01" + first.substr(1, first.size() - 2) + "\x01";
        WriteAt(1, c.rows, last.c_str());
        WriteAt(1, 1, first.c_str());
        const int lastX = 28 + 24 * (c.columns - 1), lastY = 28 + 36 * (c.rows - 1);
        for (int r = 0; r < 8; ++r)
            for (int d = 0; d < 5; ++d) {
                const COLORREF dot = kChecker[r] & (0x10 >> d) ? kLit : kUnlit;
                EXPECT_EQ(WrongPixels(28 + 4 * d, 28 + 4 * r, 3, dot), 0) << d << "," << r;
                EXPECT_EQ(WrongPixels(lastX + 4 * d, lastY + 4 * r, 3, dot), 0) << d << "," << r;
            }
        EXPECT_EQ(At(lastX + 19, lastY + 31), kGlass) << "a gap after the last dot";
        EXPECT_EQ(At(client.right - 13, client.bottom - 13), kGlass);
        EXPECT_EQ(At(client.right - 12, client.bottom - 12), kBezel);
        EXPECT_EQ(At(client.right - 1, client.bottom - 1), kBezel);
        EXPECT_EQ(Logged(std::string("Module ") + c.module[0]), 1) << "the module, once";
        EXPECT_EQ(Logged("Module unreadable"), 0);
        EXPECT_EQ(Logged("Error"), 0);
        Stop();
    }
}

// Dot size 1 to 64, gap 0 to 32, margin 0 to 32 pitches, bezel 0 to 256:
// the smallest and largest of each make the window the README's size, and
// every dot of a cell lies on its grid, on plain glass and over a picture.
TEST_F(ModuleLimits, TheSmallestAndLargestDotsMarginsAndBezelsAreDrawnWhole) {
    WriteFile("p.jpg", ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/tests/data/corners.jpg"));
    const struct {
        int dot, gap, margin, bezel, zoom;
        int width, height; // the client area
    } cases[] = {
        {1, 0, 0, 0, 100, 4 + 1, 7 + 1},
        {64, 32, 0, 0, 100, 4 * 96 + 64, 7 * 96 + 64},
        {1, 0, 32, 256, 100, 2 * (256 + 32) + 4 + 1, 2 * (256 + 32) + 7 + 1},
        {64, 0, 1, 1, 100, 2 * 65 + 4 * 64 + 64, 2 * 65 + 7 * 64 + 64},
        // A cell too large for one transfer: 128-pixel dots 192 apart.
        {128, 64, 0, 0, 200, 4 * 192 + 128, 7 * 192 + 128},
    };
    for (const auto &c : cases)
        for (bool picture : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.dot << " " << c.gap << " " << c.margin << " "
                                            << c.bezel << (picture ? " over a picture" : ""));
            char config[192];
            snprintf(config, sizeof config,
                     "Module=1x1\nModuleDotSize=%d\nModuleDotGap=%d\nModuleMargin=%d\n"
                     "ModuleBezel=%d\nZoom=%d\nPicture=%s\n",
                     c.dot * 100 / c.zoom, c.gap * 100 / c.zoom, c.margin, c.bezel * 100 / c.zoom,
                     c.zoom, picture ? "p.jpg" : "");
            Start(config);
            RECT client = Client();
            EXPECT_EQ(client.right, c.width);
            EXPECT_EQ(client.bottom, c.height);
            Glyph(1, kChecker);
            WriteAt(1, 1, "\x01");
            const int first = c.bezel + c.margin * (c.dot + c.gap), pitch = c.dot + c.gap;
            for (int r = 0; r < 8; ++r)
                for (int d = 0; d < 5; ++d) {
                    const int x = first + d * pitch, y = first + r * pitch;
                    const COLORREF dot = kChecker[r] & (0x10 >> d) ? kLit : kUnlit;
                    // The dot's corners and middle (a 64-pixel dot has 4096 pixels).
                    for (int k : {0, c.dot / 2, c.dot - 1})
                        for (int l : {0, c.dot / 2, c.dot - 1})
                            EXPECT_EQ(At(x + k, y + l), dot) << d << "," << r << " +" << k << "," << l;
                    if (c.gap > 0 && !picture && d < 4 && r < 7) {
                        EXPECT_EQ(At(x + c.dot, y + c.dot), kGlass);
                    }
                }
            if (c.bezel > 0) {
                EXPECT_EQ(At(client.right - 1, client.bottom - 1), kBezel);
            }
            EXPECT_EQ(Logged("Error"), 0);
            Stop();
        }
}

// A system that cannot say its frame's size: the module's window is the
// size of its glass alone, and every cell still shows.
TEST_F(ModuleLimits, WithoutTheFramesSizeTheWindowFitsTheGlass) {
    sim::fail_call("AdjustWindowRectEx", 0, ERROR_INVALID_PARAMETER);
    Start("Module=20x2\n");
    RECT window;
    GetWindowRect(DisplayWindow, &window);
    EXPECT_EQ(window.right - window.left, 56 + (6 * 20 - 2) * 4 + 3);
    EXPECT_EQ(window.bottom - window.top, 56 + (9 * 2 - 2) * 4 + 3);
    EXPECT_GE(Logged("Error Error from AdjustWindowRectEx"), 1);
    sim::clear_faults();
    Stop();
}

// The glass, lit dots, unlit dots and bezel of each set, as a user picks
// them by name: these colours, and the name known.
TEST_F(ModuleLimits, EachColourSetHasItsOwnFourColours) {
    const struct {
        const char *name;
        COLORREF glass, lit, unlit, bezel;
    } sets[] = {
        {"yellow-green", RGB(166, 196, 40), RGB(28, 40, 8), RGB(150, 180, 34), RGB(24, 26, 22)},
        {"blue", RGB(24, 62, 206), RGB(236, 242, 255), RGB(38, 80, 218), RGB(18, 20, 28)},
        {"amber", RGB(250, 164, 22), RGB(64, 30, 0), RGB(234, 150, 20), RGB(26, 22, 18)},
        {"red", RGB(222, 44, 36), RGB(54, 0, 0), RGB(206, 38, 32), RGB(26, 20, 20)},
        {"white", RGB(236, 236, 230), RGB(30, 30, 34), RGB(222, 222, 216), RGB(44, 44, 48)},
        {"green-oled", RGB(0, 0, 0), RGB(70, 255, 130), RGB(10, 24, 14), RGB(30, 30, 30)},
        {"blue-oled", RGB(0, 0, 0), RGB(90, 180, 255), RGB(10, 18, 30), RGB(30, 30, 30)},
    };
    for (const auto &s : sets) {
        SCOPED_TRACE(s.name);
        Start(std::string("Module=2x1\nPicture=\nModuleColors=") + s.name + "\n");
        Glyph(1, kChecker);
        WriteAt(1, 1, "\x01");
        // Dot 0 of the top row is lit, dot 1 unlit; the glass between them.
        const COLORREF seen[4] = {At(29, 29), At(29, 33), At(31, 29), At(5, 5)};
        const COLORREF wanted[4] = {s.lit, s.unlit, s.glass, s.bezel};
        for (int k = 0; k < 4; ++k) EXPECT_EQ(seen[k], wanted[k]) << "colour " << k;
        EXPECT_EQ(At(28 + 24 + 1, 29), s.unlit) << "a space's dot";
        EXPECT_EQ(Logged(std::string("Module colours ") + s.name + ": back"), 1);
        Stop();
    }
}

bool Near(COLORREF a, COLORREF b) {
    return abs(GetRValue(a) - GetRValue(b)) < 40 && abs(GetGValue(a) - GetGValue(b)) < 40 &&
           abs(GetBValue(a) - GetBValue(b)) < 40;
}

// A picture named with a module lies on the glass at its natural size: it
// shows between the dots, the dots stay their colours, and the bezel
// frames it as it frames the glass.
TEST_F(ModuleLimits, APictureShowsBetweenTheDotsAndTheBezelCoversItsEdge) {
    // 200 x 100: red, green / blue, yellow quarters; the client is 147 x 87.
    WriteFile("p.jpg", ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/tests/data/corners.jpg"));
    for (bool picture : {true, false}) {
        SCOPED_TRACE(picture ? "a picture" : "none");
        Start(std::string("Module=4x1\nPicture=") + (picture ? "p.jpg" : "") + "\n");
        Glyph(1, kChecker);
        WriteAt(1, 1, "\x01");
        // Glass between dots and around them; without the picture: the glass.
        const struct {
            int x, y;
            COLORREF quarter;
        } glass[] = {{31, 29, RGB(255, 0, 0)},
                     {12, 12, RGB(255, 0, 0)},
                     {134, 74, RGB(255, 255, 0)},
                     {130, 30, RGB(0, 255, 0)},
                     {20, 70, RGB(0, 0, 255)}};
        for (const auto &g : glass) {
            COLORREF seen = At(g.x, g.y);
            EXPECT_TRUE(picture ? Near(seen, g.quarter) : seen == kGlass)
                << g.x << "," << g.y << ": " << std::hex << seen;
        }
        for (POINT p : {POINT{0, 0}, POINT{11, 40}, POINT{146, 86}, POINT{135, 10}, POINT{70, 76}})
            EXPECT_EQ(At(p.x, p.y), kBezel) << p.x << "," << p.y;
        EXPECT_EQ(WrongPixels(28, 28, 3, kLit), 0);
        EXPECT_EQ(WrongPixels(32, 28, 3, kUnlit), 0);
        EXPECT_EQ(WrongPixels(28 + 3 * 24, 28 + 4 * 7, 3, kUnlit), 0) << "the last cell";
        EXPECT_EQ(Logged("Error"), 0);
        Stop();
    }
}

// A run of lit cells is turned from unlit to lit in one piece: the dots in
// the leftmost and rightmost columns of its first and last cells (a bar
// graph's 1/5 step, built-in 144, and its mirror) must be inside it, on
// plain glass and over a picture, and also when the system refuses the
// transfers.
TEST_F(ModuleLimits, DotsAtTheEdgesOfARunOfLitCellsAreLit) {
    WriteFile("p.jpg", ReadFile(std::string(TAVLORA_SOURCE_DIR) + "/tests/data/corners.jpg"));
    const char *const texts[] = {"\x90\x01\x01\x01\x01\x90", "\x01    \x90", "\x90    \x01",
                                 " \x90  \x01 ", " \x01  \x90 ", "     \x90", "\x01     ",
                                 "  \x01   ", "   \x90  "};
    // The third and fourth ways: every transfer refused, so the dots go as
    // regions of rectangles, and the log says why.
    for (int way = 0; way < 4; ++way) {
        const bool picture = way % 2 != 0, refused = way >= 2;
        Start(std::string("Module=6x1\nPicture=") + (picture ? "p.jpg" : "") + "\n");
        Glyph(1, kRightColumn);
        if (refused) sim::fail_call("StretchDIBits", 0, ERROR_INVALID_PARAMETER);
        for (const char *text : texts) {
            SCOPED_TRACE(testing::Message() << (picture ? "picture" : "glass") << (refused ? ", refused: " : ": ") << text[0] + 0
                                            << " ... " << text[5] + 0);
            WriteAt(1, 1, text);
            for (int cell = 0; cell < 6; ++cell) {
                const unsigned char code = static_cast<unsigned char>(text[cell]);
                const unsigned char *pattern =
                    code == 0x90 ? kLeftColumn : code == 1 ? kRightColumn : nullptr;
                for (int r = 0; r < 8; ++r)
                    for (int d = 0; d < 5; ++d) {
                        const bool lit = pattern && (pattern[r] & (0x10 >> d));
                        EXPECT_EQ(WrongPixels(28 + 24 * cell + 4 * d, 28 + 4 * r, 3,
                                              lit ? kLit : kUnlit),
                                  0)
                            << "cell " << cell << " dot " << d << "," << r;
                    }
            }
        }
        sim::clear_faults();
        EXPECT_EQ(Logged("Error"), Logged("Error Error from StretchDIBits"));
        EXPECT_EQ(Logged("Error") > 0, refused);
        Stop();
    }
}

} // namespace
