// Shared by the unit tests: each test runs in a fresh folder of its own,
// with the simulated platform at its start state, and ends with no GDI
// object and no device context left alive, and no memory freed while locked.
#pragma once

#include "platform/sim/sim_control.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

// Says that the test ends the process on purpose (in a death test's child):
// otherwise an exit during a test fails it.
void ExpectExit();

class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes displays/Tavlora.cfg (or another file) with the given text,
    // stamped as saved a minute ago.
    void WriteFile(const std::string &path, const std::string &text);
    std::string ReadFile(const std::string &path);
    bool FileExists(const std::string &path);
    // The log's lines with their 17-character timestamps and blank removed.
    std::vector<std::string> LogLines();
    // How many of the log's lines start with `start`.
    int Logged(const std::string &start);
    void WriteConfig(const std::string &text) { WriteFile("displays/Tavlora.cfg", text); }
    // Writes the configuration and starts the driver, which must make its
    // window.
    void StartWith(const std::string &config);
    // As a host writes: the cursor to column, row (from 1), then the text.
    static void WriteAt(int column, int row, const char *text);
    // The display window's rectangle on the screen, its inside, and one of
    // its pixels.
    RECT Where();
    RECT Client();
    COLORREF At(int x, int y);
    // For a test that makes a release fail on purpose: TearDown then does not
    // require every GDI object and device context to be gone.
    void AllowLeakedObjects() { leaksAllowed_ = true; }

    std::string folder_;
    std::string previous_;
    bool leaksAllowed_ = false;
};

// A memory context holding a screen-compatible bitmap of width x height
// (a memory context's own bitmap is monochrome), made by SetUp and freed by
// TearDown, for tests that draw and look at pixels.
class SurfaceTest : public DriverTest {
  protected:
    SurfaceTest(int width, int height) : width_(width), height_(height) {}
    void SetUp() override;
    void TearDown() override;
    COLORREF At(int x, int y) { return sim::bitmap_pixel(bitmap_, x, y); }

    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};
