// Settings and the configuration file "displays\<module>.cfg".
#pragma once

#include <stddef.h>
#include <stdint.h>

struct ScreenSettingsRecord {
    int32_t X;              // window's left edge, screen pixels
    int32_t Y;              // window's top edge
    int32_t Width;          // outer window width, pixels
    int32_t Height;         // outer window height
    int32_t DontShowWindow; // non-zero: created but never shown
    int32_t Record;         // non-zero: capture the window periodically
    int32_t RecordInterval; // seconds between two captures
    char RecordFile[256];   // file each capture replaces: .png or BMP; a run of # numbers frames
    int32_t StayOnTop;      // non-zero: the window is top-most
    int32_t WatchConfig;    // non-zero: a saved configuration file applies at once
    int32_t EndHostOnClose; // non-zero (the default): closing the window ends the host
    int32_t RecordOnChange; // non-zero: a due capture only after a repaint
    char Picture[256];      // the background picture's file; empty: none
    // An LCD module the driver lays out and draws itself (config/module.h):
    char Module[16];             // "CxR", columns x rows; empty: the rows as configured
    int32_t ModuleDotSize;       // pixels a dot
    int32_t ModuleDotGap;        // pixels between dots
    int32_t ModuleMargin;        // dot pitches of glass around the characters
    int32_t ModuleBezel;         // pixels of bezel around the glass
    char ModuleColors[32];       // a colour set's name
    char ModuleDotShape[16];     // "square" or "round"
    int32_t ModuleBackColor[3];  // each: a negative part takes the set's colour
    int32_t ModuleDotColor[3];
    int32_t ModuleDotOffColor[3];
    int32_t ModuleBezelColor[3];
    // Size and place (screen/scale.h, screen/placement.h):
    int32_t Zoom;          // percent every configured length is scaled by, 25 to 800
    int32_t Resizable;     // non-zero: a sizing border; dragging it sets the zoom
    int32_t FollowDpi;     // non-zero: sharp and the same size to the eye at any DPI
    int32_t RememberPlace; // non-zero: a moved or zoomed window is remembered (config/place.h)
    int32_t KeepOnScreen;  // non-zero: a window mostly off every monitor is moved onto one
    // The window as a desktop widget (screen/widget.h):
    int32_t NoActivate;          // non-zero: never activated, not even by a click
    int32_t Frame;               // 0: no title bar and border; the whole window drags
    int32_t SnapDistance;        // pixels from the work area's edge that snap onto it; 0: off
    int32_t Opacity;             // percent, 10 to 100; 100: an ordinary window
    int32_t TransparentColor[3]; // pixels of exactly this colour are see-through; negative: none
    int32_t ClickThrough;        // non-zero: clicks pass through to what lies below
    int32_t TaskbarButton;       // 0: no taskbar button and no Alt-Tab entry
    // The live web view (web/server.h):
    int32_t WebPort;          // TCP port the view listens on; 0: no view
    char WebAddress[64];      // IPv4 address it listens on; other than 127.0.0.1: the network's
    char WebAllowOrigin[256]; // sent as Access-Control-Allow-Origin; empty: none
};

struct LineLayout {
    int32_t X; // advanced while a row is drawn (working copy only)
    int32_t Y;
    int32_t FontType; // 0: FontName; otherwise a stock object number
    char FontName[256];
    int32_t FontHeight;
    int32_t FontWidth;
    int32_t FontColor[3];   // red, green, blue
    int32_t FontBkColor[3]; // all zero: transparent background
    int32_t FontBold;       // the weight itself, e.g. 700
    int32_t FontUnderline;  // 3: underlined
    int32_t FontItalics;    // 2: italic
    int32_t Dots;           // non-zero: a dot-matrix row, 5 x 8 dots a character
    int32_t DotGap;         // pixels between neighbouring dots (1 unless configured)
    int32_t DotOffColor[3]; // unlit dots; all zero: not drawn
    // Set for the rows of an LCD module (working copy only): the dots lie on
    // a grid of DotPitch pixels, a character 6 pitches across, and exactly
    // Cells characters are drawn, spaces past the end of the text. 0: the
    // FontWidth x FontHeight cell, as many characters as the text has.
    int32_t DotPitch;
    int32_t Cells;
    int32_t RoundDots; // non-zero: module dots of 4 pixels and more are round
    int32_t OnGlass;   // non-zero: nothing but glass of FontBkColor lies under the dots
};

extern const ScreenSettingsRecord ScreenDefaults; // before any file is read
extern ScreenSettingsRecord ScreenSettings;
extern int32_t DebugLevel;
extern LineLayout ConfiguredLayouts[4]; // each starts as RowDefaults
extern const LineLayout RowDefaults;
extern LineLayout WorkingLayouts[4];

// One key of the file: how its value is read and where it is stored. The
// reader and the configuration check both work from these tables.
enum ConfigKind {
    ConfigNumber,   // one decimal number
    ConfigSwitch,   // a number; non-zero stores `code`, zero stores 0
    ConfigColour,   // three numbers, red green blue; logged as `event`
    ConfigText,     // the rest of the line
    ConfigPosition  // a row's X or Y: any one character may follow the
                    // letter before the number; logged as `event`
};

struct ConfigKey {
    const char *name; // "Width=", or for a row "FontColor=" after "LineN"
    ConfigKind kind;
    size_t offset; // in ScreenSettingsRecord, or in LineLayout for a row key
    size_t size;   // bytes of the field
    int32_t code;
    const char *event;
};

extern const ConfigKey ScreenKeys[];
extern const int ScreenKeyCount;
extern const ConfigKey RowKeys[];
extern const int RowKeyCount;

// What ParseConfigLine made of a line. The driver ignores it; the
// configuration check reports it.
enum ConfigLineStatus {
    ConfigApplied,   // a key matched and its value was stored
    ConfigNoKey,     // no known key at the line's start
    ConfigBadRow,    // "Line" followed by a row number other than 1 to 4
    ConfigNoNumber,  // a numeric key without a readable number: field kept
    ConfigPartColour, // a colour with fewer than three readable numbers
    ConfigClamped     // a value outside its range (config/limits.h): another stored
};

// How the reader met one line of the file, for the configuration check.
enum ConfigLineKind { ConfigLineComment, ConfigLineEmpty, ConfigLineDebug, ConfigLineParsed };
typedef void (*ConfigLineObserver)(void *context, int lineNumber, const char *line,
                                   ConfigLineKind kind, ConfigLineStatus status, bool cut);

// Reads the file at `path` line by line into the settings; the observer, if
// any, hears of every line. A UTF-8 byte-order mark at the start is skipped
// (*byteOrderMark says whether there was one). Returns false when the file
// cannot be opened.
bool ReadConfigFrom(const char *path, ConfigLineObserver observer, void *context,
                    bool *byteOrderMark = NULL);

// "displays\<module>.cfg"; false when it does not fit in `size`.
bool ConfigFilePath(char *path, size_t size);

// Reads the whole file: DebugLevel starts again from 0, every other field
// keeps what earlier reads set unless a line sets it anew.
void ReadConfigFile();

// Interprets one line (its line end already removed) by the key tables.
ConfigLineStatus ParseConfigLine(const char *line);

// Reads one decimal integer as "%d" does (leading blanks, a sign, digits),
// clamped to the 32-bit range. Returns false when no number is there.
bool ReadConfigNumber(const char *text, int32_t *value);

// The window rectangle, and a copy of the four configured row layouts.
void LoadWorkingLayouts(int32_t *x, int32_t *y, int32_t *width, int32_t *height,
                        LineLayout *destination);
