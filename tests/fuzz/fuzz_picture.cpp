// Fuzz target: the picture header reader, which sees the bytes of any file
// named by Picture= before the system's loader does. The input is the file.
// The reader gets a block of exactly the input's size, so the sanitizers
// see any read beyond it, and
//  1. a picture's format comes with a size, and nothing else has one;
//  2. every beginning of the input reads as the whole input does or as cut
//     short (up to its first 4096 bytes): a reader never makes sense of a
//     part that the whole contradicts.
#include "fuzz_support.h"

#include "screen/picture_header.h"

#include <vector>

static PictureHeader Read(const uint8_t *data, size_t size) {
    std::vector<unsigned char> exact(data, data + size);
    return ReadPictureHeader(exact.empty() ? nullptr : exact.data(), exact.size());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    PictureHeader whole = Read(data, size);
    bool picture = whole.format == PictureJpeg || whole.format == PictureBmp ||
                   whole.format == PictureGif;
    fuzz::Require(picture == (whole.width > 0 && whole.height > 0),
                  "a picture has a size and nothing else has one");
    if (!picture) return 0;
    for (size_t n = 0; n < size && n < 4096; ++n) {
        PictureHeader part = Read(data, n);
        bool same = part.format == whole.format && part.width == whole.width &&
                    part.height == whole.height;
        fuzz::Require(same || part.format == PictureCutShort || (n == 0 && part.format == PictureEmpty),
                      "a beginning reads as the whole or as cut short");
    }
    return 0;
}
