// The pieces of a PNG chunk both encoders write: a big-endian number, and
// a chunk's length, type and CRC around data already in place.
#pragma once

#include "platform/platform.h"

// Puts `value` at `to` as four bytes, the highest first.
void PutBigEndian(BYTE *to, DWORD value);

// Completes the chunk whose `size` data bytes lie at chunk + 8: its length
// and `type` (four letters) before them, the CRC of type and data after.
// The chunk then takes 8 + size + 4 bytes from `chunk`.
void CloseChunk(BYTE *chunk, const char *type, DWORD size);
