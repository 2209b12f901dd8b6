// The ranges the driver keeps numeric settings in. A value read outside its
// range is changed to one inside it (a colour is refused whole), and the log
// says once, while the file keeps that value, which value is used instead.
#pragma once

#include "config/config.h"

#include <stddef.h>
#include <stdint.h>

struct ValueLimit {
    const char *key;     // as in the key tables: "Zoom=", or a row's "DotGap="
    bool row;            // a row's key
    int32_t low, high;
    const char *refused; // a colour's: what is used instead of one with a part
                         // outside low to high; NULL: a number, clamped
};

// The limit of `key` (a row's key when `row`); NULL when its values are used
// as they are.
const ValueLimit *LimitOf(const ConfigKey &key, bool row);

// Bring the value just read for `limit` into its range: a number clamped;
// a colour with `read` of its 3 parts read, any part outside the range or
// missing, set to -1 -1 -1 (not set). `row` is 1 to 4 for a row's key, 0
// otherwise. True when the value was changed; logged once while the file
// gives that value.
bool KeepNumberWithinLimit(const ValueLimit &limit, int row, int32_t *value);
bool KeepColourWithinLimit(const ValueLimit &limit, int row, int32_t *colour, int read);

// What was used instead, for the configuration check: "out of range: 25 used".
void DescribeLimitUse(const ValueLimit &limit, const int32_t *value, char *text, size_t size);
