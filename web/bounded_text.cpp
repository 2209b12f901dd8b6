#include "bounded_text.h"

#include <cstdio>
#include <cstring>

BoundedText StartText(char *out, size_t size) {
    BoundedText text = {out, size, 0, size > 0};
    if (size > 0) out[0] = '\0';
    return text;
}

void PutBytes(BoundedText &text, const char *bytes, size_t length) {
    if (!text.fits || length >= text.size - text.used) {
        text.fits = false;
        return;
    }
    memcpy(text.out + text.used, bytes, length);
    text.used += length;
    text.out[text.used] = '\0';
}

void PutText(BoundedText &text, const char *piece) {
    PutBytes(text, piece, strlen(piece));
}

void PutNumber(BoundedText &text, long number) {
    char digits[24];
    snprintf(digits, sizeof digits, "%ld", number);
    PutText(text, digits);
}

size_t TextLength(const BoundedText &text) {
    return text.fits ? text.used : 0;
}
