#include "config.h"

#include "log/log.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

ScreenSettingsRecord ScreenSettings;
int32_t DebugLevel;
LineLayout ConfiguredLayouts[4];
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

static ConfigLineStatus ReadColour(const char *text, int32_t colour[3], const char *event) {
    int read = 0;
    while (read < 3 && ReadNextNumber(&text, &colour[read])) ++read;
    char detail[48];
    snprintf(detail, sizeof detail, "%d %d %d", colour[0], colour[1], colour[2]);
    WriteLog(event, detail);
    return read == 3 ? ConfigApplied : read == 0 ? ConfigNoNumber : ConfigPartColour;
}

static ConfigLineStatus ReadNumber(const char *text, int32_t *field) {
    return ReadConfigNumber(text, field) ? ConfigApplied : ConfigNoNumber;
}

// A numeric key whose non-zero values all store one code (italic 2, underline 3).
static ConfigLineStatus ReadCode(const char *text, int32_t *field, int32_t code) {
    int32_t value;
    if (!ReadConfigNumber(text, &value)) return ConfigNoNumber;
    *field = value != 0 ? code : 0;
    return ConfigApplied;
}

static ConfigLineStatus ParseRowLine(const char *line) {
    // "Line", one character for the row number, then the row key proper.
    char digit = line[4];
    if (digit < '1' || digit > '4') return ConfigBadRow;
    LineLayout &row = ConfiguredLayouts[digit - '1'];
    const char *key = line + 5;

    if (key[0] == 'X' || key[0] == 'Y') {
        // Any one character may stand between the letter and the value.
        int32_t &field = key[0] == 'X' ? row.X : row.Y;
        ConfigLineStatus status = key[1] != 0 ? ReadNumber(key + 2, &field) : ConfigNoNumber;
        char detail[16];
        snprintf(detail, sizeof detail, "%d", field);
        WriteLog(key[0] == 'X' ? "x=" : "y=", detail);
        return status;
    }

    static const char *const kRowKeys[] = {
        "FontType=", "FontHeight=",  "FontWidth=",     "FontColor=", "FontBkColor=",
        "FontBold=", "FontItalics=", "FontUnderline=", "FontName="};
    for (int k = 0; k < 9; ++k) {
        if (!StartsWith(key, kRowKeys[k])) continue;
        const char *value = key + strlen(kRowKeys[k]);
        switch (k) {
        case 0:
            return ReadNumber(value, &row.FontType);
        case 1:
            return ReadNumber(value, &row.FontHeight);
        case 2:
            return ReadNumber(value, &row.FontWidth);
        case 3:
            return ReadColour(value, row.FontColor, "Text Color");
        case 4:
            return ReadColour(value, row.FontBkColor, "Text Background Color");
        case 5:
            return ReadNumber(value, &row.FontBold);
        case 6:
            return ReadCode(value, &row.FontItalics, 2);
        case 7:
            return ReadCode(value, &row.FontUnderline, 3);
        default:
            CopyText(row.FontName, sizeof row.FontName, value);
            return ConfigApplied;
        }
    }
    return ConfigNoKey;
}

ConfigLineStatus ParseConfigLine(const char *line) {
    if (!line) return ConfigNoKey;
    ScreenSettingsRecord &s = ScreenSettings;
    static const char *const kKeys[] = {
        "X=",      "Y=",          "Width=",         "Height=", "DontShowWindow=",
        "Record=", "RecordFile=", "RecordInterval="};
    int32_t *const fields[] = {&s.X,      &s.Y, &s.Width,         &s.Height, &s.DontShowWindow,
                               &s.Record, NULL, &s.RecordInterval};
    for (int k = 0; k < 8; ++k) {
        if (!StartsWith(line, kKeys[k])) continue;
        const char *value = line + strlen(kKeys[k]);
        if (!fields[k]) {
            CopyText(s.RecordFile, sizeof s.RecordFile, value);
            return ConfigApplied;
        }
        return ReadNumber(value, fields[k]);
    }
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

bool ReadConfigFrom(const char *path, ConfigLineObserver observer, void *context) {
    // Binary: in text mode the Windows library ends the file at its first
    // Ctrl-Z byte. ReadLine takes care of carriage returns itself.
    FILE *file = fopen(path, "rb");
    if (!file) return false;
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
        if (observer) observer(context, number, line, kind, status, cut);
    }
    fclose(file);
    return true;
}

void ReadConfigFile() {
    DebugLevel = 0;
    char path[256];
    int n = snprintf(path, sizeof path, "displays" PATH_SEP "%s.cfg", ModuleBaseName());
    if (n < 0 || static_cast<size_t>(n) >= sizeof path) return; // a name too long for the path
    ReadConfigFrom(path, NULL, NULL);
}

void LoadWorkingLayouts(int32_t *x, int32_t *y, int32_t *width, int32_t *height,
                        LineLayout *destination) {
    *x = ScreenSettings.X;
    *y = ScreenSettings.Y;
    *width = ScreenSettings.Width;
    *height = ScreenSettings.Height;
    memcpy(destination, ConfiguredLayouts, sizeof ConfiguredLayouts);
}
