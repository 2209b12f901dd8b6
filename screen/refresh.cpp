#include "refresh.h"

static int DirtyFlag;

int RefreshScreen() { return 1; }

void MarkDisplayDirty() { DirtyFlag = 1; }
