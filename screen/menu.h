// The display's right-click menu: one table of commands, each also a
// function of its own.
#pragma once

#include "platform/platform.h"

// One row of the menu. A row without a label is a separator.
struct MenuCommand {
    UINT id;                     // the WM_COMMAND id; unique, not 0
    const char *label;           // "&" marks the key that picks it
    bool (*checked)(int value);  // null: never shows a check mark
    void (*action)(int value);
    int value;                   // handed to both: a zoom's percent
};

extern const MenuCommand MenuCommands[];
extern const int MenuCommandCount;

// WM_CONTEXTMENU and WM_NCRBUTTONUP: shows the menu at the click's screen
// point (at the window's top-left corner for the keyboard's Shift+F10 or
// menu key). Its own loop runs until the user picks or closes it, so the
// host's call waits meanwhile; a pick arrives as WM_COMMAND.
LRESULT ShowDisplayMenu(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_COMMAND: runs the command of that id.
LRESULT RunMenuCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the command of `id`; false when there is none.
bool RunDisplayCommand(UINT id);

// The commands; `value` is the row's, unused unless said.
bool StaysOnTop(int);
void ToggleStayOnTop(int);     // this run only; the file keeps its own
bool ZoomedTo(int percent);
void ZoomTo(int percent);      // as RememberPlace keeps it
void SavePlaceNow(int);        // the place and zoom into the place file, as RememberPlace does
void SaveDisplayPicture(int);  // a PNG of the display in "screenshots"
void OpenConfigFile(int);      // in the user's editor for it
void ReadConfigAgain(int);     // as a watched file that was saved, once it is whole
void CloseDisplay(int);        // as the close button does
