// Simulated Win32 subset: the types, constants and functions the driver and
// the stand-in host call, with Win32's names and meanings. Sizes follow the
// 32-bit Windows ABI where the driver relies on them (LONG is 32 bits,
// LOGFONTA is 60 bytes, BITMAP's fields, the packed BITMAPFILEHEADER).
//
// The test-side controls (journal, fault injection, clock, metrics, object
// accounting, pixel access) are in sim_control.h.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY
#define STDMETHODCALLTYPE

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int INT;
typedef unsigned int UINT;
typedef char CHAR;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef void *HANDLE;
typedef size_t SIZE_T;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef intptr_t INT_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;
typedef DWORD COLORREF;
typedef LONG HRESULT;
typedef DWORD *LPDWORD;
typedef int *LPINT;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;

#define DECLARE_SIM_HANDLE(name)                                                                   \
    struct name##__ {                                                                              \
        int unused;                                                                                \
    };                                                                                             \
    typedef struct name##__ *name
DECLARE_SIM_HANDLE(HWND);
DECLARE_SIM_HANDLE(HINSTANCE);
DECLARE_SIM_HANDLE(HDC);
DECLARE_SIM_HANDLE(HBITMAP);
DECLARE_SIM_HANDLE(HFONT);
DECLARE_SIM_HANDLE(HBRUSH);
DECLARE_SIM_HANDLE(HPEN);
DECLARE_SIM_HANDLE(HICON);
DECLARE_SIM_HANDLE(HMENU);
#undef DECLARE_SIM_HANDLE
typedef HICON HCURSOR;
typedef HINSTANCE HMODULE;
typedef void *HGDIOBJ;
typedef HANDLE HGLOBAL;
typedef LRESULT(CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef LONG_PTR(WINAPI *FARPROC)();

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define MAX_PATH 260
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | (((WORD)((BYTE)(g))) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)((c) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))
#define S_OK ((HRESULT)0)
#define E_FAIL ((HRESULT)0x80004005)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define CTL_E_INVALIDPICTURE ((HRESULT)0x800A01E1)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

// System error codes the simulation produces.
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_OUTOFMEMORY 14
#define ERROR_INVALID_PARAMETER 87
#define ERROR_ALREADY_EXISTS 183
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_CLASS_DOES_NOT_EXIST 1411
#define ERROR_CANNOT_FIND_WND_CLASS 1407

// A library's entry point hears of its loading and unloading.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_ENVVAR_NOT_FOUND 203

// FormatMessage
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000

// Files and memory
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_NORMAL 0x80
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

typedef struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;
typedef struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA;
typedef enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard } GET_FILEEX_INFO_LEVELS;
#define FILE_ATTRIBUTE_DIRECTORY 0x10

struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES *LPSECURITY_ATTRIBUTES;
struct OVERLAPPED;
typedef OVERLAPPED *LPOVERLAPPED;

typedef struct MEMORY_BASIC_INFORMATION {
    LPVOID BaseAddress;
    LPVOID AllocationBase;
    DWORD AllocationProtect;
    SIZE_T RegionSize;
    DWORD State;
    DWORD Protect;
    DWORD Type;
} MEMORY_BASIC_INFORMATION, *PMEMORY_BASIC_INFORMATION;

// Windows and messages
#define WS_POPUP 0x80000000u
#define WS_VISIBLE 0x10000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_DLGFRAME 0x00400000u
#define WS_SYSMENU 0x00080000u
#define CS_DBLCLKS 0x0008
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_MINIMIZE 6
#define SW_RESTORE 9
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SIZE 0x0005
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_KEYDOWN 0x0100
#define WM_CHAR 0x0102
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_USER 0x0400
#define SC_CLOSE 0xF060
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define WS_EX_TOPMOST 0x00000008u
#define HWND_TOPMOST (reinterpret_cast<HWND>(static_cast<intptr_t>(-1)))
#define HWND_NOTOPMOST (reinterpret_cast<HWND>(static_cast<intptr_t>(-2)))
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SW_SHOWNOACTIVATE 4
#define WS_THICKFRAME 0x00040000u
#define WM_DISPLAYCHANGE 0x007E
#define WM_MOUSEWHEEL 0x020A
#define WM_SIZING 0x0214
#define WM_EXITSIZEMOVE 0x0232
#define WM_DPICHANGED 0x02E0
#define WMSZ_LEFT 1
#define WMSZ_RIGHT 2
#define WMSZ_TOP 3
#define WMSZ_TOPLEFT 4
#define WMSZ_TOPRIGHT 5
#define WMSZ_BOTTOM 6
#define WMSZ_BOTTOMLEFT 7
#define WMSZ_BOTTOMRIGHT 8
#define MK_CONTROL 0x0008
#define MONITOR_DEFAULTTONEAREST 0x00000002
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79

typedef struct RECT {
    LONG left, top, right, bottom;
} RECT, *LPRECT;
typedef const RECT *LPCRECT;
typedef struct POINT {
    LONG x, y;
} POINT;
typedef struct SIZE {
    LONG cx, cy;
} SIZE, *LPSIZE;

typedef struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *LPMSG;

typedef struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
} WNDCLASSEXA;

// GDI
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define OPAQUE 2
#define TRANSPARENT 1
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define BI_RGB 0
#define DIB_RGB_COLORS 0
#define CLR_INVALID 0xFFFFFFFFu
#define LF_FACESIZE 32
#define FW_NORMAL 400
#define FW_BOLD 700

// Stock objects
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

typedef struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
} LOGFONTA;

typedef struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
} LOGBRUSH;

typedef struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;
    COLORREF lopnColor;
} LOGPEN;

// The 32-bit layout of BITMAP is 24 bytes; bmBits is kept as a 32-bit slot
// so that the size the driver passes to GetObjectA means the same here.
typedef struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    DWORD bmBits;
} BITMAP;

typedef struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct RGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
} RGBQUAD;

typedef struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

#pragma pack(push, 2)
typedef struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)

// COM: the small part of IStream and IPicture the driver uses.
typedef struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID, IID;
typedef const IID &REFIID;
extern const IID IID_IPicture;

typedef LONG OLE_XPOS_HIMETRIC;
typedef LONG OLE_YPOS_HIMETRIC;
typedef LONG OLE_XSIZE_HIMETRIC;
typedef LONG OLE_YSIZE_HIMETRIC;

struct IUnknown {
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

  protected:
    virtual ~IUnknown() {}
};
typedef IUnknown *LPUNKNOWN;

struct IStream : IUnknown {};
typedef IStream *LPSTREAM;

struct IPicture : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC *width) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC *height) = 0;
    virtual HRESULT STDMETHODCALLTYPE Render(HDC dc, LONG x, LONG y, LONG cx, LONG cy,
                                             OLE_XPOS_HIMETRIC xSrc, OLE_YPOS_HIMETRIC ySrc,
                                             OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc,
                                             LPCRECT bounds) = 0;
};
typedef IPicture *LPPICTURE;

// kernel32
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD code);
DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                            LPSTR buffer, DWORD size, void *arguments);
SIZE_T WINAPI VirtualQuery(LPCVOID address, PMEMORY_BASIC_INFORMATION buffer, SIZE_T length);
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR filename, DWORD size);
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
BOOL WINAPI FreeLibrary(HMODULE module);
BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes);
HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES attributes, DWORD disposition, DWORD flags,
                          HANDLE templateFile);
DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                     LPOVERLAPPED overlapped);
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                      LPOVERLAPPED overlapped);
BOOL WINAPI CloseHandle(HANDLE object);
HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID WINAPI GlobalLock(HGLOBAL memory);
BOOL WINAPI GlobalUnlock(HGLOBAL memory);
HGLOBAL WINAPI GlobalFree(HGLOBAL memory);
SIZE_T WINAPI GlobalSize(HGLOBAL memory);
BOOL WINAPI GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS level, LPVOID information);
ULONGLONG WINAPI GetTickCount64();
void WINAPI GetSystemTimeAsFileTime(FILETIME *time);
void WINAPI Sleep(DWORD milliseconds);
DWORD WINAPI GetCurrentProcessId();
DWORD WINAPI GetCurrentThreadId();
// The process's environment: the simulation keeps its own, empty at the start.
DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
BOOL WINAPI SetEnvironmentVariableA(LPCSTR name, LPCSTR value);
int WINAPI MulDiv(int number, int numerator, int denominator);

// user32
ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *windowClass);
BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance);
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
BOOL WINAPI ShowWindow(HWND window, int command);
BOOL WINAPI IsWindow(HWND window);
DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId);
BOOL WINAPI IsWindowVisible(HWND window);
BOOL WINAPI IsIconic(HWND window);
BOOL WINAPI DestroyWindow(HWND window);
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT remove);
BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void WINAPI PostQuitMessage(int exitCode);
BOOL WINAPI TranslateMessage(const MSG *message);
LRESULT WINAPI DispatchMessageA(const MSG *message);
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height,
                         UINT flags);
BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle);
LONG WINAPI GetWindowLongA(HWND window, int index);
HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName);
int WINAPI GetSystemMetrics(int index);
BOOL WINAPI InvalidateRect(HWND window, const RECT *rect, BOOL erase);
HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint);
BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT *paint);
HDC WINAPI GetDC(HWND window);
int WINAPI ReleaseDC(HWND window, HDC dc);
int WINAPI FillRect(HDC dc, const RECT *rect, HBRUSH brush);

// Monitors: the simulation has one, the whole virtual screen, whose work
// area is all of it (sim::set_work_area narrows it), and a second one when
// a test adds it (sim::add_monitor).
struct HMONITOR__ {
    int unused;
};
typedef struct HMONITOR__ *HMONITOR;
typedef struct MONITORINFO {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
} MONITORINFO, *LPMONITORINFO;
HMONITOR WINAPI MonitorFromRect(LPCRECT rect, DWORD flags);
BOOL WINAPI GetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info);

// gdi32
HDC WINAPI CreateCompatibleDC(HDC dc);
BOOL WINAPI DeleteDC(HDC dc);
HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height);
HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
BOOL WINAPI DeleteObject(HGDIOBJ object);
BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
                   DWORD rop);
HGDIOBJ WINAPI GetStockObject(int index);
int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                         DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                         DWORD pitchAndFamily, LPCSTR faceName);
int WINAPI GetTextFaceA(HDC dc, int size, LPSTR faceName);
COLORREF WINAPI SetTextColor(HDC dc, COLORREF color);
COLORREF WINAPI SetBkColor(HDC dc, COLORREF color);
int WINAPI SetBkMode(HDC dc, int mode);
BOOL WINAPI GetTextExtentExPointA(HDC dc, LPCSTR text, int count, int maxExtent, LPINT fit,
                                  LPINT extents, LPSIZE size);
BOOL WINAPI ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT *rect, LPCSTR text,
                        UINT count, const INT *dx);
HBRUSH WINAPI CreateSolidBrush(COLORREF color);
int WINAPI GetDeviceCaps(HDC dc, int index);
int WINAPI GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits,
                     LPBITMAPINFO info, UINT usage);
COLORREF WINAPI GetPixel(HDC dc, int x, int y);

// ole32, oleaut32
HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, LPSTREAM *stream);
HRESULT WINAPI OleLoadPicture(LPSTREAM stream, LONG size, BOOL runMode, REFIID iid,
                              LPVOID *picture);

// gdi32 regions (sim_region.cpp): a region made of rectangles and filled with a brush.
struct HRGN__ {
    int unused;
};
typedef struct HRGN__ *HRGN;

#define RDH_RECTANGLES 1

typedef struct RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
} RGNDATAHEADER;

typedef struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
} RGNDATA, *LPRGNDATA;

typedef struct XFORM {
    float eM11, eM12, eM21, eM22, eDx, eDy;
} XFORM;

HRGN WINAPI ExtCreateRegion(const XFORM *xform, DWORD count, const RGNDATA *data);
BOOL WINAPI FillRgn(HDC dc, HRGN region, HBRUSH brush);

// gdi32 (sim_stretch.cpp): device-independent pixels put on a context.
int WINAPI StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                         int ySrc, int srcWidth, int srcHeight, const void *bits,
                         const BITMAPINFO *info, UINT usage, DWORD rop);

// ---- Recording: DIB sections and file moves ----

// gdi32: a bitmap whose pixels the program reads in place. GdiFlush brings
// the memory up to date with drawing done on the section (Windows may batch
// drawing until then).
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define ERROR_SHARING_VIOLATION 32
#define ERROR_DISK_FULL 112

HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits,
                                HANDLE section, DWORD offset);
BOOL WINAPI GdiFlush();

// kernel32
BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR target, DWORD flags);
BOOL WINAPI DeleteFileA(LPCSTR fileName);


// ---- The window as a desktop widget: styles, layering, hit-testing,
// moving, the right-click menu, the shell and the local clock. The
// simulation journals these calls; the window manager's part of them (how
// a layered window blends, the menu's own loop, a drag) is not simulated.
// A changed frame (SetWindowLongPtrA, then SetWindowPos with
// SWP_FRAMECHANGED) does change the client area, which pixels depend on.
#define WS_EX_TRANSPARENT 0x00000020u
#define WS_EX_TOOLWINDOW 0x00000080u
#define WS_EX_LAYERED 0x00080000u
#define WS_EX_NOACTIVATE 0x08000000u
#define LWA_COLORKEY 0x00000001
#define LWA_ALPHA 0x00000002
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define WM_MOUSEACTIVATE 0x0021
#define WM_CONTEXTMENU 0x007B
#define WM_NCHITTEST 0x0084
#define WM_NCRBUTTONUP 0x00A5
#define WM_COMMAND 0x0111
#define WM_RBUTTONUP 0x0205
#define WM_MOVING 0x0216
#define HTCLIENT 1
#define HTCAPTION 2
#define MA_NOACTIVATE 3
#define MF_STRING 0x0000
#define MF_CHECKED 0x0008
#define MF_SEPARATOR 0x0800
#define TPM_RIGHTBUTTON 0x0002
#define LOWORD(l) ((WORD)(((ULONG_PTR)(l)) & 0xFFFF))
#define HIWORD(l) ((WORD)((((ULONG_PTR)(l)) >> 16) & 0xFFFF))

typedef struct SYSTEMTIME {
    WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
} SYSTEMTIME, *LPSYSTEMTIME;

// user32 (sim_user.cpp): a window's styles; GWL_STYLE keeps WS_VISIBLE and
// WS_MINIMIZE as the window's own state says.
LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index);
LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR value);

// user32 (sim_widget.cpp)
BOOL WINAPI SetLayeredWindowAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags);
BOOL WINAPI GetLayeredWindowAttributes(HWND window, COLORREF *key, BYTE *alpha, DWORD *flags);
HMENU WINAPI CreatePopupMenu();
BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text);
// Returns 0 (the user picked nothing) unless a test chose a command.
BOOL WINAPI TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND window,
                           const RECT *unused);
BOOL WINAPI DestroyMenu(HMENU menu);
BOOL WINAPI SetForegroundWindow(HWND window);
// shell32: opens nothing; values above 32 mean success.
HINSTANCE WINAPI ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                               LPCSTR directory, INT show);
// kernel32: the real local time until a test sets it (sim::set_local_time).
void WINAPI GetLocalTime(LPSYSTEMTIME time);

// kernel32 threads and locks, ws2_32 sockets (sim_socket.cpp): what the web
// view calls. The simulation has no sockets and starts no thread: Winsock
// does not start (WSAStartup returns WSASYSNOTREADY), CreateThread fails,
// and every socket call fails with WSAENETDOWN. The locks are real.
typedef DWORD(WINAPI *LPTHREAD_START_ROUTINE)(LPVOID parameter);
struct CRITICAL_SECTION {
    void *simLock; // the simulation's mutex
};
typedef CRITICAL_SECTION *LPCRITICAL_SECTION;
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0
#define WAIT_TIMEOUT 258
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x4
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize,
                           LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                           LPDWORD threadId);
DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL WINAPI GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE *module);
void WINAPI FreeLibraryAndExitThread(HMODULE module, DWORD exitCode);
void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);

// timeval is the C library's own (the C++ library brings it in anyway);
// fd_set is Winsock's, under a name of its own beside the C library's.
#include <sys/select.h>
#undef FD_SETSIZE
#undef FD_ZERO
#undef FD_SET
#undef FD_ISSET
#define fd_set SimFdSet
#define FD_SETSIZE 64
typedef UINT_PTR SOCKET;
struct SimFdSet {
    UINT fd_count;
    SOCKET fd_array[FD_SETSIZE];
};
int WINAPI __WSAFDIsSet(SOCKET socket, fd_set *set);
#define FD_ZERO(set) ((set)->fd_count = 0)
#define FD_SET(s, set)                                                                             \
    do {                                                                                           \
        if ((set)->fd_count < FD_SETSIZE) (set)->fd_array[(set)->fd_count++] = (s);                \
    } while (0)
#define FD_ISSET(s, set) __WSAFDIsSet((s), (set))
#define INVALID_SOCKET (~static_cast<SOCKET>(0))
#define SOCKET_ERROR (-1)
#define AF_INET 2
#define SOCK_STREAM 1
#define IPPROTO_TCP 6
#define SOL_SOCKET 0xffff
#define SO_EXCLUSIVEADDRUSE (~4)
#define FIONBIO 0x8004667e
#define SD_SEND 1
#define WSASYSNOTREADY 10091
#define WSAEWOULDBLOCK 10035
#define WSAENETDOWN 10050
#define WSAEADDRINUSE 10048
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAESHUTDOWN 10058
#define MAKEWORD(low, high) static_cast<WORD>((static_cast<BYTE>(low)) | (static_cast<WORD>(static_cast<BYTE>(high)) << 8))
struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
};
struct in_addr {
    uint32_t s_addr;
};
struct sockaddr {
    unsigned short sa_family;
    char sa_data[14];
};
struct sockaddr_in {
    short sin_family;
    unsigned short sin_port;
    in_addr sin_addr;
    char sin_zero[8];
};
int WINAPI WSAStartup(WORD version, WSADATA *data);
int WINAPI WSACleanup();
int WINAPI WSAGetLastError();
SOCKET WINAPI socket(int family, int type, int protocol);
int WINAPI bind(SOCKET s, const sockaddr *address, int length);
int WINAPI listen(SOCKET s, int backlog);
SOCKET WINAPI accept(SOCKET s, sockaddr *address, int *length);
int WINAPI select(int count, fd_set *read, fd_set *write, fd_set *except, timeval *timeout);
int WINAPI recv(SOCKET s, char *buffer, int length, int flags);
int WINAPI send(SOCKET s, const char *buffer, int length, int flags);
int WINAPI closesocket(SOCKET s);
int WINAPI shutdown(SOCKET s, int how);
int WINAPI ioctlsocket(SOCKET s, LONG command, ULONG *argument);
int WINAPI setsockopt(SOCKET s, int level, int name, const char *value, int length);
int WINAPI inet_pton(int family, const char *text, void *address);
unsigned short WINAPI htons(unsigned short value);
