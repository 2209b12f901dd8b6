// The glass and bezel of an LCD module (config/module.h), drawn in place of
// the background picture.
#pragma once

#include "platform/platform.h"

// In module mode, fills the client area with the bezel colour and the glass
// inside it with the panel's, then puts a picture named by Picture= on top;
// true then. Without a module it draws nothing and returns false.
bool DrawModulePanel(HDC surface);
