// The view's picture: a PNG with an alpha channel, made in memory from the
// captured pixels, in which the pixels of the colour key are see-through.
#pragma once

#include "platform/platform.h"
#include "record/recording.h"

#include <stddef.h>

// The key for a picture with no see-through pixels: no pixel has it.
const COLORREF kNoColourKey = CLR_INVALID;

// Bytes that hold the PNG of any width x height image; 0 for a size that
// is not encoded (not 1 to kMaxImageSide a side).
size_t AlphaPngBound(LONG width, LONG height);

// Encodes a 32-bit bottom-up image as an 8-bit RGBA PNG: alpha 0 where a
// pixel's colour is `key`, 255 elsewhere. Writes into `out` and returns the
// PNG's length; 0 when the image is not one it encodes or the PNG does not
// fit in `size`. Uses buffers of its own: one encoding at a time.
size_t EncodeAlphaPng(const RecordImage &image, COLORREF key, BYTE *out, size_t size);
