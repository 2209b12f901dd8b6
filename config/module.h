// An LCD module from a few settings: "Module=CxR" and its dot size and gap,
// margin, bezel, colour set and dot shape. The driver works out the window's
// size and the rows' places from them; screen/panel.cpp draws the glass and
// the bezel, screen/dot_rows.cpp the characters.
//
// A character is 5 x 8 dots, 6 dot pitches across (a blank column after its
// dots) and 9 down (a blank row), as on HD44780-style modules.
#pragma once

#include "config/config.h"

#include <stddef.h>
#include <stdint.h>

// The values a module's sizes are kept within (config/limits.h).
const int32_t kMaxModuleDotSize = 64, kMaxModuleDotGap = 32, kMaxModuleMargin = 32,
              kMaxModuleBezel = 256;

// One colour set: the lit glass, lit dots, unlit dots and the bezel.
struct ModuleColourSet {
    const char *name;
    int32_t back[3], dot[3], dotOff[3], bezel[3];
};
extern const ModuleColourSet ModuleColourSets[];
extern const int ModuleColourSetCount;

struct ModuleLayout {
    int32_t columns, rows;            // 1 to 80, 1 to 4
    int32_t dotSize, dotGap, pitch;   // pixels; pitch = size + gap
    int32_t margin;                   // dot pitches between glass edge and dots
    int32_t bezel;                    // pixels
    int32_t left, top;                // first dot of row 1, client pixels
    int32_t clientWidth, clientHeight;
    int32_t windowWidth, windowHeight; // outer size for the display window's style
    int32_t round;                    // non-zero: round dots (at 4 pixels and more)
    const char *colourSet;            // the set the colours start from
    int32_t back[3], dot[3], dotOff[3], bezelColour[3];
    bool knownColours, knownShape;    // false: the name was not known, the default used
};

// Parses "CxR" (blanks allowed around the numbers, "x" or "X"): false when
// it is not that or out of range.
bool ReadModuleSize(const char *text, int32_t *columns, int32_t *rows);

// The module the settings describe, its lengths at the display's scale
// (screen/scale.h); false when Module= is empty or
// unreadable (then the rows are drawn as configured).
bool ResolveModule(ModuleLayout *module);

// For the layout of every refresh: with a module, the window's outer size
// and the four rows of the module (row R+1 and on draw nothing); without
// one, nothing changes (false). A new or changed module is logged once.
bool LayOutModule(int32_t *width, int32_t *height, LineLayout rows[4]);

// The background picture's file: Picture=, but in module mode only a
// picture named apart from the default one. Empty: none.
const char *BackgroundPicturePath();

// The module in words, for the log and the configuration check: its
// geometry, and its resolved colours.
void DescribeModuleGeometry(const ModuleLayout &module, char *text, size_t size);
void DescribeModuleColours(const ModuleLayout &module, char *text, size_t size);

// Why the value a module key was given cannot be used (NULL: it can), for
// "Module=", "ModuleColors=" and "ModuleDotShape=".
const char *ModuleValueProblem(const char *key, const char *value);
