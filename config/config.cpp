#include "config.h"

#include "config/limits.h"
#include "config/module.h"
#include "config/place.h"
#include "log/log.h"
#include "platform/platform.h"
#include "screen/scale.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

// Every setting is 0 or empty at a first start, but EndHostOnClose, the
// picture and the module's sizes, its colours (taken from the set), the
// zoom (100 percent) and following the monitor's DPI; the window keeps its
// frame, full opacity and its taskbar button.
const ScreenSettingsRecord ScreenDefaults = {
    0, 0, 0, 0, 0, 0, 0, "", 0, 0, 1, 0, "images" PATH_SEP "Tavlora.jpg",
    "", 3, 1, 4, 12, "yellow-green", "square",
    {-1, -1, -1}, {-1, -1, -1}, {-1, -1, -1}, {-1, -1, -1},
    100, 0, 1, 0, 0,
    0, 1, 0, 100, {-1, -1, -1}, 0, 1,
    0, "127.0.0.1", ""};
ScreenSettingsRecord ScreenSettings = ScreenDefaults;
int32_t DebugLevel;
// Every field starts at zero except the gap between dots.
const LineLayout RowDefaults = {0, 0, 0, "", 0, 0, {0, 0, 0}, {0, 0, 0}, 0, 0, 0, 0, 1, {0, 0, 0},
                                0, 0, 0, 0};
LineLayout ConfiguredLayouts[4] = {RowDefaults, RowDefaults, RowDefaults, RowDefaults};
LineLayout WorkingLayouts[4];

static const int kLineBuffer = 128; // 127 characters and the terminator

static bool StartsWith(const char *text, const char *key) {
    return strncmp(text, key, strlen(key)) == 0;
}

static bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool ReadConfigNumber(const char *text, int32_t *value) {
    const char *p = text;
    while (IsBlank(*p)) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (*p < '0' || *p > '9') return false;
    int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (*p - '0');
    }
    if (negative)
        *value = magnitude > 2147483648LL ? INT32_MIN : static_cast<int32_t>(-magnitude);
    else
        *value = magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
    return true;
}

// Like ReadConfigNumber, and moves `text` past the number it read.
static bool ReadNextNumber(const char **text, int32_t *value) {
    const char *p = *text;
    if (!ReadConfigNumber(p, value)) return false;
    while (IsBlank(*p)) ++p;
    if (*p == '-' || *p == '+') ++p;
    while (*p >= '0' && *p <= '9') ++p;
    *text = p;
    return true;
}

static void CopyText(char *destination, size_t size, const char *text) {
    snprintf(destination, size, "%s", text);
}

// Reads up to three numbers; `read` says how many were there.
static ConfigLineStatus ReadColour(const char *text, int32_t *colour, const char *event,
                                   int *read) {
    *read = 0;
    while (*read < 3 && ReadNextNumber(&text, &colour[*read])) ++*read;
    char detail[48];
    snprintf(detail, sizeof detail, "%d %d %d", colour[0], colour[1], colour[2]);
    WriteLog(event, detail);
    return *read == 3 ? ConfigApplied : *read == 0 ? ConfigNoNumber : ConfigPartColour;
}

static ConfigLineStatus ReadNumber(const char *text, int32_t *field) {
    return ReadConfigNumber(text, field) ? ConfigApplied : ConfigNoNumber;
}

#define SCREEN_FIELD(field) offsetof(ScreenSettingsRecord, field), sizeof ScreenSettings.field
#define ROW_FIELD(field) offsetof(LineLayout, field), sizeof ConfiguredLayouts[0].field

const ConfigKey ScreenKeys[] = {
    {"X=", ConfigNumber, SCREEN_FIELD(X), 0, NULL},
    {"Y=", ConfigNumber, SCREEN_FIELD(Y), 0, NULL},
    {"Width=", ConfigNumber, SCREEN_FIELD(Width), 0, NULL},
    {"Height=", ConfigNumber, SCREEN_FIELD(Height), 0, NULL},
    {"DontShowWindow=", ConfigNumber, SCREEN_FIELD(DontShowWindow), 0, NULL},
    {"Record=", ConfigNumber, SCREEN_FIELD(Record), 0, NULL},
    {"RecordInterval=", ConfigNumber, SCREEN_FIELD(RecordInterval), 0, NULL},
    {"RecordFile=", ConfigText, SCREEN_FIELD(RecordFile), 0, NULL},
    {"StayOnTop=", ConfigNumber, SCREEN_FIELD(StayOnTop), 0, NULL},
    {"WatchConfig=", ConfigNumber, SCREEN_FIELD(WatchConfig), 0, NULL},
    {"EndHostOnClose=", ConfigNumber, SCREEN_FIELD(EndHostOnClose), 0, NULL},
    {"RecordOnChange=", ConfigNumber, SCREEN_FIELD(RecordOnChange), 0, NULL},
    {"Picture=", ConfigText, SCREEN_FIELD(Picture), 0, NULL},
    {"Module=", ConfigText, SCREEN_FIELD(Module), 0, NULL},
    {"ModuleDotSize=", ConfigNumber, SCREEN_FIELD(ModuleDotSize), 0, NULL},
    {"ModuleDotGap=", ConfigNumber, SCREEN_FIELD(ModuleDotGap), 0, NULL},
    {"ModuleMargin=", ConfigNumber, SCREEN_FIELD(ModuleMargin), 0, NULL},
    {"ModuleBezel=", ConfigNumber, SCREEN_FIELD(ModuleBezel), 0, NULL},
    {"ModuleColors=", ConfigText, SCREEN_FIELD(ModuleColors), 0, NULL},
    {"ModuleDotShape=", ConfigText, SCREEN_FIELD(ModuleDotShape), 0, NULL},
    {"ModuleBackColor=", ConfigColour, SCREEN_FIELD(ModuleBackColor), 0, "Module Back Color"},
    {"ModuleDotColor=", ConfigColour, SCREEN_FIELD(ModuleDotColor), 0, "Module Dot Color"},
    {"ModuleDotOffColor=", ConfigColour, SCREEN_FIELD(ModuleDotOffColor), 0,
     "Module Dot Off Color"},
    {"ModuleBezelColor=", ConfigColour, SCREEN_FIELD(ModuleBezelColor), 0, "Module Bezel Color"},
    {"Zoom=", ConfigNumber, SCREEN_FIELD(Zoom), 0, NULL},
    {"Resizable=", ConfigNumber, SCREEN_FIELD(Resizable), 0, NULL},
    {"FollowDpi=", ConfigNumber, SCREEN_FIELD(FollowDpi), 0, NULL},
    {"RememberPlace=", ConfigNumber, SCREEN_FIELD(RememberPlace), 0, NULL},
    {"KeepOnScreen=", ConfigNumber, SCREEN_FIELD(KeepOnScreen), 0, NULL},
    {"NoActivate=", ConfigNumber, SCREEN_FIELD(NoActivate), 0, NULL},
    {"Frame=", ConfigNumber, SCREEN_FIELD(Frame), 0, NULL},
    {"SnapDistance=", ConfigNumber, SCREEN_FIELD(SnapDistance), 0, NULL},
    {"Opacity=", ConfigNumber, SCREEN_FIELD(Opacity), 0, NULL},
    {"TransparentColor=", ConfigColour, SCREEN_FIELD(TransparentColor), 0, "Transparent Color"},
    {"ClickThrough=", ConfigNumber, SCREEN_FIELD(ClickThrough), 0, NULL},
    {"TaskbarButton=", ConfigNumber, SCREEN_FIELD(TaskbarButton), 0, NULL},
    {"WebPort=", ConfigNumber, SCREEN_FIELD(WebPort), 0, NULL},
    {"WebAddress=", ConfigText, SCREEN_FIELD(WebAddress), 0, NULL},
    {"WebAllowOrigin=", ConfigText, SCREEN_FIELD(WebAllowOrigin), 0, NULL},
};
const int ScreenKeyCount = sizeof ScreenKeys / sizeof ScreenKeys[0];

const ConfigKey RowKeys[] = {
    {"X", ConfigPosition, ROW_FIELD(X), 0, "x="},
    {"Y", ConfigPosition, ROW_FIELD(Y), 0, "y="},
    {"FontType=", ConfigNumber, ROW_FIELD(FontType), 0, NULL},
    {"FontName=", ConfigText, ROW_FIELD(FontName), 0, NULL},
    {"FontHeight=", ConfigNumber, ROW_FIELD(FontHeight), 0, NULL},
    {"FontWidth=", ConfigNumber, ROW_FIELD(FontWidth), 0, NULL},
    {"FontColor=", ConfigColour, ROW_FIELD(FontColor), 0, "Text Color"},
    {"FontBkColor=", ConfigColour, ROW_FIELD(FontBkColor), 0, "Text Background Color"},
    {"FontBold=", ConfigNumber, ROW_FIELD(FontBold), 0, NULL},
    {"FontItalics=", ConfigSwitch, ROW_FIELD(FontItalics), 2, NULL},
    {"FontUnderline=", ConfigSwitch, ROW_FIELD(FontUnderline), 3, NULL},
    {"Dots=", ConfigSwitch, ROW_FIELD(Dots), 1, NULL},
    {"DotGap=", ConfigNumber, ROW_FIELD(DotGap), 0, NULL},
    {"DotOffColor=", ConfigColour, ROW_FIELD(DotOffColor), 0, "Dot Off Color"},
};
const int RowKeyCount = sizeof RowKeys / sizeof RowKeys[0];

// Stores the value of `key` read from `line` (the text after the key's
// name) into the record at `base`; `row` is 1 to 4 for a row's key, else 0.
static ConfigLineStatus ReadKey(const ConfigKey &key, const char *line, char *base, int row) {
    char *field = base + key.offset;
    int32_t *number = reinterpret_cast<int32_t *>(field);
    const char *value = line + strlen(key.name);
    switch (key.kind) {
    case ConfigNumber: {
        ConfigLineStatus status = ReadNumber(value, number);
        const ValueLimit *limit = LimitOf(key, row > 0);
        if (status == ConfigApplied && limit && KeepNumberWithinLimit(*limit, row, number))
            return ConfigClamped;
        return status;
    }
    case ConfigSwitch: {
        int32_t read;
        if (!ReadConfigNumber(value, &read)) return ConfigNoNumber;
        *number = read != 0 ? key.code : 0;
        return ConfigApplied;
    }
    case ConfigColour: {
        int read;
        ConfigLineStatus status = ReadColour(value, number, key.event, &read);
        const ValueLimit *limit = LimitOf(key, row > 0);
        if (read > 0 && limit && KeepColourWithinLimit(*limit, row, number, read))
            return ConfigClamped;
        return status;
    }
    case ConfigText:
        CopyText(field, key.size, value);
        return ConfigApplied;
    case ConfigPosition: {
        ConfigLineStatus status = value[0] != 0 ? ReadNumber(value + 1, number) : ConfigNoNumber;
        char detail[16];
        snprintf(detail, sizeof detail, "%d", *number);
        WriteLog(key.event, detail);
        return status;
    }
    }
    return ConfigNoKey;
}

static ConfigLineStatus ParseRowLine(const char *line) {
    // "Line", one character for the row number, then the row key proper.
    char digit = line[4];
    if (digit < '1' || digit > '4') return ConfigBadRow;
    char *row = reinterpret_cast<char *>(&ConfiguredLayouts[digit - '1']);
    for (int k = 0; k < RowKeyCount; ++k)
        if (StartsWith(line + 5, RowKeys[k].name)) return ReadKey(RowKeys[k], line + 5, row, digit - '0');
    return ConfigNoKey;
}

ConfigLineStatus ParseConfigLine(const char *line) {
    if (!line) return ConfigNoKey;
    for (int k = 0; k < ScreenKeyCount; ++k)
        if (StartsWith(line, ScreenKeys[k].name))
            return ReadKey(ScreenKeys[k], line, reinterpret_cast<char *>(&ScreenSettings), 0);
    if (!StartsWith(line, "Line")) return ConfigNoKey;
    return ParseRowLine(line);
}

// Reads one line of at most 127 characters into `line`; a longer line keeps
// its first 127 characters and the rest is skipped. The line end (a line
// feed, and a carriage return before it) is not part of the line, nor of
// what is skipped. Returns false at the end of the file.
static bool ReadLine(FILE *file, char line[kLineBuffer], bool *cut) {
    int length = 0, c;
    *cut = false;
    while ((c = fgetc(file)) != EOF && c != '\n') {
        if (length < kLineBuffer - 1)
            line[length++] = static_cast<char>(c);
        else if (c != '\r')
            *cut = true;
    }
    if (c == EOF && length == 0 && !*cut) return false;
    if (length > 0 && line[length - 1] == '\r' && !*cut) --length;
    line[length] = 0;
    return true;
}

// A value cut at the line's length would be used as it stands (a
// RecordFile= name cut short records to another file): say so.
static void LogCutLine(int number, const char *line) {
    char detail[kLineBuffer + 96];
    snprintf(detail, sizeof detail, "line %d is longer than %d characters and was cut: %s", number,
             kLineBuffer - 1, line);
    WriteLog("Configuration", detail);
}

// Moves past a UTF-8 byte-order mark at the file's start (Notepad writes
// one); true when there was one. Anything else is read from the start.
static bool SkipByteOrderMark(FILE *file) {
    unsigned char start[3];
    if (fread(start, 1, 3, file) == 3 && start[0] == 0xEF && start[1] == 0xBB && start[2] == 0xBF)
        return true;
    rewind(file);
    return false;
}

bool ReadConfigFrom(const char *path, ConfigLineObserver observer, void *context,
                    bool *byteOrderMark) {
    // Binary: in text mode the Windows library ends the file at its first
    // Ctrl-Z byte. ReadLine takes care of carriage returns itself.
    FILE *file = fopen(path, "rb");
    if (!file) return false;
    bool mark = SkipByteOrderMark(file);
    if (byteOrderMark) *byteOrderMark = mark;
    char line[kLineBuffer];
    bool cut;
    for (int number = 1; ReadLine(file, line, &cut); ++number) {
        ConfigLineKind kind = ConfigLineParsed;
        ConfigLineStatus status = ConfigApplied;
        if (line[0] == 0)
            kind = ConfigLineEmpty;
        else if (line[0] == '/')
            kind = ConfigLineComment;
        else if (StartsWith(line, "Debug=")) {
            kind = ConfigLineDebug;
            status = ReadNumber(line + 6, &DebugLevel);
        } else
            status = ParseConfigLine(line);
        if (cut && kind == ConfigLineParsed) LogCutLine(number, line);
        if (observer) observer(context, number, line, kind, status, cut);
    }
    fclose(file);
    return true;
}

bool ConfigFilePath(char *path, size_t size) {
    int n = snprintf(path, size, "displays" PATH_SEP "%s.cfg", ModuleBaseName());
    return n >= 0 && static_cast<size_t>(n) < size; // false for a name too long for the path
}

void ReadConfigFile() {
    DebugLevel = 0;
    char path[256];
    if (!ConfigFilePath(path, sizeof path)) return;
    PutBackConfiguredPlace();
    ReadConfigFrom(path, NULL, NULL);
    NoteConfiguredPlace();
}

void LoadWorkingLayouts(int32_t *x, int32_t *y, int32_t *width, int32_t *height,
                        LineLayout *destination) {
    *x = ScreenSettings.X;
    *y = ScreenSettings.Y;
    *width = ScreenSettings.Width;
    *height = ScreenSettings.Height;
    memcpy(destination, ConfiguredLayouts, sizeof ConfiguredLayouts);
    bool module = LayOutModule(width, height, destination); // a module: its own size and rows
    ScaleWorkingLayouts(width, height, destination, module);
}
