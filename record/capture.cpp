#include "capture.h"

#include "config/config.h"
#include "log/log.h"
#include "recording.h"

#include <cstring>

// The recordings' own: a picture saved from the menu keeps its own.
static ReplaceState RecordTarget;

// Names the file for this recording and writes it in the chosen format.
static void WriteRecording(const RecordImage &image, RecordFormat format) {
    char path[MAX_PATH];
    if (!NextRecordPath(ScreenSettings.RecordFile, path, sizeof path)) {
        WriteLog("CaptureAnImage", "RecordFile is too long");
        return;
    }
    WriteLog("Capture", path);
    RecordWriter writer = format == RecordPng ? WritePngFile : WriteBmpFile;
    if (WriteReplacing(path, writer, image, &RecordTarget)) CountRecordedFrame();
}

void CaptureAnImage(HWND window, ComposedImage *composed) {
    if (!window) {
        WriteLog("CaptureAnImage", "no window");
        return;
    }
    // Without an image from this refresh's repaint, the display is
    // composed for the recording alone.
    ComposedImage own;
    memset(&own, 0, sizeof own);
    if (!composed) {
        if (!ComposeDisplay(window, &own)) return;
        composed = &own;
    }
    RecordImage image;
    image.info = &composed->info.bmiHeader;
    image.bits = ReadComposedPixels(composed);
    if (!image.bits) {
        ReleaseComposed(&own);
        return;
    }
    image.stride = static_cast<DWORD>(composed->info.bmiHeader.biWidth) * 4;
    image.size = image.stride * static_cast<DWORD>(composed->info.bmiHeader.biHeight);
    WriteRecording(image, RecordFormatOf(ScreenSettings.RecordFile));
    ReleaseComposed(&own);
}
