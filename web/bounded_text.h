// Text written into a caller's fixed buffer, always terminated; once a
// piece does not fit, nothing more is written and the whole is refused.
#pragma once

#include <stddef.h>

struct BoundedText {
    char *out;
    size_t size; // of `out`, the terminator's byte included
    size_t used; // bytes written, the terminator not counted
    bool fits;   // false once a piece did not fit
};

BoundedText StartText(char *out, size_t size);
void PutBytes(BoundedText &text, const char *bytes, size_t length);
void PutText(BoundedText &text, const char *piece);
void PutNumber(BoundedText &text, long number);
// The length written, 0 when something did not fit.
size_t TextLength(const BoundedText &text);
