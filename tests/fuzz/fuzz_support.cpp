#include "fuzz_support.h"

#include "config/config.h"
#include "driver/display_memory.h"
#include "platform/sim/sim_control.h"
#include "record/png_bands.h"
#include "screen/kept_image.h"
#include "screen/picture.h"
#include "screen/refresh.h"
#include "screen/rows.h"
#include "screen/window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fuzz {
namespace {

std::string WorkFolder;

int RemoveEntry(const char *path, const struct stat *, int, struct FTW *) {
    remove(path);
    return 0;
}

void RemoveWorkFolder() {
    if (!WorkFolder.empty()) nftw(WorkFolder.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void MakeFolder(const std::string &path) {
    if (mkdir(path.c_str(), 0777) != 0) {
        perror(path.c_str());
        abort();
    }
}

std::string ReadWholeFile(const std::string &path) {
    std::string text;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) {
        perror(path.c_str());
        abort();
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    fclose(file);
    return text;
}

// Display memory as the library loaded it.
unsigned char LoadTextRows[kRows][kColumns + 1];
unsigned char LoadShadowRows[kRows][kColumns + 1];
CursorPosition LoadCursor;
unsigned char LoadGlyphStore[kGlyphSlots][8];
ScreenSettingsRecord LoadScreenSettings;

} // namespace

std::string MakeWorkFolder() {
    const char *tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tavlora-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    if (!mkdtemp(name.data())) {
        perror("mkdtemp");
        abort();
    }
    WorkFolder = name.data();
    atexit(RemoveWorkFolder);
    return WorkFolder;
}

void MakeDriverFolder(const std::string &path, bool withPicture) {
    MakeFolder(path);
    MakeFolder(path + "/displays");
    MakeFolder(path + "/logs");
    if (symlink("/dev/null", (path + "/logs/Tavlora.log").c_str()) != 0) {
        perror("symlink");
        abort();
    }
    if (withPicture) {
        MakeFolder(path + "/images");
        std::string picture = ReadWholeFile(TAVLORA_SOURCE_DIR "/tests/data/corners.jpg");
        WriteWholeFile(path + "/images/Tavlora.jpg", picture.data(), picture.size());
    }
}

void WriteWholeFile(const std::string &path, const void *data, size_t size) {
    FILE *file = fopen(path.c_str(), "wb");
    if (!file || (size > 0 && fwrite(data, 1, size, file) != size) || fclose(file) != 0) {
        perror(path.c_str());
        abort();
    }
}

void RememberLoadState() {
    LoadScreenSettings = ScreenSettings;
    memcpy(LoadTextRows, TextRows, sizeof TextRows);
    memcpy(LoadShadowRows, ShadowRows, sizeof ShadowRows);
    LoadCursor = Cursor;
    memcpy(LoadGlyphStore, GlyphStore, sizeof GlyphStore);
}

void ResetDriver() {
    if (ScreenPicture.picture) ScreenPicture.picture->Release();
    ReleaseKeptImage(); // what the last run's window kept goes, as with its window
    ReleaseRowFonts();
    ForgetPngBands(); // its blocks are the platform's, which the reset forgets
    sim::reset();
    memcpy(TextRows, LoadTextRows, sizeof TextRows);
    memcpy(ShadowRows, LoadShadowRows, sizeof ShadowRows);
    Cursor = LoadCursor;
    memcpy(GlyphStore, LoadGlyphStore, sizeof GlyphStore);
    ScreenSettings = LoadScreenSettings;
    DebugLevel = 0;
    for (LineLayout &row : ConfiguredLayouts) row = RowDefaults;
    memset(WorkingLayouts, 0, sizeof WorkingLayouts);
    memset(&FontScratch, 0, sizeof FontScratch);
    memset(&ScreenPicture, 0, sizeof ScreenPicture);
    DisplayWindow = NULL;
    WindowCreated = 0;
    PaintSurface = NULL;
}

void Require(bool ok, const char *what) {
    if (ok) return;
    fprintf(stderr, "fuzz check failed: %s\n", what);
    abort();
}

uint8_t Reader::Byte() { return position_ < size_ ? data_[position_++] : 0; }

uint16_t Reader::Word() {
    uint16_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
}

uint32_t Reader::Long() {
    uint32_t low = Word();
    return low | static_cast<uint32_t>(Word()) << 16;
}

size_t Reader::Bytes(uint8_t *out, size_t count) {
    size_t n = 0;
    while (n < count && position_ < size_) out[n++] = data_[position_++];
    return n;
}

} // namespace fuzz
