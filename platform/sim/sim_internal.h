// Shared by the simulation's source files; not for driver or test code.
#pragma once

#include "sim_control.h"

namespace sim {

// Records a call in the journal; `format` and what follows describe its
// arguments. Returns true when fault injection makes this call fail, after
// setting the call's error as the last error.
bool enter(const char *operation, const char *format, ...) __attribute__((format(printf, 2, 3)));

// The host path for a Windows-style path: "\" becomes "/".
std::string host_path(const char *path);

// Resets of the parts kept in other files.
void reset_user();
void reset_gdi();
void reset_ole();

} // namespace sim
