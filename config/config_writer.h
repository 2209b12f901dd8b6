// The driver's own changes to its configuration file: the window's place
// and zoom, written into the file the user keeps.
#pragma once

#include <stdint.h>

// Sets X=, Y= and Zoom= in the file at `path` to these values. Every other
// byte stays as it was (comments, unknown lines, their order and line
// ends); a key the file lacks is added at its end. The new file is written
// beside the old one and moved over it, so the file is never half-written.
// A file that cannot be read or replaced is logged once (again after a
// write that worked) and kept as it was; returns false then.
bool WriteConfigPlace(const char *path, int32_t x, int32_t y, int32_t zoom);
