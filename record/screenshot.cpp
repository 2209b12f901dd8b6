#include "screenshot.h"

#include "log/log.h"
#include "recording.h"
#include "screen/compose.h"

#include <cstdio>
#include <cstring>

static const char kFolder[] = "screenshots";
static const int kMostInOneSecond = 999;
// The pictures' own: the recordings keep their own.
static ReplaceState PictureTarget;

static bool FileExists(const char *path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) != 0;
}

bool ScreenshotPath(const SYSTEMTIME &now, char *path, size_t size) {
    for (int n = 1; n <= kMostInOneSecond; ++n) {
        char count[8] = "";
        if (n > 1) snprintf(count, sizeof count, "-%d", n);
        int written = snprintf(path, size, "%s" PATH_SEP "%s-%04u%02u%02u-%02u%02u%02u%s.png",
                               kFolder, ModuleBaseName(), now.wYear, now.wMonth, now.wDay,
                               now.wHour, now.wMinute, now.wSecond, count);
        if (written < 0 || static_cast<size_t>(written) >= size) return false;
        if (!FileExists(path)) return true;
    }
    return false;
}

bool SaveScreenshot(HWND window) {
    if (!window) {
        WriteLog("Screenshot", "no window");
        return false;
    }
    if (!CreateDirectoryA(kFolder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) {
        LogLastError("Screenshot CreateDirectory failed");
        return false;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    char path[MAX_PATH];
    if (!ScreenshotPath(now, path, sizeof path)) {
        WriteLog("Screenshot", "no free name for the picture");
        return false;
    }
    ComposedImage composed;
    memset(&composed, 0, sizeof composed);
    if (!ComposeDisplay(window, &composed)) return false;
    RecordImage image;
    image.info = &composed.info.bmiHeader;
    image.bits = ReadComposedPixels(&composed);
    if (!image.bits) {
        ReleaseComposed(&composed);
        return false;
    }
    image.stride = static_cast<DWORD>(composed.info.bmiHeader.biWidth) * 4;
    image.size = image.stride * static_cast<DWORD>(composed.info.bmiHeader.biHeight);
    bool saved = WriteReplacing(path, WritePngFile, image, &PictureTarget);
    ReleaseComposed(&composed);
    WriteLog(saved ? "Screenshot" : "Error", saved ? path : "the picture was not saved");
    return saved;
}
