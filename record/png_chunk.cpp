#include "png_chunk.h"

#include <zlib.h>

#include <cstring>

void PutBigEndian(BYTE *to, DWORD value) {
    to[0] = static_cast<BYTE>(value >> 24);
    to[1] = static_cast<BYTE>(value >> 16);
    to[2] = static_cast<BYTE>(value >> 8);
    to[3] = static_cast<BYTE>(value);
}

void CloseChunk(BYTE *chunk, const char *type, DWORD size) {
    PutBigEndian(chunk, size);
    memcpy(chunk + 4, type, 4);
    PutBigEndian(chunk + 8 + size, static_cast<DWORD>(crc32(0L, chunk + 4, size + 4)));
}
