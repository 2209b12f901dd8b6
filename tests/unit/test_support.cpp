#include "test_support.h"

#include "driver/tavlora.h"
#include "record/png_bands.h"
#include "screen/kept_image.h"
#include "screen/rows.h"
#include "screen/window.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

// A driver call that ends the process (the window's destroy with
// EndHostOnClose=1) would end the test program with status 0 and pass the
// test half-run: such an exit fails instead, unless the test expects it.
static bool ExitExpected;

void ExpectExit() {
    ExitExpected = true;
}

static void FailAnUnexpectedExit() {
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!test || ExitExpected) return;
    fprintf(stderr, "%s.%s: the process was ended by exit() during the test\n",
            test->test_suite_name(), test->name());
    _exit(1);
}

[[maybe_unused]] static const int kExitGuard = atexit(FailAnUnexpectedExit);

void DriverTest::SetUp() {
    char cwd[4096];
    previous_ = getcwd(cwd, sizeof cwd) ? cwd : ".";
    char templ[] = "/tmp/tavlora-test-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    folder_ = templ;
    ASSERT_EQ(chdir(folder_.c_str()), 0);
    ForgetPngBands(); // a test before this one in the same process may have kept a PNG
    sim::reset();
}

void DriverTest::StartWith(const std::string &config) {
    WriteConfig(config);
    char ok = 0;
    DISPLAYDLL_Init(0, 0, nullptr, &ok);
    ASSERT_EQ(ok, 1);
}

void DriverTest::WriteAt(int column, int row, const char *text) {
    DISPLAYDLL_SetPosition(column, row);
    DISPLAYDLL_Write(const_cast<char *>(text));
}

int DriverTest::Logged(const std::string &start) {
    int n = 0;
    for (const std::string &line : LogLines()) n += line.compare(0, start.size(), start) == 0;
    return n;
}

RECT DriverTest::Where() {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(DisplayWindow, &r);
    return r;
}

RECT DriverTest::Client() {
    RECT r = {0, 0, 0, 0};
    GetClientRect(DisplayWindow, &r);
    return r;
}

COLORREF DriverTest::At(int x, int y) {
    return sim::window_pixel(DisplayWindow, x, y);
}

void DriverTest::TearDown() {
    // Whatever a test drew or captured, the driver gave every object back
    // but the image and fonts it keeps for a window the test left open.
    ReleaseKeptImage();
    ReleaseRowFonts();
    if (!leaksAllowed_) {
        EXPECT_EQ(sim::live_gdi_objects(), 0) << "GDI objects left alive";
        EXPECT_EQ(sim::live_dcs(), 0) << "device contexts left alive";
    }
    EXPECT_EQ(sim::locked_frees(), 0) << "global memory freed while still locked";
    if (chdir(previous_.c_str()) != 0) return;
    if (!HasFailure()) std::system(("rm -rf '" + folder_ + "'").c_str());
    else printf("test folder kept: %s\n", folder_.c_str());
}

void DriverTest::WriteFile(const std::string &path, const std::string &text) {
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) mkdir(path.substr(0, slash).c_str(), 0777);
    { std::ofstream(path, std::ios::binary) << text; }
    // Saved a minute ago: a start reads it at once, as a file not being saved.
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct timespec times[2] = {{0, UTIME_OMIT}, {now.tv_sec - 60, now.tv_nsec}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string DriverTest::ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool DriverTest::FileExists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> DriverTest::LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile("logs/Tavlora.log"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.size() >= 18 ? line.substr(18) : line);
    return lines;
}

void SurfaceTest::SetUp() {
    DriverTest::SetUp();
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, width_, height_);
    ReleaseDC(nullptr, screen);
    previous_ = SelectObject(dc_, bitmap_);
}

void SurfaceTest::TearDown() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
    DriverTest::TearDown();
}
