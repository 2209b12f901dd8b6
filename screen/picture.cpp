#include "picture.h"

#include "log/log.h"
#include "screen/compose.h"
#include "screen/picture_header.h"
#include "screen/scale.h"

#include <cstdio>

ScreenPictureRecord ScreenPicture;

static const int kHimetricPerInch = 2540;

// One line naming the file and what is wrong with it.
static void LogPictureProblem(const char *fileName, const char *problem) {
    char detail[1024];
    snprintf(detail, sizeof detail, "%s %s", fileName, problem);
    WriteLog("Error", detail);
}

// The system's loader trusts the size a picture declares and may take the
// host down with it: only a JPEG, BMP or GIF that declares a size the
// display can draw goes to it. False, after logging why, for any other.
static bool PictureMayLoad(const char *fileName, const PictureHeader &header) {
    const char *problem = PictureProblem(header.format);
    if (*problem) {
        LogPictureProblem(fileName, problem);
        return false;
    }
    if (header.width > static_cast<uint32_t>(kMaxImageSide) ||
        header.height > static_cast<uint32_t>(kMaxImageSide)) {
        char detail[120];
        snprintf(detail, sizeof detail, "is %lu x %lu pixels: pictures are drawn up to %ld a side",
                 static_cast<unsigned long>(header.width), static_cast<unsigned long>(header.height),
                 static_cast<long>(kMaxImageSide));
        LogPictureProblem(fileName, detail);
        return false;
    }
    return true;
}

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
    if (size == 0) {
        // The system gives no memory for no bytes: say what the file is.
        LogPictureProblem(fileName, PictureProblem(PictureEmpty));
        CloseHandle(file);
        return;
    }

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
    PictureHeader header = ReadPictureHeader(static_cast<const unsigned char *>(data), read);
    bool mayLoad = PictureMayLoad(fileName, header);
    GlobalUnlock(block);
    CloseHandle(file);
    if (!mayLoad) {
        GlobalFree(block);
        return;
    }

    // From here the block belongs to the stream, which frees it when released.
    // It reports through its result, not the thread's last error: make the
    // result the error that the log explains.
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
    result = OleLoadPicture(stream, static_cast<LONG>(read), FALSE, IID_IPicture,
                            reinterpret_cast<void **>(picture));
    if (result == E_OUTOFMEMORY) {
        SetLastError(static_cast<DWORD>(result));
        LogLastError("LoadPicture OleLoadPicture failed");
    } else if (result != S_OK) {
        // Its header was sound: the rest of it was not.
        char detail[100];
        snprintf(detail, sizeof detail, "%s: the system could not read it (0x%08lX)",
                 PictureProblem(header.ends ? PictureDamaged : PictureCutShort),
                 static_cast<unsigned long>(static_cast<DWORD>(result)));
        LogPictureProblem(fileName, detail);
    }
    if (result != S_OK) {
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
