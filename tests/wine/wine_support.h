// Shared by the tests that run the real Tavlora.dll under Wine: a folder
// laid out as a host's folder, and the stand-in host run in it.
#pragma once

#include <windows.h>

#include "driver/tavlora.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

struct HostRun {
    DWORD exitCode = 0xFFFFFFFF;
    bool timedOut = false;
    std::string output; // standard output and error of the host
};

class HostFolder : public ::testing::Test {
  protected:
    // A fresh folder "wine-work\<suite>.<test>" holding Tavlora.dll and
    // tavlora-host.exe, as a user's host folder would.
    void SetUp() override;

    std::string Path(const std::string &relative) const { return folder_ + "\\" + relative; }
    void WriteFile(const std::string &relative, const std::string &text);
    std::string ReadFile(const std::string &relative) const;
    bool Exists(const std::string &relative) const;
    void WriteConfig(const std::string &text) { WriteFile("displays\\Tavlora.cfg", text); }
    // The log's lines without their 17-character timestamps.
    std::vector<std::string> LogLines() const;

    // Runs tavlora-host.exe in the folder with the given arguments.
    HostRun RunHost(const std::string &arguments, DWORD timeoutMs = 30000);

    // Copies a file of tests/data into the folder.
    void CopyTestData(const std::string &name, const std::string &relative);

    std::string folder_;
};

// The real DLL loaded into this test program, which is then the host, with
// the test's folder as the current folder. Done runs at the end of a test
// whose start made a window. The entry points are public, for the threads
// and timers of a test that calls them as a host's would.
class DriverInProcess : public HostFolder {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Writes this configuration and starts the driver; its window, or null.
    HWND StartDriver(const std::string &config);

    HMODULE dll_ = nullptr;
    bool started_ = false;
    char previous_[MAX_PATH] = "";

  public:
    void Write(const char *text) { write_(const_cast<char *>(text)); }

    DisplayInitProc init_ = nullptr;
    DisplayDoneProc done_ = nullptr;
    DisplayWriteProc write_ = nullptr;
    DisplaySetPositionProc position_ = nullptr;
    DisplayCustomCharProc glyph_ = nullptr;
};

// A 32-bit bottom-up BMP file as the driver's capture writes it.
struct CaptureFile {
    bool valid = false;
    int width = 0;
    int height = 0;
    std::string bytes;
    // Red, green, blue of the pixel at (x, y), counted from the top-left.
    COLORREF At(int x, int y) const;
};
CaptureFile ReadCapture(const std::string &bytes);

// A PNG file's header and its IDAT chunks' data, as read by CheckPng.
struct PngFile {
    bool complete = false; // signature, IHDR first, every chunk's CRC right, IEND last
    int width = 0, height = 0, bitDepth = 0, colourType = 0;
    std::string data; // the IDAT chunks' data, joined
};
PngFile CheckPng(const std::string &bytes);
// The pixels of a complete 8-bit RGB or RGBA PNG, top row first: inflated
// and each row's filter undone, an RGBA pixel's alpha in the top byte.
// Empty when they do not decode.
std::vector<COLORREF> PngPixels(const PngFile &png);

// True when two colours differ by at most `tolerance` in each component.
bool Near(COLORREF a, COLORREF b, int tolerance);

// The rectangles of the host's "window ..." lines, in order; with `found`,
// also whether each line found the window.
std::vector<RECT> WindowRects(const std::string &output, std::vector<int> *found = nullptr);

// The build folder, where the test program, the DLL and the host lie.
std::string BuildFolder();
