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

static void LogOnce(char *last, size_t size, const char *detail) {
    if (strcmp(last, detail) == 0) return;
    WriteLog("Configuration", detail);
    // Not logging yet (Debug= comes later in the file): said when it is.
    snprintf(last, size, "%s", DebugLevel != 0 ? detail : "");
}

bool KeepWithinLimit(const ValueLimit &limit, int row, int32_t *value, int read) {
    char *last = Logged[&limit - kLimits][row]; // row: 0 to 4
    const size_t lastSize = sizeof Logged[0][0];
    char name[40];
    if (row > 0)
        snprintf(name, sizeof name, "Line%d%s", row, limit.key);
    else
        snprintf(name, sizeof name, "%s", limit.key);
    char detail[160];
    if (!limit.refused) {
        if (Within(limit, value[0])) {
            last[0] = 0;
            return false;
        }
        const int32_t given = value[0];
        value[0] = given < limit.low ? limit.low : limit.high;
        if (limit.high == INT32_MAX)
            snprintf(detail, sizeof detail, "%s%d is below %d: %d used", name, given, limit.low,
                     value[0]);
        else
            snprintf(detail, sizeof detail, "%s%d is outside %d to %d: %d used", name, given,
                     limit.low, limit.high, value[0]);
        LogOnce(last, lastSize, detail);
        return true;
    }
    if (read == 3 && (Unset(value) ||
                      (Within(limit, value[0]) && Within(limit, value[1]) && Within(limit, value[2])))) {
        last[0] = 0;
        return false;
    }
    if (read < 3)
        snprintf(detail, sizeof detail, "%s has %d of its 3 numbers: %s", name, read,
                 limit.refused);
    else
        snprintf(detail, sizeof detail, "%s%d %d %d has a part outside %d to %d: %s", name,
                 value[0], value[1], value[2], limit.low, limit.high, limit.refused);
    value[0] = value[1] = value[2] = -1;
    LogOnce(last, lastSize, detail);
    return true;
}
