#include "limits.h"

#include "config/module.h"
#include "log/log.h"
#include "screen/scale.h"
#include "screen/widget.h"

#include <cstdio>
#include <cstring>

static const char *const kSetColour = "the colour set's used";

static const ValueLimit kLimits[] = {
    {"Zoom=", false, kMinZoom, kMaxZoom, NULL},
    {"Opacity=", false, kMinOpacity, kMaxOpacity, NULL},
    {"SnapDistance=", false, 0, INT32_MAX, NULL},
    {"ModuleDotSize=", false, 1, kMaxModuleDotSize, NULL},
    {"ModuleDotGap=", false, 0, kMaxModuleDotGap, NULL},
    {"ModuleMargin=", false, 0, kMaxModuleMargin, NULL},
    {"ModuleBezel=", false, 0, kMaxModuleBezel, NULL},
    {"ModuleBackColor=", false, 0, 255, kSetColour},
    {"ModuleDotColor=", false, 0, 255, kSetColour},
    {"ModuleDotOffColor=", false, 0, 255, kSetColour},
    {"ModuleBezelColor=", false, 0, 255, kSetColour},
    {"TransparentColor=", false, 0, 255, "none used"},
    {"DotGap=", true, 0, INT32_MAX, NULL},
};
static const int kLimitCount = sizeof kLimits / sizeof kLimits[0];

// What was last logged for each limit, and row (0 for the window's keys):
// the same value read again is not logged again.
static char Logged[kLimitCount][5][160];

const ValueLimit *LimitOf(const ConfigKey &key, bool row) {
    for (int i = 0; i < kLimitCount; ++i)
        if (kLimits[i].row == row && strcmp(kLimits[i].key, key.name) == 0) return &kLimits[i];
    return NULL;
}

static bool Within(const ValueLimit &limit, int32_t value) {
    return value >= limit.low && value <= limit.high;
}

// A colour not set at all (every part negative) is no value to refuse.
static bool Unset(const int32_t *colour) {
    return colour[0] < 0 && colour[1] < 0 && colour[2] < 0;
}

void DescribeLimitUse(const ValueLimit &limit, const int32_t *value, char *text, size_t size) {
    if (limit.refused)
        snprintf(text, size, "out of range: %s", limit.refused);
    else
        snprintf(text, size, "out of range: %d used", value[0]);
}

// Logs `detail` unless it is what was logged last for the limit and row;
// an empty one (the value in range) forgets it.
static void LogOnce(const ValueLimit &limit, int row, const char *detail) {
    char *last = Logged[&limit - kLimits][row]; // row: 0 to 4
    if (strcmp(last, detail) == 0) return;
    if (detail[0]) WriteLog("Configuration", detail);
    // Not logging yet (Debug= comes later in the file): said when it is.
    snprintf(last, sizeof Logged[0][0], "%s", DebugLevel != 0 ? detail : "");
}

// "Zoom=", or a row's "Line2DotGap=".
static void KeyName(const ValueLimit &limit, int row, char *name, size_t size) {
    if (row > 0)
        snprintf(name, size, "Line%d%s", row, limit.key);
    else
        snprintf(name, size, "%s", limit.key);
}

bool KeepNumberWithinLimit(const ValueLimit &limit, int row, int32_t *value) {
    if (Within(limit, *value)) {
        LogOnce(limit, row, "");
        return false;
    }
    char name[40], detail[160];
    KeyName(limit, row, name, sizeof name);
    const int32_t given = *value;
    *value = given < limit.low ? limit.low : limit.high;
    if (limit.high == INT32_MAX)
        snprintf(detail, sizeof detail, "%s%d is below %d: %d used", name, given, limit.low,
                 *value);
    else
        snprintf(detail, sizeof detail, "%s%d is outside %d to %d: %d used", name, given,
                 limit.low, limit.high, *value);
    LogOnce(limit, row, detail);
    return true;
}

bool KeepColourWithinLimit(const ValueLimit &limit, int row, int32_t *colour, int read) {
    if (read == 3 && (Unset(colour) || (Within(limit, colour[0]) && Within(limit, colour[1]) &&
                                        Within(limit, colour[2])))) {
        LogOnce(limit, row, "");
        return false;
    }
    char name[40], detail[160];
    KeyName(limit, row, name, sizeof name);
    if (read < 3)
        snprintf(detail, sizeof detail, "%s has %d of its 3 numbers: %s", name, read,
                 limit.refused);
    else
        snprintf(detail, sizeof detail, "%s%d %d %d has a part outside %d to %d: %s", name,
                 colour[0], colour[1], colour[2], limit.low, limit.high, limit.refused);
    colour[0] = colour[1] = colour[2] = -1;
    LogOnce(limit, row, detail);
    return true;
}
