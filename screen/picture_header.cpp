#include "picture_header.h"

static uint32_t Little16(const unsigned char *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

static uint32_t Little32(const unsigned char *p) {
    return Little16(p) | Little16(p + 2) << 16;
}

static uint32_t Big16(const unsigned char *p) {
    return static_cast<uint32_t>(p[0]) << 8 | p[1];
}

static PictureHeader Header(PictureFormat format, uint32_t width = 0, uint32_t height = 0) {
    PictureHeader header;
    header.format = format;
    header.width = width;
    header.height = height;
    header.ends = false;
    return header;
}

// Markers without a length: TEM and the restart markers.
static bool StandsAlone(unsigned char marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// SOF0 to SOF15, less DHT (C4), JPG (C8) and DAC (CC).
static bool IsFrameHeader(unsigned char marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

static PictureHeader ReadJpeg(const unsigned char *bytes, size_t size) {
    size_t at = 2; // past the start of image
    for (;;) {
        // Like the decoder, skip anything between segments up to the next
        // marker, and the fill bytes before its code.
        while (at < size && bytes[at] != 0xFF) ++at;
        while (at < size && bytes[at] == 0xFF) ++at;
        if (at >= size) return Header(PictureCutShort);
        unsigned char marker = bytes[at++];
        if (marker == 0x00 || StandsAlone(marker)) continue;
        // The end of the image or its scan before any frame: no size at all.
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) return Header(PictureDamaged);
        if (size - at < 2) return Header(PictureCutShort);
        size_t length = Big16(bytes + at);
        if (length < 2) return Header(PictureDamaged);
        if (IsFrameHeader(marker)) {
            // length, precision, height, width, the component count and
            // at least one component of three bytes
            if (length < 11) return Header(PictureDamaged);
            if (size - at < 7) return Header(PictureCutShort);
            uint32_t height = Big16(bytes + at + 3), width = Big16(bytes + at + 5);
            // A height of 0 is given later, in a line-count marker the
            // system's loader does not read.
            if (width == 0 || height == 0) return Header(PictureDamaged);
            return Header(PictureJpeg, width, height);
        }
        at += length; // beyond the end: cut short at the next look
    }
}

static PictureHeader ReadBmp(const unsigned char *bytes, size_t size) {
    // The 14-byte file header, then the info header's own size.
    if (size < 18) return Header(PictureCutShort);
    uint32_t infoSize = Little32(bytes + 14);
    if (infoSize == 12) { // the old core header: 16-bit sizes
        if (size < 22) return Header(PictureCutShort);
        uint32_t width = Little16(bytes + 18), height = Little16(bytes + 20);
        if (width == 0 || height == 0) return Header(PictureDamaged);
        return Header(PictureBmp, width, height);
    }
    if (infoSize < 16) return Header(PictureDamaged);
    if (size < 26) return Header(PictureCutShort);
    int32_t width = static_cast<int32_t>(Little32(bytes + 18));
    int32_t height = static_cast<int32_t>(Little32(bytes + 22)); // negative: top-down rows
    if (width <= 0 || height == 0 || height == INT32_MIN) return Header(PictureDamaged);
    return Header(PictureBmp, static_cast<uint32_t>(width),
                  static_cast<uint32_t>(height < 0 ? -height : height));
}

static PictureHeader ReadGif(const unsigned char *bytes, size_t size) {
    // "GIF8xa", the logical screen's width and height, flags, background
    // and aspect; then the global colour table when the flags have one.
    if (size < 13) return Header(PictureCutShort);
    uint32_t width = Little16(bytes + 6), height = Little16(bytes + 8);
    size_t at = 13;
    if (bytes[10] & 0x80) at += 3u << ((bytes[10] & 7) + 1);
    // Extensions (each a label and sub-blocks up to an empty one) until the
    // first image, whose place and size may reach beyond the screen.
    for (;;) {
        if (at >= size) return Header(PictureCutShort);
        unsigned char block = bytes[at++];
        if (block == 0x2C) break;
        if (block != 0x21) return Header(PictureDamaged); // the trailer, or no block at all
        if (at >= size) return Header(PictureCutShort);
        ++at; // the label
        for (;;) {
            if (at >= size) return Header(PictureCutShort);
            size_t length = bytes[at++];
            if (length == 0) break;
            at += length; // beyond the end: cut short at the next look
        }
    }
    if (size - at < 8) return Header(PictureCutShort);
    uint32_t right = Little16(bytes + at) + Little16(bytes + at + 4);
    uint32_t bottom = Little16(bytes + at + 2) + Little16(bytes + at + 6);
    if (right > width) width = right;
    if (bottom > height) height = bottom;
    if (width == 0 || height == 0) return Header(PictureDamaged);
    return Header(PictureGif, width, height);
}

// Whether the bytes end as a whole file of the format does.
static bool Ends(const unsigned char *bytes, size_t size, PictureFormat format) {
    // A JPEG's frame header came before: there are more than two bytes.
    if (format == PictureJpeg) return bytes[size - 2] == 0xFF && bytes[size - 1] == 0xD9;
    if (format == PictureGif) return bytes[size - 1] == 0x3B;
    uint32_t declared = Little32(bytes + 2); // a BMP's; 0 in some writers' files
    return size >= declared;
}

static PictureHeader ReadPicture(const unsigned char *bytes, size_t size, PictureFormat format) {
    PictureHeader header = format == PictureJpeg ? ReadJpeg(bytes, size)
                           : format == PictureBmp ? ReadBmp(bytes, size)
                                                  : ReadGif(bytes, size);
    if (header.format == format) header.ends = Ends(bytes, size, format);
    return header;
}

PictureHeader ReadPictureHeader(const unsigned char *bytes, size_t size) {
    if (!bytes || size == 0) return Header(PictureEmpty);
    // The first bytes of each format; a file that ends inside them is cut
    // short when what it has matches.
    static const struct {
        const char *start;
        size_t length;
        PictureFormat format;
    } kStarts[] = {{"\xFF\xD8", 2, PictureJpeg},
                   {"BM", 2, PictureBmp},
                   {"GIF87a", 6, PictureGif},
                   {"GIF89a", 6, PictureGif}};
    for (const auto &start : kStarts) {
        size_t n = size < start.length ? size : start.length;
        bool matches = true;
        for (size_t i = 0; i < n && matches; ++i)
            matches = bytes[i] == static_cast<unsigned char>(start.start[i]);
        if (!matches) continue;
        if (n < start.length) return Header(PictureCutShort);
        return ReadPicture(bytes, size, start.format);
    }
    return Header(PictureUnknown);
}

const char *PictureProblem(PictureFormat format) {
    switch (format) {
    case PictureEmpty:
        return "is empty";
    case PictureCutShort:
        return "is cut short";
    case PictureDamaged:
        return "is damaged";
    case PictureUnknown:
        return "is not a JPEG, BMP or GIF picture";
    default:
        return "";
    }
}
