#include "capture.h"

#include "config/config.h"
#include "log/log.h"
#include "recording.h"

#include <cstring>

// Names the file for this recording and writes it in the chosen format.
static void WriteRecording(const RecordImage &image, RecordFormat format) {
    char path[MAX_PATH];
    if (!NextRecordPath(ScreenSettings.RecordFile, path, sizeof path)) {
        WriteLog("CaptureAnImage", "RecordFile is too long");
        return;
    }
    WriteLog("Capture", path);
    RecordWriter writer = format == RecordPng ? WritePngFile : WriteBmpFile;
    if (WriteReplacing(path, writer, image)) CountRecordedFrame();
}

void CaptureAnImage(HWND window) {
    if (!window) {
        WriteLog("CaptureAnImage", "no window");
        return;
    }
    RecordFormat format = RecordFormatOf(ScreenSettings.RecordFile);
    HDC windowDC = GetDC(window);
    HDC memoryDC = CreateCompatibleDC(windowDC);
    HBITMAP section = NULL;
    HGDIOBJ previous = NULL;
    if (!memoryDC) {
        WriteLog("CaptureAnImage", "CreateCompatibleDC has failed");
    } else {
        RECT client;
        memset(&client, 0, sizeof client);
        GetClientRect(window, &client);

        // The pixels are copied once, from the window into a section laid
        // out as the file wants them: bottom row first.
        BITMAPINFO info;
        memset(&info, 0, sizeof info);
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        // An empty client area is recorded as one black pixel, the size of
        // the bitmap Windows makes compatible with it.
        LONG width = client.right - client.left, height = client.bottom - client.top;
        info.bmiHeader.biWidth = width > 0 ? width : 1;
        info.bmiHeader.biHeight = height > 0 ? height : 1;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = static_cast<WORD>(RecordBitsPerPixel(format));
        info.bmiHeader.biCompression = BI_RGB;
        void *bits = NULL;
        section = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, NULL, 0);
        if (!section || !bits) {
            WriteLog("CaptureAnImage", "CreateDIBSection has failed");
        } else {
            previous = SelectObject(memoryDC, section);
            if (!BitBlt(memoryDC, 0, 0, info.bmiHeader.biWidth, info.bmiHeader.biHeight, windowDC,
                        0, 0, SRCCOPY)) {
                WriteLog("CaptureAnImage", "BitBlt has failed");
            } else {
                GdiFlush(); // the copy has reached the section's memory
                RecordImage image;
                image.info = &info.bmiHeader;
                image.bits = static_cast<const BYTE *>(bits);
                // Rows of whole 32-bit words.
                image.stride = static_cast<DWORD>(
                    (static_cast<long long>(info.bmiHeader.biWidth) * info.bmiHeader.biBitCount + 31) /
                    32 * 4);
                image.size = image.stride * static_cast<DWORD>(info.bmiHeader.biHeight);
                WriteRecording(image, format);
            }
        }
    }
    // A bitmap still selected into a context cannot be deleted: put the
    // context's own bitmap back first.
    if (previous && previous != HGDI_ERROR) SelectObject(memoryDC, previous);
    if (section) DeleteObject(section);
    if (memoryDC) DeleteDC(memoryDC);
    ReleaseDC(window, windowDC);
}
