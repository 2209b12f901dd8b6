// The one door to the operating system.
//
// On Windows this is the real Win32 API. Everywhere else it is our own
// simulation of the subset the driver uses (platform/sim), with the same
// names, types and behaviour, plus a call journal and fault injection for
// tests. Driver code includes this header and nothing else of the system's.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <olectl.h>
#include <ocidl.h>
#include <shellapi.h>
#define PATH_SEP "\\"
#else
#include "sim/win32_sim.h"
#define PATH_SEP "/"
#endif
