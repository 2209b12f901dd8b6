#include "picture.h"

#include "log/log.h"
#include "screen/scale.h"

ScreenPictureRecord ScreenPicture;

static const int kHimetricPerInch = 2540;

void LoadPicture(const char *fileName, IPicture **picture, LONG *width, LONG *height) {
    HANDLE file = CreateFileA(fileName, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        LogLastError("LoadPicture CreateFile failed");
        return;
    }
    WriteLog("LoadPicture", "File Open");

    DWORD size = GetFileSize(file, NULL);
    if (size == INVALID_FILE_SIZE) {
        LogLastError("LoadPicture GetFileSize failed");
        CloseHandle(file);
        return;
    }
    WriteLog("LoadPicture", "Got file size");

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) {
        LogLastError("LoadPicture GlobalAlloc failed");
        CloseHandle(file);
        return;
    }
    WriteLog("LoadPicture", "Allocated memory");

    void *data = GlobalLock(block);
    if (!data) {
        LogLastError("LoadPicture GlobalLock failed");
        GlobalFree(block);
        CloseHandle(file);
        return;
    }
    DWORD read = 0;
    if (!ReadFile(file, data, size, &read, NULL)) {
        LogLastError("LoadPicture ReadFile failed");
        GlobalUnlock(block);
        GlobalFree(block);
        CloseHandle(file);
        return;
    }
    GlobalUnlock(block);
    CloseHandle(file);

    // From here the block belongs to the stream, which frees it when released.
    // These two report through their result, not the thread's last error:
    // make the result the error that the log explains.
    IStream *stream = NULL;
    HRESULT result = CreateStreamOnHGlobal(block, TRUE, &stream);
    if (result != S_OK) {
        SetLastError(static_cast<DWORD>(result));
        LogLastError("LoadPicture CreateStreamOnHGlobal failed");
        GlobalFree(block);
        return;
    }
    if (*picture) {
        (*picture)->Release();
        *picture = NULL;
    }
    result = OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                            reinterpret_cast<void **>(picture));
    if (result != S_OK) {
        SetLastError(static_cast<DWORD>(result));
        LogLastError("LoadPicture CreateStreamOnHGlobal failed");
        if (*picture) { // a failed decoder should leave none; never hold a half-made one
            (*picture)->Release();
            *picture = NULL;
        }
        stream->Release();
        return;
    }
    (*picture)->get_Width(width);
    (*picture)->get_Height(height);
    stream->Release();
    WriteLog("LoadPicture", "Appears to have loaded");
}

void ReleasePicture() {
    if (!ScreenPicture.picture) return;
    ScreenPicture.picture->Release();
    ScreenPicture.picture = NULL;
}

void Render(HDC target, IPicture **picture, const RECT *bounds, int x, int y, LONG width,
            LONG height) {
    RECT copy = *bounds;
    if (!target) WriteLog("Render", "mhdc is NULL");
    // Every context reports the screen's resolution, memory contexts too;
    // the display's zoom and DPI scale the picture with everything else.
    int cx = MulDiv(width, PictureDotsPerInch(target, LOGPIXELSX), kHimetricPerInch * 100);
    int cy = MulDiv(height, PictureDotsPerInch(target, LOGPIXELSY), kHimetricPerInch * 100);
    // The HIMETRIC origin is the picture's bottom-left corner: start the
    // source at its height and go down by its height to draw it upright.
    (*picture)->Render(target, x, y, cx, cy, 0, height, width, -height, &copy);
}
