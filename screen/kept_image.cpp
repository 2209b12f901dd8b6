#include "kept_image.h"

#include "screen/dirty.h"

static ComposedImage Kept;

ComposedImage *RepaintImage() {
    return &Kept;
}

ComposedImage *CurrentImage() {
    return Kept.surface && !DisplayDirty() ? &Kept : NULL;
}

void ReleaseKeptImage() {
    ReleaseComposed(&Kept);
}
