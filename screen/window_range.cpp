#include "window_range.h"

#include "config/config.h"
#include "log/log.h"

#include <cstdio>
#include <cstring>

static int32_t Within(int64_t value, int32_t low, int32_t high) {
    return static_cast<int32_t>(value < low ? low : value > high ? high : value);
}

void KeepWindowInRange(int64_t x, int64_t y, int64_t width, int64_t height, bool log,
                       int32_t *keptX, int32_t *keptY, int32_t *keptWidth, int32_t *keptHeight) {
    static char logged[192];
    *keptX = Within(x, kMinWindowPlace, kMaxWindowPlace);
    *keptY = Within(y, kMinWindowPlace, kMaxWindowPlace);
    *keptWidth = Within(width, kMinWindowSide, kMaxWindowSide);
    *keptHeight = Within(height, kMinWindowSide, kMaxWindowSide);
    if (!log) return;
    char detail[sizeof logged] = "";
    if (*keptX != x || *keptY != y || *keptWidth != width || *keptHeight != height)
        snprintf(detail, sizeof detail,
                 "%lld x %lld at %lld, %lld is outside what can be shown (sizes %d to %d, "
                 "places %d to %d): %d x %d at %d, %d used",
                 static_cast<long long>(width), static_cast<long long>(height),
                 static_cast<long long>(x), static_cast<long long>(y), kMinWindowSide,
                 kMaxWindowSide, kMinWindowPlace, kMaxWindowPlace, *keptWidth, *keptHeight,
                 *keptX, *keptY);
    if (strcmp(detail, logged) == 0) return;
    snprintf(logged, sizeof logged, "%s", DebugLevel != 0 ? detail : "");
    if (detail[0]) WriteLog("Window", detail);
}
