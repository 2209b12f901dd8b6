// Fuzz target: the configuration reader. The input is the text of
// displays/Tavlora.cfg. Every run starts from the settings' load values
// (all zero) and
//  1. hands every line of the input to ParseConfigLine, whatever its length
//     (lines are split at line feeds; a carriage return before the feed is
//     part of the line end), and remembers what it made of each;
//  2. from the load values again, writes the input as displays/Tavlora.cfg
//     and reads it with ReadConfigFile, as DISPLAYDLL_Init does;
//  3. reads the same file again through ReadConfigFrom with an observer that
//     checks each line it hears of against the input (numbering, length,
//     kind, the cut flag, and the status step 1 saw for an uncut line), and
//     requires the same settings as step 2: a second reading changes nothing;
//  4. uses the settings as a repaint does: loads the working layouts (an
//     LCD module's own size and rows when Module= names one), draws a
//     module's panel and the four rows (text runs and custom characters) on
//     a small bitmap, then requires that nothing is left behind.
// The simulation is reset at every run, so nothing of a run's drawing stays.
#include "fuzz_support.h"

#include "config/config.h"
#include "config/module.h"
#include "driver/display_memory.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "screen/panel.h"
#include "screen/rows.h"
#include "screen/scale.h"

#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const size_t kLineLimit = 127; // what the reader keeps of a line

std::string RunFolder;
std::string HomeFolder;

// One line of the input as the reader meets it. Its content is what comes
// before the line end (a line feed, and a carriage return before it).
struct InputLine {
    std::string content;
    bool cut;                // the content is longer than the reader keeps
    bool returnsPastTheCut;  // and only carriage returns are past the cut
    std::string text;        // what the reader hands on: cut, up to a zero byte
    ConfigLineStatus status; // ParseConfigLine's verdict on the whole content
};

std::vector<InputLine> SplitLines(const uint8_t *data, size_t size) {
    std::vector<InputLine> lines;
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        bool end = i == size;
        if (!end && data[i] != '\n') continue;
        if (end && i == start) break; // nothing after the last line feed
        InputLine line;
        line.content.assign(reinterpret_cast<const char *>(data) + start, i - start);
        if (!line.content.empty() && line.content.back() == '\r') line.content.pop_back();
        line.cut = line.content.size() > kLineLimit;
        line.returnsPastTheCut =
            line.cut && line.content.find_first_not_of('\r', kLineLimit) == std::string::npos;
        line.text = line.content.substr(0, kLineLimit).c_str(); // up to the first zero byte
        line.status = ConfigNoKey;
        lines.push_back(line);
        start = i + 1;
    }
    return lines;
}

// A text without the carriage returns at its end.
std::string WithoutReturns(std::string text) {
    while (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

// Step 1: the whole content, in a buffer of exactly its size.
void ParseWholeLines(std::vector<InputLine> &lines) {
    for (InputLine &line : lines) {
        std::unique_ptr<char[]> buffer(new char[line.content.size() + 1]);
        memcpy(buffer.get(), line.content.data(), line.content.size());
        buffer[line.content.size()] = 0;
        line.status = ParseConfigLine(buffer.get());
        fuzz::Require(line.status >= ConfigApplied && line.status <= ConfigClamped,
                      "ParseConfigLine returns one of its statuses");
    }
}

struct Observed {
    const std::vector<InputLine> *lines;
    int heard;
};

void ObserveLine(void *context, int lineNumber, const char *line, ConfigLineKind kind,
                 ConfigLineStatus status, bool cut) {
    Observed &o = *static_cast<Observed *>(context);
    fuzz::Require(lineNumber == o.heard + 1, "lines are numbered 1, 2, 3, ...");
    fuzz::Require(static_cast<size_t>(o.heard) < o.lines->size(), "no more lines than the file has");
    const InputLine &expected = (*o.lines)[o.heard++];
    fuzz::Require(line && strlen(line) <= kLineLimit, "a line is at most 127 characters");
    // Carriage returns where the line is cut or ends may count with the
    // line end: the reader may keep or drop them there.
    fuzz::Require(WithoutReturns(expected.text) == WithoutReturns(line),
                  "the line is the file's line");
    fuzz::Require(cut == expected.cut || expected.returnsPastTheCut,
                  "cut is reported for a longer line only");
    ConfigLineKind kind_expected = line[0] == 0                   ? ConfigLineEmpty
                                   : line[0] == '/'               ? ConfigLineComment
                                   : strncmp(line, "Debug=", 6) == 0 ? ConfigLineDebug
                                                                     : ConfigLineParsed;
    fuzz::Require(kind == kind_expected, "the line's kind");
    if (kind == ConfigLineParsed && !cut)
        fuzz::Require(status == expected.status, "the reader's status is ParseConfigLine's");
}

struct Settings {
    ScreenSettingsRecord screen;
    int32_t debug;
    LineLayout rows[4];
};

Settings TakeSettings() {
    Settings s;
    memcpy(&s.screen, &ScreenSettings, sizeof s.screen);
    s.debug = DebugLevel;
    memcpy(s.rows, ConfiguredLayouts, sizeof s.rows);
    return s;
}

bool SameSettings(const Settings &a, const Settings &b) {
    return memcmp(&a.screen, &b.screen, sizeof a.screen) == 0 && a.debug == b.debug &&
           memcmp(a.rows, b.rows, sizeof a.rows) == 0;
}

// Step 4: what a repaint does with the rows, on a 64 x 32 bitmap.
void DrawRows() {
    int32_t x, y, width, height;
    LoadWorkingLayouts(&x, &y, &width, &height, WorkingLayouts);
    ModuleLayout module;
    const bool isModule = ResolveModule(&module);
    // At a zoom (or DPI) other than 100 % the sizes are scaled; the place is not.
    const bool scaled = ScaleLength(1000) != 1000;
    fuzz::Require(x == ScreenSettings.X && y == ScreenSettings.Y &&
                      (scaled ||
                       (width == (isModule ? module.windowWidth : ScreenSettings.Width) &&
                        height == (isModule ? module.windowHeight : ScreenSettings.Height))),
                  "the window rectangle is the configured one, or the module's");
    if (isModule) {
        for (int r = 0; r < kRows; ++r)
            fuzz::Require(WorkingLayouts[r].Cells == (r < module.rows ? module.columns : 0) &&
                              WorkingLayouts[r].DotPitch == module.pitch,
                          "a module's rows are its own");
    } else {
        LineLayout expected[kRows];
        memcpy(expected, ConfiguredLayouts, sizeof expected);
        for (LineLayout &row : expected) {
            row.X = ScaleLength(row.X);
            row.Y = ScaleLength(row.Y);
            row.FontHeight = ScaleLength(row.FontHeight);
            row.FontWidth = ScaleLength(row.FontWidth);
            row.DotGap = ScaleLength(row.DotGap);
        }
        fuzz::Require(memcmp(WorkingLayouts, expected, sizeof WorkingLayouts) == 0,
                      "the working layouts are the configured ones at the display's scale");
    }

    static const char *const kRowTexts[kRows] = {
        "Tavlora Starting",
        ("\x01" "Ab\x83 \xFF" "c"),
        "01234567890123456789012345678901234567890123456789012345678901234567890123456789",
        "x\xB0\x9E",
    };
    static const unsigned char kGlyph[8] = {0x1F, 0x11, 0x0A, 0x04, 0x04, 0x0A, 0x11, 0x1F};
    for (unsigned slot = 1; slot < kGlyphSlots; ++slot) StoreGlyph(slot, kGlyph);
    for (int r = 0; r < kRows; ++r)
        snprintf(reinterpret_cast<char *>(TextRows[r]), sizeof TextRows[r], "%s", kRowTexts[r]);

    HDC screen = GetDC(NULL);
    HDC surface = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 64, 32);
    HGDIOBJ kept = SelectObject(surface, bitmap);
    DrawModulePanel(surface);
    for (int r = 0; r < kRows; ++r) DrawRow(r, surface);
    SelectObject(surface, kept);
    DeleteObject(bitmap);
    DeleteDC(surface);
    ReleaseDC(NULL, screen);
    ReleaseRowFonts(); // kept between repaints, they go with the window
    fuzz::Require(sim::live_gdi_objects() == 0, "the rows' fonts and brushes are deleted");
    fuzz::Require(sim::live_dcs() == 0, "no device context is left");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::RememberLoadState();
    RunFolder = fuzz::MakeWorkFolder() + "/run";
    fuzz::MakeDriverFolder(RunFolder, false);
    char cwd[4096];
    fuzz::Require(getcwd(cwd, sizeof cwd) != NULL, "the current folder is known");
    HomeFolder = cwd;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // The driver's paths are relative to the host's current folder; between
    // runs libFuzzer works in the folder it was started in.
    fuzz::Require(chdir(RunFolder.c_str()) == 0, "the run folder is there");
    std::vector<InputLine> lines = SplitLines(data, size);

    fuzz::ResetDriver();
    ParseWholeLines(lines);

    fuzz::ResetDriver();
    fuzz::WriteWholeFile("displays/Tavlora.cfg", data, size);
    ReadConfigFile();
    Settings first = TakeSettings();

    Observed observed = {&lines, 0};
    fuzz::Require(ReadConfigFrom("displays/Tavlora.cfg", ObserveLine, &observed),
                  "the file can be read");
    fuzz::Require(static_cast<size_t>(observed.heard) == lines.size(),
                  "every line of the file is heard of");
    fuzz::Require(SameSettings(first, TakeSettings()), "a second reading changes nothing");

    DrawRows();
    fuzz::Require(chdir(HomeFolder.c_str()) == 0, "the starting folder is there");
    return 0;
}
