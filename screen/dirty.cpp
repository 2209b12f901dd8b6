#include "dirty.h"

static int DirtyFlag;

void MarkDisplayDirty() {
    DirtyFlag = 1;
}

bool DisplayDirty() {
    return DirtyFlag == 1;
}

void ClearDisplayDirty() {
    DirtyFlag = 0;
}
