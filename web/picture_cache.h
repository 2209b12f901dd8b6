// The picture the server sends: encoded on the server thread, once a frame,
// from the pixels the host's thread handed over. The host's thread only
// copies pixels; the encoding never holds it up.
#pragma once

#include "platform/platform.h"

#include <stddef.h>

enum PictureReady { PictureThere, PictureAwaited, PictureFailed };

// The PNG of the frame the host published last: its bytes (the cache's, valid
// until the next call), length and frame. Awaited while the host has not
// handed over that frame's pixels; failed without memory or when it cannot
// be encoded.
PictureReady CurrentPicture(const BYTE **png, size_t *length, DWORD *frame);

// Frees the cache, as the server thread ends.
void ReleasePictureCache();
