#include "module.h"

#include "log/log.h"
#include "platform/platform.h"
#include "screen/scale.h"
#include "screen/window.h"

#include <cstdio>
#include <cstring>

// name, lit glass, lit dots, unlit dots, bezel. The first is the default.
const ModuleColourSet ModuleColourSets[] = {
    {"yellow-green", {166, 196, 40}, {28, 40, 8}, {150, 180, 34}, {24, 26, 22}},
    {"blue", {24, 62, 206}, {236, 242, 255}, {38, 80, 218}, {18, 20, 28}},
    {"amber", {250, 164, 22}, {64, 30, 0}, {234, 150, 20}, {26, 22, 18}},
    {"red", {222, 44, 36}, {54, 0, 0}, {206, 38, 32}, {26, 20, 20}},
    {"white", {236, 236, 230}, {30, 30, 34}, {222, 222, 216}, {44, 44, 48}},
    {"green-oled", {0, 0, 0}, {70, 255, 130}, {10, 24, 14}, {30, 30, 30}},
    {"blue-oled", {0, 0, 0}, {90, 180, 255}, {10, 18, 30}, {30, 30, 30}},
};
const int ModuleColourSetCount = sizeof ModuleColourSets / sizeof ModuleColourSets[0];

static const char *const kDotShapes[] = {"square", "round"}; // index: round or not


static int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : value;
}

static const char *SkipBlanks(const char *p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

// A number of 1 to 3 digits; moves `p` past it.
static bool ReadSmallNumber(const char **p, int32_t *value) {
    const char *q = SkipBlanks(*p);
    int digits = 0;
    *value = 0;
    for (; *q >= '0' && *q <= '9' && digits < 4; ++q, ++digits) *value = *value * 10 + (*q - '0');
    if (digits == 0 || digits > 3) return false;
    *p = SkipBlanks(q);
    return true;
}

bool ReadModuleSize(const char *text, int32_t *columns, int32_t *rows) {
    const char *p = text;
    if (!ReadSmallNumber(&p, columns) || (*p != 'x' && *p != 'X')) return false;
    ++p;
    if (!ReadSmallNumber(&p, rows) || *p != 0) return false;
    return *columns >= 1 && *columns <= 80 && *rows >= 1 && *rows <= 4;
}

static int FindName(const char *name, const char *const *names, int count) {
    for (int i = 0; i < count; ++i)
        if (strcmp(name, names[i]) == 0) return i;
    return -1;
}

static int FindColourSet(const char *name) {
    for (int i = 0; i < ModuleColourSetCount; ++i)
        if (strcmp(name, ModuleColourSets[i].name) == 0) return i;
    return -1;
}

// The configured colour, or the set's when any part is outside 0 to 255
// (negative: not set; the reader refuses the others, config/limits.h).
static bool ColourPart(int32_t part) {
    return part >= 0 && part <= 255;
}
static void TakeColour(int32_t out[3], const int32_t configured[3], const int32_t fromSet[3]) {
    bool set = ColourPart(configured[0]) && ColourPart(configured[1]) && ColourPart(configured[2]);
    memcpy(out, set ? configured : fromSet, 3 * sizeof(int32_t));
}

bool ResolveModule(ModuleLayout *m) {
    const ScreenSettingsRecord &s = ScreenSettings;
    memset(m, 0, sizeof *m);
    if (!ReadModuleSize(s.Module, &m->columns, &m->rows)) return false;
    // Whole pixels at the display's scale: every dot the same size.
    m->dotSize = ScaleLength(Clamp(s.ModuleDotSize, 1, kMaxModuleDotSize));
    if (m->dotSize < 1) m->dotSize = 1;
    m->dotGap = ScaleLength(Clamp(s.ModuleDotGap, 0, kMaxModuleDotGap));
    m->pitch = m->dotSize + m->dotGap;
    m->margin = Clamp(s.ModuleMargin, 0, kMaxModuleMargin);
    m->bezel = ScaleLength(Clamp(s.ModuleBezel, 0, kMaxModuleBezel));
    m->left = m->top = m->bezel + m->margin * m->pitch;
    // The last character's last dot ends a blank column (and row) and a gap
    // short of its cell; the margin follows from there.
    m->clientWidth = 2 * m->left + (6 * m->columns - 2) * m->pitch + m->dotSize;
    m->clientHeight = 2 * m->top + (9 * m->rows - 2) * m->pitch + m->dotSize;
    RECT outer = {0, 0, m->clientWidth, m->clientHeight};
    // The outer size of the plain window, as Width= and Height= are: the
    // scale turns it into the size of the window's own style.
    if (!AdjustWindowRectEx(&outer, kDisplayWindowStyle, FALSE, 0)) {
        LogLastError("Error from AdjustWindowRectEx");
        outer = RECT{0, 0, m->clientWidth, m->clientHeight};
    }
    m->windowWidth = outer.right - outer.left;
    m->windowHeight = outer.bottom - outer.top;

    int shape = FindName(s.ModuleDotShape, kDotShapes, 2);
    m->knownShape = shape >= 0;
    m->round = shape == 1;
    int set = FindColourSet(s.ModuleColors);
    m->knownColours = set >= 0;
    const ModuleColourSet &c = ModuleColourSets[set >= 0 ? set : 0];
    m->colourSet = c.name;
    TakeColour(m->back, s.ModuleBackColor, c.back);
    TakeColour(m->dot, s.ModuleDotColor, c.dot);
    TakeColour(m->dotOff, s.ModuleDotOffColor, c.dotOff);
    TakeColour(m->bezelColour, s.ModuleBezelColor, c.bezel);
    return true;
}

// Logs `text` under `event` when it differs from what was logged last.
static void LogChange(char *last, size_t size, const char *event, const char *text) {
    if (strcmp(last, text) == 0) return;
    snprintf(last, size, "%s", text);
    if (text[0]) WriteLog(event, text);
}

bool LayOutModule(int32_t *width, int32_t *height, LineLayout rows[4]) {
    static char loggedSize[96], loggedGeometry[256], loggedColours[256];
    ModuleLayout m;
    if (!ResolveModule(&m)) {
        char text[64] = "";
        if (ScreenSettings.Module[0])
            snprintf(text, sizeof text, "unreadable \"%s\": the rows as configured",
                     ScreenSettings.Module);
        LogChange(loggedSize, sizeof loggedSize, "Module", text);
        loggedGeometry[0] = loggedColours[0] = 0;
        return false;
    }
    loggedSize[0] = 0;
    char text[256];
    DescribeModuleGeometry(m, text, sizeof text);
    LogChange(loggedGeometry, sizeof loggedGeometry, "Module", text);
    DescribeModuleColours(m, text, sizeof text);
    LogChange(loggedColours, sizeof loggedColours, "Module colours", text);

    *width = m.windowWidth;
    *height = m.windowHeight;
    for (int r = 0; r < 4; ++r) {
        LineLayout &row = rows[r];
        row.X = m.left;
        row.Y = m.top + r * 9 * m.pitch;
        row.FontWidth = 6 * m.pitch;
        row.FontHeight = 9 * m.pitch;
        row.Dots = 1;
        row.DotPitch = m.pitch;
        row.DotGap = m.dotGap;
        row.Cells = r < m.rows ? m.columns : 0;
        row.RoundDots = m.round;
        memcpy(row.FontColor, m.dot, sizeof row.FontColor);
        memcpy(row.DotOffColor, m.dotOff, sizeof row.DotOffColor);
        // The glass is drawn already; with no picture over it the dots can
        // bring it along between them.
        row.OnGlass = BackgroundPicturePath()[0] == 0;
        memcpy(row.FontBkColor, m.back, sizeof row.FontBkColor);
        if (!row.OnGlass) memset(row.FontBkColor, 0, sizeof row.FontBkColor);
    }
    return true;
}

const char *BackgroundPicturePath() {
    int32_t columns, rows;
    if (ReadModuleSize(ScreenSettings.Module, &columns, &rows) &&
        strcmp(ScreenSettings.Picture, ScreenDefaults.Picture) == 0)
        return "";
    return ScreenSettings.Picture;
}

void DescribeModuleGeometry(const ModuleLayout &m, char *text, size_t size) {
    snprintf(text, size,
             "%dx%d: window %d x %d (Width= and Height= ignored), client %d x %d, "
             "character cell %d x %d, dot pitch %d (dot %d, gap %d), margin %d, bezel %d, "
             "%s dots%s",
             m.columns, m.rows, m.windowWidth, m.windowHeight, m.clientWidth, m.clientHeight,
             6 * m.pitch, 9 * m.pitch, m.pitch, m.dotSize, m.dotGap, m.margin, m.bezel,
             m.round && m.dotSize >= 4 ? "round" : "square",
             m.knownShape ? "" : " (ModuleDotShape= is neither square nor round)");
}

void DescribeModuleColours(const ModuleLayout &m, char *text, size_t size) {
    snprintf(text, size, "%s%s: back %d %d %d, dots %d %d %d, unlit %d %d %d, bezel %d %d %d",
             m.colourSet, m.knownColours ? "" : " (ModuleColors= names no set)", m.back[0], m.back[1], m.back[2], m.dot[0], m.dot[1], m.dot[2],
             m.dotOff[0], m.dotOff[1], m.dotOff[2], m.bezelColour[0], m.bezelColour[1],
             m.bezelColour[2]);
}

const char *ModuleValueProblem(const char *key, const char *value) {
    int32_t columns, rows;
    if (strcmp(key, "Module=") == 0)
        return value[0] == 0 || ReadModuleSize(value, &columns, &rows)
                   ? NULL
                   : "not columns x rows (1 to 80 x 1 to 4): the rows as configured";
    if (strcmp(key, "ModuleColors=") == 0)
        return FindColourSet(value) >= 0 ? NULL : "no such colour set: yellow-green";
    if (strcmp(key, "ModuleDotShape=") == 0)
        return FindName(value, kDotShapes, 2) >= 0 ? NULL : "neither square nor round: square";
    return NULL;
}
