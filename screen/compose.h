// The display's image, composed off screen: the background picture and the
// four rows in a bitmap the size of the window's inside. The repaint puts it
// on the window and a recording writes it to its file, so a hidden,
// covered, off-screen or minimised window records what it shows.
#pragma once

#include "platform/platform.h"

struct ComposedImage {
    HDC surface;     // a memory context holding `bitmap`; null when none was made
    HBITMAP bitmap;  // compatible with the window: the fastest to draw on and show
    HGDIOBJ kept;    // the context's own bitmap, put back before the bitmap goes
    BITMAPINFO info; // the pixels as a recording takes them: bottom-up rows,
                     // 32 bits a pixel, a BMP file's own layout
    HGLOBAL memory;  // the pixels, once read (ReadComposedPixels)
    const BYTE *pixels;
};

// The largest image the driver draws and records: 8192 pixels a side and
// 16 Mpixels (64 MiB) in all. Of a larger window only the top-left part
// that fits is drawn and recorded, and the log says so once.
const LONG kMaxImageSide = 8192;
const LONG kMaxImagePixels = 16 * 1024 * 1024;

// Composes the display at the window's inside size (its last size before
// it was minimised, when it is) into `image`: on its own bitmap when that is
// of this size, else on a new one (an image never composed is all zeros).
// Pixels read before are dropped. False, after logging why, when no image
// could be made; `image` then holds nothing to release.
bool ComposeDisplay(HWND window, ComposedImage *image);

// The image's pixels in `info`'s layout, read from the bitmap once and kept
// until the image is released; null, after logging why, when they cannot be
// had. The bitmap is taken out of the context for it.
const BYTE *ReadComposedPixels(ComposedImage *image);
// The same pixels copied into `out` (width x height x 4 bytes), from those
// kept when they were read, else straight from the bitmap without keeping
// them. False, after logging why, when they cannot be had.
bool CopyComposedPixels(ComposedImage *image, BYTE *out);

// Releases everything ComposeDisplay made; an empty image is left as it is.
void ReleaseComposed(ComposedImage *image);
