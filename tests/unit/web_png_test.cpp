// The web view's picture: a PNG whose pixels of the colour key are
// see-through, decoded here with zlib's inflate.
#include "web/png_alpha.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>
#include <zlib.h>

namespace {

DWORD BigEndian(const BYTE *p) {
    return static_cast<DWORD>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// A 32-bit bottom-up image; Pixel(x, y) counts y from the top.
struct Image {
    BITMAPINFOHEADER info = {};
    std::vector<BYTE> bits;
    Image(LONG width, LONG height) : bits(static_cast<size_t>(width) * 4 * height + 8) {
        info.biWidth = width;
        info.biHeight = height;
        info.biBitCount = 32;
    }
    void Set(LONG x, LONG y, COLORREF c) {
        BYTE *p = &bits[(static_cast<size_t>(info.biHeight - 1 - y) * info.biWidth + x) * 4];
        p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c), p[3] = 0x5A;
    }
    RecordImage Record() const {
        DWORD stride = static_cast<DWORD>(info.biWidth) * 4;
        return {&info, bits.data(), stride, stride * static_cast<DWORD>(info.biHeight)};
    }
};

// The PNG's pixels, top row first, 4 bytes each; checks every chunk's CRC
// and that the header is 8-bit RGBA of the given size.
std::vector<BYTE> Decode(const BYTE *png, size_t size, LONG width, LONG height) {
    static const BYTE signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_EQ(memcmp(png, signature, 8), 0);
    std::vector<BYTE> stream;
    bool ended = false;
    for (size_t at = 8; at + 12 <= size && !ended;) {
        DWORD length = BigEndian(png + at);
        const BYTE *type = png + at + 4, *data = type + 4;
        EXPECT_EQ(BigEndian(data + length), crc32(0, type, length + 4));
        if (memcmp(type, "IHDR", 4) == 0) {
            EXPECT_EQ(at, 8u);
            EXPECT_EQ(BigEndian(data), static_cast<DWORD>(width));
            EXPECT_EQ(BigEndian(data + 4), static_cast<DWORD>(height));
            const BYTE rest[5] = {8, 6, 0, 0, 0};
            EXPECT_EQ(memcmp(data + 8, rest, 5), 0);
        }
        if (memcmp(type, "IDAT", 4) == 0) stream.insert(stream.end(), data, data + length);
        ended = memcmp(type, "IEND", 4) == 0 && at + 12 == size;
        at += 12 + length;
    }
    EXPECT_TRUE(ended) << "IEND ends the file";
    const size_t rowLength = 1 + 4 * static_cast<size_t>(width);
    std::vector<BYTE> raw(rowLength * height);
    uLongf rawSize = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &rawSize, stream.data(), stream.size()), Z_OK);
    EXPECT_EQ(rawSize, raw.size());
    std::vector<BYTE> pixels(4 * static_cast<size_t>(width) * height);
    for (LONG y = 0; y < height; ++y) {
        const BYTE *row = &raw[y * rowLength];
        EXPECT_TRUE(row[0] == 0 || row[0] == 2) << "filter None or Up";
        for (size_t i = 0; i + 1 < rowLength; ++i) {
            BYTE above = y > 0 && row[0] == 2 ? pixels[(y - 1) * (rowLength - 1) + i] : 0;
            pixels[y * (rowLength - 1) + i] = static_cast<BYTE>(row[1 + i] + above);
        }
    }
    return pixels;
}

TEST(WebPng, KeyColouredPixelsAreSeeThroughAndNoOthers) {
    const COLORREF key = RGB(0, 0, 0), near = RGB(0, 0, 1), red = RGB(200, 10, 20);
    Image image(5, 3);
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 5; ++x) image.Set(x, y, (x + y) % 2 ? red : key);
    image.Set(4, 2, near);
    std::vector<BYTE> out(AlphaPngBound(5, 3));
    const size_t size = EncodeAlphaPng(image.Record(), key, out.data(), out.size());
    ASSERT_GT(size, 0u);
    std::vector<BYTE> pixels = Decode(out.data(), size, 5, 3);
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 5; ++x) {
            const BYTE *p = &pixels[(y * 5 + x) * 4];
            COLORREF colour = x == 4 && y == 2 ? near : (x + y) % 2 ? red : key;
            EXPECT_EQ(RGB(p[0], p[1], p[2]), colour) << x << "," << y;
            EXPECT_EQ(p[3], colour == key ? 0 : 255) << x << "," << y;
        }

    // Without a key every pixel is opaque, black ones too.
    const size_t plain = EncodeAlphaPng(image.Record(), kNoColourKey, out.data(), out.size());
    pixels = Decode(out.data(), plain, 5, 3);
    for (size_t i = 3; i < pixels.size(); i += 4) EXPECT_EQ(pixels[i], 255) << i / 4;
}

TEST(WebPng, TheBoundHoldsAnyPictureAndLessIsRefused) {
    Image image(64, 48);
    DWORD noise = 12345;
    for (LONG y = 0; y < 48; ++y)
        for (LONG x = 0; x < 64; ++x) {
            noise = noise * 1103515245u + 12345u;
            image.Set(x, y, noise >> 8 & 0xFFFFFF);
        }
    std::vector<BYTE> out(AlphaPngBound(64, 48));
    const size_t size = EncodeAlphaPng(image.Record(), kNoColourKey, out.data(), out.size());
    ASSERT_GT(size, 64u * 48 * 3) << "noise does not compress";
    Decode(out.data(), size, 64, 48);
    EXPECT_EQ(EncodeAlphaPng(image.Record(), kNoColourKey, out.data(), size), size);
    EXPECT_EQ(EncodeAlphaPng(image.Record(), kNoColourKey, out.data(), size - 1), 0u);
    EXPECT_EQ(EncodeAlphaPng(image.Record(), kNoColourKey, out.data(), 40), 0u) << "no room for the frame";

    // The smallest pictures, whose zlib stream is mostly its frame.
    for (LONG side = 1; side <= 3; ++side) {
        Image small(side, 1);
        small.Set(side - 1, 0, RGB(9, 8, 7));
        std::vector<BYTE> tight(AlphaPngBound(side, 1));
        const size_t length =
            EncodeAlphaPng(small.Record(), kNoColourKey, tight.data(), tight.size());
        EXPECT_GT(length, 0u) << side;
    }
    EXPECT_EQ(AlphaPngBound(0, 5), 0u);
    EXPECT_EQ(AlphaPngBound(5, 8193), 0u);
    EXPECT_GT(AlphaPngBound(8192, 8192), 8192u * 8192 * 4);
    image.info.biBitCount = 24;
    EXPECT_EQ(EncodeAlphaPng(image.Record(), kNoColourKey, out.data(), out.size()), 0u);
    image.info.biBitCount = 32;
    RecordImage cut = image.Record();
    cut.size -= 1; // a row short
    EXPECT_EQ(EncodeAlphaPng(cut, kNoColourKey, out.data(), out.size()), 0u);
}

} // namespace
