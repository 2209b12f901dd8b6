// PNG files through the system's own encoder, GDI+. GDI+ is started for each
// file and shut down after it, so nothing of it outlives the capture. It
// needs no COM: the host's thread stays as the host set it up.
#include "recording.h"

#include "log/log.h"

#include <cstdio>

// The class identifier of GDI+'s built-in PNG encoder.
static const CLSID kPngEncoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

// Logs a failed GDI+ step: with Windows' own explanation when GDI+ reports
// a system error (status 7), with GDI+'s status number otherwise.
static void LogStatus(const char *step, GpStatus status) {
    char detail[160];
    if (static_cast<int>(status) == 7) {
        snprintf(detail, sizeof detail, "CaptureAnImage %s failed", step);
        LogLastError(detail);
        return;
    }
    snprintf(detail, sizeof detail, "%s failed with GDI+ status %d", step,
             static_cast<int>(status));
    WriteLog("CaptureAnImage", detail);
}

bool WritePngFile(const char *path, const RecordImage &image) {
    WCHAR name[MAX_PATH + 8];
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, name, MAX_PATH + 8)) {
        LogLastError("CaptureAnImage MultiByteToWideChar failed");
        return false;
    }
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    GpStatus status = GdiplusStartup(&token, &input, NULL);
    if (status != Ok) {
        LogStatus("No PNG encoder: GdiplusStartup", status);
        return false;
    }
    // The rows lie bottom-up: start at the top row, the last in memory, and
    // step backwards.
    const INT stride = static_cast<INT>(image.stride);
    BYTE *top = const_cast<BYTE *>(image.bits) +
                static_cast<size_t>(image.stride) * static_cast<size_t>(image.info->biHeight - 1);
    GpBitmap *bitmap = NULL;
    status = GdipCreateBitmapFromScan0(image.info->biWidth, image.info->biHeight, -stride,
                                       image.info->biBitCount == 32 ? PixelFormat32bppRGB : PixelFormat24bppRGB,
                                       top, &bitmap);
    if (status != Ok) {
        LogStatus("GdipCreateBitmapFromScan0", status);
    } else {
        status = GdipSaveImageToFile(bitmap, name, &kPngEncoder, NULL);
        if (status != Ok) LogStatus("GdipSaveImageToFile", status);
        GdipDisposeImage(bitmap);
    }
    GdiplusShutdown(token);
    return status == Ok;
}
