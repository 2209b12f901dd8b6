// LCD modules on the simulated platform: the window's size, where dots land,
// what lies past the module, colour sets, round dots and the picture key.
#include "config/config.h"
#include "config/module.h"
#include "driver/display_memory.h"
#include "driver/tavlora.h"
#include "screen/dot_font.h"
#include "screen/panel.h"
#include "screen/rows.h"
#include "screen/window.h"
#include "host/check.h"
#include "test_support.h"

#include <cstdio>
#include <cstring>

namespace {

class Module : public DriverTest {
  protected:
    void Start(const std::string &config) {
        StartWith(config);
    }
};

COLORREF Colour(const int32_t c[3]) { return RGB(c[0], c[1], c[2]); }
const ModuleColourSet &YellowGreen = ModuleColourSets[0];

// Dot (c, r) of the cell at column `column`, row `row` (from 0) of a module
// with the default dot size 3, gap 1, margin 4 and bezel 12: first dot at 28.
int DotX(int column, int c) { return 28 + 24 * column + 4 * c; }
int DotY(int row, int r) { return 28 + 36 * row + 4 * r; }

TEST_F(Module, ClientSizeFollowsTheGeometryAndALiveEditReLaysIt) {
    sim::set_ticks(1000);
    const std::string config = "Debug=1\nWatchConfig=1\nX=40\nY=30\nWidth=999\nHeight=999\n"
                               "ModuleDotSize=4\nModuleDotGap=2\nModuleMargin=3\nModuleBezel=10\n";
    Start(config + "Module=16x2\n");
    // pitch 6: 2 x (bezel + margin) + (6C - 2) pitches + a dot, (9R - 2) down.
    RECT client = Client();
    EXPECT_EQ(client.right, 2 * (10 + 18) + 94 * 6 + 4);
    EXPECT_EQ(client.bottom, 2 * (10 + 18) + 16 * 6 + 4);
    RECT window;
    GetWindowRect(DisplayWindow, &window);
    EXPECT_EQ(window.left, 40);
    EXPECT_EQ(window.top, 30);
    bool said = false;
    for (const std::string &line : LogLines())
        said = said || (line.find("Module 16x2: window") == 0 &&
                        line.find("(Width= and Height= ignored), client 624 x 156") !=
                            std::string::npos);
    EXPECT_TRUE(said);

    sim::advance_ticks(1000);
    WriteAt(1, 1, "x");
    WriteConfig(config + "Module=20x4\nModuleColors=blue\n");
    sim::advance_ticks(1000);
    WriteAt(1, 1, "y"); // seen changed
    sim::advance_ticks(500);
    WriteAt(1, 1, "y"); // the same half a second later: read
    EXPECT_EQ(Client().right, 2 * (10 + 18) + 118 * 6 + 4);
    EXPECT_EQ(Client().bottom, 2 * (10 + 18) + 34 * 6 + 4);
    EXPECT_EQ(At(0, 0), Colour(ModuleColourSets[1].bezel));

    // Unreadable: logged, and the configured window as before modules.
    sim::advance_ticks(1000);
    WriteConfig(config + "Module=20x9\nWidth=300\nHeight=100\n");
    sim::advance_ticks(1000);
    WriteAt(1, 1, "z");
    sim::advance_ticks(500);
    WriteAt(1, 1, "z");
    GetWindowRect(DisplayWindow, &window);
    EXPECT_EQ(window.right - window.left, 300);
    EXPECT_EQ(window.bottom - window.top, 100);
    int logged = 0;
    for (const std::string &line : LogLines())
        logged += line == "Module unreadable \"20x9\": the rows as configured";
    EXPECT_EQ(logged, 1);
}

TEST_F(Module, EveryDotOfEveryCellOnThePitchGridSpacesIncluded) {
    Start("Module=16x2\n");
    WriteAt(1, 1, " ");
    WriteAt(1, 2, "  A"); // the rest of both rows: spaces, or past the text
    const unsigned char *a = DotPattern('A');
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 5; ++c) {
            bool lit = (a[r] & (0x10 >> c)) != 0;
            int x = DotX(2, c), y = DotY(1, r);
            EXPECT_EQ(At(x, y), Colour(lit ? YellowGreen.dot : YellowGreen.dotOff)) << c << "," << r;
            EXPECT_EQ(At(x + 2, y + 2), At(x, y)) << "a dot is 3 x 3";
            EXPECT_EQ(At(x + 3, y + 3), Colour(YellowGreen.back)) << "the gap";
            for (int column : {0, 1, 3, 15}) // spaces and cells past the text
                EXPECT_EQ(At(DotX(column, c), DotY(1, r)), Colour(YellowGreen.dotOff)) << column;
            EXPECT_EQ(At(DotX(15, c) + 1, DotY(0, r) + 1), Colour(YellowGreen.dotOff));
        }
}

TEST_F(Module, ACustomCharacterLikeABuiltInOneDrawsTheSamePixels) {
    Start("Module=16x2\nModuleDotShape=round\nModuleDotSize=5\n");
    char a[8];
    memcpy(a, DotPattern('A'), sizeof a);
    DISPLAYDLL_CustomChar(1, a);
    WriteAt(1, 1, "A\x01");
    const int pitch = 6, cell = 6 * pitch, left = 12 + 4 * pitch;
    int differing = 0;
    for (int y = 0; y < 9 * pitch; ++y)
        for (int x = 0; x < cell; ++x) differing += At(left + x, left + y) != At(left + cell + x, left + y);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(At(left + 2 * pitch + 2, left + 2), Colour(YellowGreen.dot)) << "A's top dot";
}

TEST_F(Module, NothingShowsPastTheLastColumnOrRow) {
    Start("Module=16x2\nModuleMargin=20\n"); // the would-be cells lie on the glass
    WriteAt(1, 1, "\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff");
    WriteAt(1, 3, "\xff\xff\xff\xff");
    const int first = 12 + 20 * 4;
    const COLORREF glass = Colour(YellowGreen.back);
    EXPECT_EQ(At(first + 15 * 24, first), Colour(YellowGreen.dot)) << "column 16 shows";
    int shown = 0;
    for (int y = first; y < first + 36; ++y) // column 17 of row 1
        for (int x = first + 16 * 24; x < first + 17 * 24; ++x) shown += At(x, y) != glass;
    for (int y = first + 2 * 36; y < first + 3 * 36; ++y) // row 3
        for (int x = first; x < first + 4 * 24; ++x) shown += At(x, y) != glass;
    EXPECT_EQ(shown, 0);
}

// Panel and rows drawn straight onto a bitmap, for every set of the table.
class ModuleLooks : public SurfaceTest {
  protected:
    ModuleLooks() : SurfaceTest(160, 100) {}
    void Draw(const char *module, const char *colours, const char *shape, int dotSize) {
        snprintf(ScreenSettings.Module, sizeof ScreenSettings.Module, "%s", module);
        snprintf(ScreenSettings.ModuleColors, sizeof ScreenSettings.ModuleColors, "%s", colours);
        snprintf(ScreenSettings.ModuleDotShape, sizeof ScreenSettings.ModuleDotShape, "%s", shape);
        ScreenSettings.ModuleDotSize = dotSize;
        int32_t x, y, w, h;
        LoadWorkingLayouts(&x, &y, &w, &h, WorkingLayouts);
        ASSERT_TRUE(DrawModulePanel(dc_));
        for (int r = 0; r < kRows; ++r) DrawRow(r, dc_);
    }
};

TEST_F(ModuleLooks, EachColourSetsFourColoursWhereTheyBelong) {
    ASSERT_GE(ModuleColourSetCount, 7);
    snprintf(reinterpret_cast<char *>(TextRows[0]), kColumns + 1, "%s", "A");
    for (int i = 0; i < ModuleColourSetCount; ++i) {
        const ModuleColourSet &set = ModuleColourSets[i];
        Draw("4x1", set.name, "square", 3);
        // 'A': its top row lights the middle dot only.
        const COLORREF expected[4] = {Colour(set.bezel), Colour(set.back), Colour(set.dot),
                                      Colour(set.dotOff)};
        const COLORREF seen[4] = {At(0, 0), At(20, 20), At(DotX(0, 2) + 1, DotY(0, 0) + 1),
                                  At(DotX(0, 0) + 1, DotY(0, 0) + 1)};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(seen[k], expected[k]) << set.name << " colour " << k;
            for (int j = 0; j < k; ++j) EXPECT_NE(expected[j], expected[k]) << set.name;
        }
        // The bezel: all of the 12 pixels around the glass of the 147 x 87 client.
        int bezel = 0;
        for (int y = 0; y < 87; ++y)
            for (int x = 0; x < 147; ++x)
                bezel += (x < 12 || y < 12 || x >= 135 || y >= 75) && At(x, y) == expected[0];
        EXPECT_EQ(bezel, 147 * 87 - 123 * 63) << set.name;
    }
    const int32_t mine[3] = {1, 2, 3};
    memcpy(ScreenSettings.ModuleBezelColor, mine, sizeof mine);
    Draw("4x1", "blue", "square", 3);
    EXPECT_EQ(At(0, 0), RGB(1, 2, 3)) << "a single colour overrides the set's";
    EXPECT_EQ(At(20, 20), Colour(ModuleColourSets[1].back));
}

TEST_F(ModuleLooks, ARoundDotDiffersFromASquareOneOnlyAtItsCorners) {
    snprintf(reinterpret_cast<char *>(TextRows[0]), kColumns + 1, "%s", "\xff");
    for (int d : {3, 4, 7}) { // the second dot of the full block's second row
        const int at = 12 + 5 * (d + 1), third = (d + 2) / 3;
        Draw("1x1", "yellow-green", "round", d);
        for (int y = 0; y < d; ++y)
            for (int x = 0; x < d; ++x) {
                bool corner = (x < third || x >= d - third) && (y < third || y >= d - third);
                EXPECT_TRUE((corner && d >= 4) || At(at + x, at + y) == Colour(YellowGreen.dot))
                    << d << ": " << x << "," << y;
            }
        EXPECT_EQ(At(at, at), Colour(d < 4 ? YellowGreen.dot : YellowGreen.back)) << d;
    }
}

TEST_F(Module, PictureNamesTheFileAndAModuleLoadsNoneUnlessOneIsNamed) {
    auto opened = [](const char *path) {
        return sim::find_call((std::string("CreateFileA(") + path).c_str()) >= 0;
    };
    Start("EndHostOnClose=0\nModule=16x2\n");
    EXPECT_FALSE(opened("images/Tavlora.jpg"));
    DISPLAYDLL_Done();
    sim::clear_journal();
    Start("EndHostOnClose=0\nModule=\n");
    EXPECT_TRUE(opened("images/Tavlora.jpg"));
    DISPLAYDLL_Done();
    sim::clear_journal();
    Start("EndHostOnClose=0\nModule=16x2\nPicture=mine.jpg\n");
    EXPECT_TRUE(opened("mine.jpg"));
    DISPLAYDLL_Done();
    sim::clear_journal();
    Start("EndHostOnClose=0\nModule=\nPicture=\n");
    EXPECT_EQ(sim::calls("CreateFileA"), 0) << "no picture";
}

TEST_F(Module, TheCheckShowsGeometryAndColoursAndFlagsUnusableValues) {
    WriteFile("m.cfg", "Module=20x4\nModuleColors=blue\nModuleDotColor=1 2 3\nModule=21x5\n"
                       "ModuleColors=purple\nModuleDotShape=oval\nModule=16x2\n");
    std::string report;
    EXPECT_EQ(CheckConfig("m.cfg", &report), CheckProblems);
    for (const char *expected :
         {"line 1: Module = \"20x4\"\n", "line 3: ModuleDotColor = 1 2 3\n",
          "line 4: unusable value, Module = \"21x5\", not columns x rows",
          "line 5: unusable value, ModuleColors = \"purple\", no such colour set",
          "line 6: unusable value, ModuleDotShape = \"oval\", neither square nor round",
          "module: 16x2: window 441 x 149 (Width= and Height= ignored), client 435 x 123, "
          "character cell 24 x 36, dot pitch 4 (dot 3, gap 1), margin 4, bezel 12, square dots",
          "module colours: yellow-green (ModuleColors= names no set): back 166 196 40, "
          "dots 1 2 3, unlit 150 180 34, bezel 24 26 22\n",
          "result: 3 problem lines"})
        EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n" << report;
    // The first set and the last by name are sets like the others.
    WriteFile("named.cfg", "Module=20x4\nModuleColors=yellow-green\nModuleColors=blue-oled\n");
    report.clear();
    EXPECT_EQ(CheckConfig("named.cfg", &report), CheckClean) << report;
}

// The dots on plain glass (two transfers), under a named picture (the
// masks of any dot row) and, with every transfer refused, as regions.
TEST_F(ModuleLooks, EveryWayOfDrawingTheDotsGivesTheSamePixels) {
    AllowLeakedObjects(); // a refused transfer is logged, nothing more
    snprintf(reinterpret_cast<char *>(TextRows[0]), kColumns + 1, "%s", " A\x01y");
    const unsigned char glyph[8] = {0x1F, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x1F, 0x00};
    StoreGlyph(1, glyph);
    std::vector<COLORREF> ways[3];
    for (int way = 0; way < 3; ++way) {
        snprintf(ScreenSettings.Picture, sizeof ScreenSettings.Picture, "%s",
                 way == 1 ? "none.jpg" : ScreenDefaults.Picture);
        if (way == 2) sim::fail_call("StretchDIBits", 0, ERROR_INVALID_PARAMETER);
        Draw("5x1", "blue", "square", 3);
        sim::clear_faults();
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x) ways[way].push_back(At(x, y));
        EXPECT_EQ(WorkingLayouts[0].OnGlass, way != 1);
    }
    EXPECT_TRUE(ways[0] == ways[1]);
    EXPECT_TRUE(ways[0] == ways[2]);
    EXPECT_EQ(ways[0][static_cast<size_t>(DotY(0, 0) * 160 + DotX(1, 2))],
              Colour(ModuleColourSets[1].dot));
}

} // namespace
