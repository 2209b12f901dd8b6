// What a picture file's first bytes say it is: its format and the size it
// declares, read before the file goes to the system's picture loader, which
// trusts that size.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum PictureFormat {
    PictureJpeg,
    PictureBmp,
    PictureGif,
    PictureEmpty,    // no bytes at all
    PictureCutShort, // a known format whose bytes end before its size
    PictureDamaged,  // a known format whose header makes no sense
    PictureUnknown   // none of the formats above
};

struct PictureHeader {
    PictureFormat format;
    uint32_t width; // pixels; 0 unless the format is a picture's
    uint32_t height;
    bool ends; // a picture's bytes end as its format ends a file: a JPEG's
               // end marker, a GIF's trailer, a BMP's declared length
};

// Reads the format and size from `size` bytes at `bytes` (null only with a
// size of 0). Never reads outside them, whatever they hold. A JPEG's size
// is its first frame header's (SOF0 to SOF15 but the table markers), after
// any number of other segments; a BMP's its info header's; a GIF's the
// larger of its screen and its first image's extent. A picture that does
// not end as it should was most likely cut short.
PictureHeader ReadPictureHeader(const unsigned char *bytes, size_t size);

// The words for a format that is not a picture ("is empty", "is cut
// short", ...), and "" for the three pictures.
const char *PictureProblem(PictureFormat format);
