// The compressed pixels of the last PNG image, in bands of rows each
// compressed on its own and kept with the pixels it was made from. A
// display changes in a few rows at a time (a row of text), or not at all
// between recordings: only the bands whose rows, or the row above them,
// changed are compressed again.
#pragma once

#include "recording.h"

// Brings the kept bands up to `image`. False after logging why; then
// nothing is kept.
bool UpdatePngBands(const RecordImage &image);

// The bands, top first: each is raw deflate data ending on a byte boundary
// with no final block, so that they join into one stream.
int PngBandCount();
const BYTE *PngBand(int band, DWORD *size);

// The Adler-32 of every filtered byte, which ends the zlib stream.
DWORD PngBandsAdler();

// Lets the kept pixels and bands go.
void ForgetPngBands();

// How many of the platform's memory blocks the kept image holds: all that
// a recording leaves allocated.
int PngKeptBlocks();
