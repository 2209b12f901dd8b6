// A module colour override given whole, in part or out of range, by the
// pixels a user sees: a whole one in 0 to 255 replaces the set's colour,
// anything else leaves the set's (and only that colour changes).
#include "driver/tavlora.h"
#include "screen/window.h"
#include "test_support.h"

#include <cstdio>
#include <cstring>

namespace {

class ModuleColours : public DriverTest {};

TEST_F(ModuleColours, AnOverrideInPartOrOutOfRangeLeavesTheSetsColour) {
    // yellow-green: lit, unlit, glass, bezel.
    const COLORREF set[4] = {RGB(28, 40, 8), RGB(150, 180, 34), RGB(166, 196, 40), RGB(24, 26, 22)};
    const struct {
        const char *line;
        int which; // the colour the line names, as in `set`
        COLORREF shown;
    } cases[] = {
        {"ModuleDotColor=255 0 255", 0, RGB(255, 0, 255)},
        {"ModuleDotColor=256 0 255", 0, set[0]},
        {"ModuleDotColor=255 0", 0, set[0]},
        {"ModuleDotOffColor=1 2 3", 1, RGB(1, 2, 3)},
        {"ModuleDotOffColor=1 -1 3", 1, set[1]},
        {"ModuleDotOffColor=7", 1, set[1]},
        {"ModuleBackColor=0 0 0", 2, RGB(0, 0, 0)},
        {"ModuleBackColor=0 0 -1", 2, set[2]},
        {"ModuleBackColor=10 20", 2, set[2]},
        {"ModuleBezelColor=9 8 7", 3, RGB(9, 8, 7)},
        {"ModuleBezelColor=9 8 300", 3, set[3]},
        {"ModuleBezelColor=", 3, set[3]},
    };
    const unsigned char checker[8] = {0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        StartWith(std::string("EndHostOnClose=0\nWidth=300\nHeight=100\nModule=2x1\nPicture=\n") +
                  c.line + "\n");
        char glyph[8];
        memcpy(glyph, checker, sizeof glyph);
        DISPLAYDLL_CustomChar(1, glyph);
        DISPLAYDLL_SetPosition(1, 1);
        DISPLAYDLL_Write(const_cast<char *>("\x01"));
        // The first cell's top-left dot is lit, the one below it unlit; the
        // glass between dots; the bezel at the corner.
        const COLORREF seen[4] = {sim::window_pixel(DisplayWindow, 29, 29),
                                  sim::window_pixel(DisplayWindow, 29, 33),
                                  sim::window_pixel(DisplayWindow, 31, 29),
                                  sim::window_pixel(DisplayWindow, 5, 5)};
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(seen[k], k == c.which ? c.shown : set[k]) << "colour " << k;
        DISPLAYDLL_Done();
    }
}

} // namespace
