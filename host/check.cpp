#include "host/check.h"
#include "host/script.h"

#include "config/config.h"
#include "config/limits.h"
#include "config/module.h"
#include "config/place.h"
#include "log/log.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <vector>

// How the check knows what a line set: it reads the line again, with the
// driver's own ParseConfigLine, into two states filled with different byte
// patterns and looks at which field changed. A value may equal one pattern,
// never both, so a line that stores the value a field already had is still
// seen. No key table is repeated here; only the fields are listed, to name
// and print them.

namespace {

// Everything a configuration file can set.
struct ConfigState {
    ScreenSettingsRecord screen;
    LineLayout rows[4];
    int32_t debug;
};

ConfigState CurrentState() {
    ConfigState state;
    state.screen = ScreenSettings;
    memcpy(state.rows, ConfiguredLayouts, sizeof state.rows);
    state.debug = DebugLevel;
    return state;
}

void SetState(const ConfigState &state) {
    ScreenSettings = state.screen;
    memcpy(ConfiguredLayouts, state.rows, sizeof state.rows);
    DebugLevel = state.debug;
}

// The fields the check reports are the reader's own key tables (a Switch
// shows as "on" when non-zero), with Debug after the window's keys.
const size_t kInt = sizeof(int32_t);

const ConfigKey kDebugKey = {"Debug=", ConfigNumber, 0, kInt, 0, NULL};

struct Field {
    const ConfigKey *member;
    std::string name; // the key without its "="
    int row;       // 1 to 4 for a row's field, 0 otherwise
    size_t offset; // in ConfigState
};

// The window's fields, Debug, then row 1's fields to row 4's.
const std::vector<Field> &Fields() {
    static std::vector<Field> fields;
    if (!fields.empty()) return fields;
    auto add = [](const ConfigKey &key, int row, size_t offset) {
        std::string name = key.name;
        if (!name.empty() && name.back() == '=') name.pop_back();
        fields.push_back({&key, name, row, offset});
    };
    for (int k = 0; k < ScreenKeyCount; ++k)
        add(ScreenKeys[k], 0, offsetof(ConfigState, screen) + ScreenKeys[k].offset);
    add(kDebugKey, 0, offsetof(ConfigState, debug));
    for (int row = 1; row <= 4; ++row)
        for (int k = 0; k < RowKeyCount; ++k)
            add(RowKeys[k], row,
                offsetof(ConfigState, rows) + (row - 1) * sizeof(LineLayout) + RowKeys[k].offset);
    return fields;
}

const int kDebugField = ScreenKeyCount;

int FirstRowField(int row) { return ScreenKeyCount + 1 + (row - 1) * RowKeyCount; }

// A text in double quotes; a quote and bytes outside 32..126 as \xNN.
// Backslashes stay as they are: they are common in Windows paths.
std::string Quote(const char *text) { return ShowText(text, true); }

std::string FieldName(const Field &f) {
    if (f.row == 0) return f.name;
    return "row " + std::to_string(f.row) + " " + f.name;
}

std::string FieldValue(const ConfigState &state, const Field &f) {
    const char *bytes = reinterpret_cast<const char *>(&state) + f.offset;
    if (f.member->kind == ConfigText) {
        const char *end = static_cast<const char *>(memchr(bytes, 0, f.member->size));
        std::string text(bytes, end ? static_cast<size_t>(end - bytes) : f.member->size);
        return Quote(text.c_str());
    }
    int32_t n[3] = {0, 0, 0};
    memcpy(n, bytes, f.member->size);
    if (f.member->kind == ConfigSwitch) return n[0] != 0 ? "on" : "off";
    char text[40];
    if (f.member->kind == ConfigColour) snprintf(text, sizeof text, "%d %d %d", n[0], n[1], n[2]);
    else snprintf(text, sizeof text, "%d", n[0]);
    return text;
}

std::string Setting(const ConfigState &state, int field) {
    const Field &f = Fields()[field];
    return FieldName(f) + " = " + FieldValue(state, f);
}

// What ParseConfigLine does with one line: its answer, the field it wrote
// (-1: none; a line writes at most one) and how many of the field's numbers
// it wrote (a colour's 1 to 3; 1 for the others).
struct Reading {
    ConfigLineStatus status;
    int field;
    int parts;
};

// Reads the line into two patterned states, then puts the settings back.
Reading Probe(const std::string &line) {
    const ConfigState kept = CurrentState();
    const std::vector<Field> &fields = Fields();
    std::vector<unsigned> written(fields.size(), 0); // a bit for each number of a field
    Reading reading = {ConfigNoKey, -1, 0};
    for (int pattern : {0x5A, 0xA5}) {
        ConfigState before;
        memset(&before, pattern, sizeof before);
        SetState(before);
        reading.status = ParseConfigLine(line.c_str());
        const ConfigState after = CurrentState();
        for (size_t i = 0; i < fields.size(); ++i) {
            const ConfigKey &m = *fields[i].member;
            size_t partSize = m.kind == ConfigText ? m.size : kInt;
            for (size_t part = 0; part * partSize < m.size; ++part) {
                size_t at = fields[i].offset + part * partSize;
                if (memcmp(reinterpret_cast<const char *>(&before) + at,
                           reinterpret_cast<const char *>(&after) + at, partSize) != 0)
                    written[i] |= 1u << part;
            }
        }
    }
    SetState(kept);
    for (size_t i = 0; i < fields.size() && reading.field < 0; ++i) {
        if (written[i] == 0) continue;
        reading.field = static_cast<int>(i);
        for (unsigned bits = written[i]; bits != 0; bits >>= 1) reading.parts += bits & 1;
    }
    return reading;
}

// The field a key names when its value is not a number: the line cut back
// and given "=0" as value writes it. The longest such cut is the key itself;
// a shorter one may be another key ("Record" of "RecordInterval=x").
int FieldOfKey(const std::string &line) {
    for (size_t length = line.size(); length > 0; --length) {
        Reading reading = Probe(line.substr(0, length) + "=0");
        if (reading.field >= 0) return reading.field;
    }
    return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

char Upper(char c) { return static_cast<char>(c - 'a' + 'A'); }

// Why a line with "=" matched no key: the usual slips are mended one after
// the other, and when the mended line is a key the slips found are the
// reason. "Debug=" is read before the key tables, so it is asked for apart.
std::string WhyNoKey(std::string line) {
    std::string reasons;
    size_t start = line.find_first_not_of(" \t");
    if (start != 0 && start != std::string::npos) {
        line.erase(0, start);
        reasons += ", blank before the key";
    }
    bool lower = false;
    if (!line.empty() && IsLower(line[0])) {
        line[0] = Upper(line[0]);
        lower = true;
    }
    if (line.compare(0, 4, "Line") == 0 && line.size() > 5 && IsLower(line[5])) {
        line[5] = Upper(line[5]); // the row's own key, "Line1x=" or "Line2fontName="
        lower = true;
    }
    if (lower) reasons += ", lower-case key";
    size_t equals = line.find('=');
    size_t keyEnd = equals;
    while (keyEnd > 0 && keyEnd != std::string::npos && IsBlank(line[keyEnd - 1])) --keyEnd;
    if (keyEnd != equals) {
        line.erase(keyEnd, equals - keyEnd);
        reasons += ", blank before \"=\"";
    }
    ConfigLineStatus status =
        line.compare(0, 6, "Debug=") == 0 ? ConfigApplied : Probe(line).status;
    if (status == ConfigNoKey || reasons.empty()) return "no known key";
    if (status == ConfigBadRow) reasons += ", row number outside 1 to 4";
    return reasons.substr(2);
}

struct Check {
    std::string *report;
    int problems;
};

// One line's report without its number; *problem when it counts against
// the file.
std::string Describe(const char *text, ConfigLineKind kind, ConfigLineStatus status,
                     bool *problem) {
    std::string line = text;
    std::string quoted = ": " + Quote(text);
    ConfigState state = CurrentState();
    *problem = false;
    if (kind == ConfigLineComment) return "comment";
    if (kind == ConfigLineEmpty) return "empty";
    if (kind == ConfigLineDebug) {
        if (status == ConfigApplied) return Setting(state, kDebugField);
        *problem = true;
        return "not a number, Debug kept " + FieldValue(state, Fields()[kDebugField]) + quoted;
    }
    if (status == ConfigApplied || status == ConfigPartColour || status == ConfigClamped) {
        Reading reading = Probe(line);
        if (reading.field < 0) return "read, nothing set" + quoted; // not met: every key stores
        const Field &f = Fields()[reading.field];
        const char *unusable =
            f.member->kind == ConfigText
                ? ModuleValueProblem(f.member->name, reinterpret_cast<const char *>(&state) + f.offset)
                : NULL;
        if (status == ConfigApplied && !unusable) return Setting(state, reading.field);
        if (status == ConfigClamped) {
            *problem = true;
            const ValueLimit *limit = LimitOf(*f.member, f.row > 0);
            char use[64] = "out of range";
            if (limit)
                DescribeLimitUse(*limit,
                                 reinterpret_cast<const int32_t *>(
                                     reinterpret_cast<const char *>(&state) + f.offset),
                                 use, sizeof use);
            return Setting(state, reading.field) + " (" + use + ")" + quoted;
        }
        if (status == ConfigApplied) {
            *problem = true;
            return "unusable value, " + Setting(state, reading.field) + ", " + unusable;
        }
        *problem = true;
        return "partial colour, " + Setting(state, reading.field) + " (" +
               std::to_string(reading.parts) + " of 3 numbers read)" + quoted;
    }
    if (status == ConfigNoNumber) {
        *problem = true;
        int field = FieldOfKey(line);
        if (field < 0) return "not a number" + quoted;
        const Field &f = Fields()[field];
        return "not a number, " + FieldName(f) + " kept " + FieldValue(state, f) + quoted;
    }
    // Ignored: free text unless it has "=" outside an indented comment.
    size_t start = line.find_first_not_of(" \t");
    if (line.find('=') == std::string::npos || (start != std::string::npos && line[start] == '/'))
        return "ignored, free text" + quoted;
    *problem = true;
    if (status == ConfigBadRow) return "ignored, row number outside 1 to 4" + quoted;
    return "ignored, " + WhyNoKey(line) + quoted;
}

void Observe(void *context, int number, const char *text, ConfigLineKind kind,
             ConfigLineStatus status, bool cut) {
    Check &check = *static_cast<Check *>(context);
    bool problem;
    std::string what = Describe(text, kind, status, &problem);
    if (cut) {
        what += " (cut at 127 characters)";
        problem = problem || kind != ConfigLineComment;
    }
    if (problem) ++check.problems;
    *check.report += "line " + std::to_string(number) + ": " + what + "\n";
}

// "name = value" for `count` fields from `first`, with short names.
std::string List(const ConfigState &state, int first, int count) {
    std::string text;
    for (int i = first; i < first + count; ++i) {
        const Field &f = Fields()[i];
        text += (i == first ? "" : ", ") + f.name + " = " + FieldValue(state, f);
    }
    return text;
}

void ReportSettings(std::string *report) {
    ConfigState state = CurrentState();
    *report += "settings:\n";
    *report += "  window: " + List(state, 0, 4) + "\n";
    for (int first = 4; first < ScreenKeyCount; first += 4)
        *report += "  " + List(state, first, std::min(4, ScreenKeyCount - first)) + "\n";
    *report += "  " + List(state, kDebugField, 1) + "\n";
    for (int row = 1; row <= 4; ++row) {
        for (int first = 0; first < RowKeyCount; first += 6) {
            *report += first == 0 ? "  row " + std::to_string(row) + ": " : "         ";
            *report += List(state, FirstRowField(row) + first, std::min(6, RowKeyCount - first));
            *report += first + 6 < RowKeyCount ? ",\n" : "\n";
        }
    }
    ModuleLayout module;
    if (!ResolveModule(&module)) return;
    char text[256];
    DescribeModuleGeometry(module, text, sizeof text);
    *report += std::string("module: ") + text + "\n";
    DescribeModuleColours(module, text, sizeof text);
    *report += std::string("module colours: ") + text + "\n";
}

// Which place the window opens at, and why: the configuration's, or the
// one remembered in the place file beside it.
void ReportPlace(const char *path, std::string *report) {
    std::string name = path; // its extension, if any, becomes ".place"
    size_t dot = name.find_last_of('.'), folder = name.find_last_of("\\/");
    if (dot != std::string::npos && (folder == std::string::npos || dot > folder)) name.erase(dot);
    name += ".place";
    PlaceFile file = {{0, 0, 0}, {0, 0, 0}};
    PlaceFileState state = ReadPlaceFile(name.c_str(), &file);
    const WindowPlace configured = {ScreenSettings.X, ScreenSettings.Y, ScreenSettings.Zoom};
    PlaceChoice choice = ChoosePlace(ScreenSettings.RememberPlace != 0, state, file, configured);
    const WindowPlace &used = choice == PlaceRemembered ? file.place : configured;
    char numbers[80];
    snprintf(numbers, sizeof numbers, "place: X = %d, Y = %d, Zoom = %d from ", used.X, used.Y,
             used.Zoom);
    *report += numbers;
    if (choice == PlaceRemembered)
        *report += name + " (" + PlaceChoiceReason(choice) + ")\n";
    else
        *report += "the configuration (" + name + ": " + PlaceChoiceReason(choice) + ")\n";
}

} // namespace

CheckResult CheckConfig(const char *path, std::string *report) {
    KeepLogClosed(); // row keys log what they read
    FILE *file = fopen(path, "rb");
    bool readable = file != NULL;
    int error = errno;
    if (file) {
        readable = !(fgetc(file) == EOF && ferror(file)); // a folder opens on some systems
        error = errno;
        fclose(file);
    }
    if (!readable) {
        *report += std::string("cannot read ") + path + ": " + strerror(error) + "\n";
        return CheckUnreadable;
    }

    ConfigState start;
    memset(&start, 0, sizeof start);
    start.screen = ScreenDefaults; // the values the driver has at load
    for (LineLayout &row : start.rows) row = RowDefaults;
    SetState(start);
    Check check = {report, 0};
    bool byteOrderMark = false;
    const size_t firstLine = report->size();
    if (!ReadConfigFrom(path, Observe, &check, &byteOrderMark)) {
        *report += std::string("cannot read ") + path + "\n";
        return CheckUnreadable;
    }
    if (byteOrderMark)
        report->insert(firstLine,
                       "the file starts with a UTF-8 byte-order mark (as Notepad saves): skipped\n");
    ReportSettings(report);
    ReportPlace(path, report);
    if (check.problems == 0) {
        *report += "result: no problems\n";
        return CheckClean;
    }
    *report += "result: " + std::to_string(check.problems) +
               (check.problems == 1 ? " problem line\n" : " problem lines\n");
    return CheckProblems;
}
