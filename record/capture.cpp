#include "capture.h"

#include "config/config.h"
#include "log/log.h"

#include <cstring>

// Writes the file: headers, then the pixels. False when the file could not
// be created or written; the reason is logged.
static bool WriteBitmapFile(const BITMAPINFOHEADER &info, const void *pixels, DWORD imageSize) {
    WriteLog("Capture", ScreenSettings.RecordFile);
    HANDLE file = CreateFileA(ScreenSettings.RecordFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        LogLastError("CaptureAnImage CreateFile failed");
        return false;
    }
    BITMAPFILEHEADER header;
    memset(&header, 0, sizeof header);
    header.bfType = 0x4D42; // "BM"
    header.bfSize = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    DWORD written = 0;
    bool ok = WriteFile(file, &header, sizeof header, &written, NULL) &&
              WriteFile(file, &info, sizeof info, &written, NULL) &&
              WriteFile(file, pixels, imageSize, &written, NULL);
    if (!ok) LogLastError("CaptureAnImage WriteFile failed");
    CloseHandle(file);
    return ok;
}

void CaptureAnImage(HWND window) {
    if (!window) {
        WriteLog("CaptureAnImage", "no window");
        return;
    }
    HDC windowDC = GetDC(window);
    HDC memoryDC = CreateCompatibleDC(windowDC);
    HBITMAP bitmap = NULL;
    HGDIOBJ previous = NULL;
    if (!memoryDC) {
        WriteLog("CaptureAnImage", "CreateCompatibleDC has failed");
    } else {
        RECT client;
        memset(&client, 0, sizeof client);
        GetClientRect(window, &client);
        int clientWidth = client.right - client.left;
        int clientHeight = client.bottom - client.top;
        bitmap = CreateCompatibleBitmap(windowDC, clientWidth, clientHeight);
        if (!bitmap) {
            WriteLog("CaptureAnImage", "CreateCompatibleBitmap has failed");
        } else {
            previous = SelectObject(memoryDC, bitmap);
            if (!BitBlt(memoryDC, 0, 0, clientWidth, clientHeight, windowDC, 0, 0, SRCCOPY)) {
                WriteLog("CaptureAnImage", "BitBlt has failed");
            } else {
                BITMAP description;
                memset(&description, 0, sizeof description);
                GetObjectA(bitmap, sizeof description, &description);

                BITMAPINFOHEADER info;
                memset(&info, 0, sizeof info);
                info.biSize = sizeof info;
                info.biWidth = description.bmWidth;
                info.biHeight = description.bmHeight;
                info.biPlanes = 1;
                info.biBitCount = 32;
                info.biCompression = BI_RGB;

                // 4 bytes a pixel, rows of whole 32-bit words: 4 x W x H.
                long long size = ((static_cast<long long>(info.biWidth) * 32 + 31) / 32) *
                                 (static_cast<long long>(info.biHeight) * 4);
                HGLOBAL block = size >= 0 && size <= 0x7FFFFFFF
                                    ? GlobalAlloc(GHND, static_cast<SIZE_T>(size))
                                    : NULL;
                void *pixels = block ? GlobalLock(block) : NULL;
                if (!pixels) {
                    WriteLog("CaptureAnImage",
                             block ? "GlobalLock has failed" : "GlobalAlloc has failed");
                } else {
                    GetDIBits(windowDC, bitmap, 0, static_cast<UINT>(info.biHeight), pixels,
                              reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS);
                    WriteBitmapFile(info, pixels, static_cast<DWORD>(size));
                    GlobalUnlock(block);
                }
                if (block) GlobalFree(block);
            }
        }
    }
    // A bitmap still selected into a context cannot be deleted: put the
    // context's own bitmap back first.
    if (previous && previous != HGDI_ERROR) SelectObject(memoryDC, previous);
    if (bitmap) DeleteObject(bitmap);
    if (memoryDC) DeleteDC(memoryDC);
    ReleaseDC(window, windowDC);
}
