// The driver's nine entry points, as the host sees them. Byte arguments
// arrive in 32-bit slots; only their low 8 bits are read.
#pragma once

#include "platform/platform.h"

extern "C" {
char *WINAPI DISPLAYDLL_Init(UINT x, UINT y, char *params, char *ok);
void WINAPI DISPLAYDLL_Done();
void WINAPI DISPLAYDLL_Write(char *text);
void WINAPI DISPLAYDLL_SetPosition(UINT column, UINT row);
void WINAPI DISPLAYDLL_CustomChar(UINT chr, char *data);
UINT WINAPI DISPLAYDLL_CustomCharIndex(UINT index);
char *WINAPI DISPLAYDLL_DriverName();
char *WINAPI DISPLAYDLL_Usage();
char *WINAPI DISPLAYDLL_DefaultParameters();
// The library's entry point, which the system calls at loading and unloading.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
}

typedef char *(WINAPI *DisplayInitProc)(UINT, UINT, char *, char *);
typedef void(WINAPI *DisplayDoneProc)();
typedef void(WINAPI *DisplayWriteProc)(char *);
typedef void(WINAPI *DisplaySetPositionProc)(UINT, UINT);
typedef void(WINAPI *DisplayCustomCharProc)(UINT, char *);
typedef UINT(WINAPI *DisplayCustomCharIndexProc)(UINT);
typedef char *(WINAPI *DisplayTextProc)();
