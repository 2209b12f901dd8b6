// The display's right-click menu: one table of commands, each also a
// function of its own.
#pragma once

#include "platform/platform.h"

// One row of the menu. A row without a label is a separator.
struct MenuCommand {
    UINT id;                // the WM_COMMAND id; unique, not 0
    const char *label;      // "&" marks the key that picks it
    bool (*checked)();      // null: never shows a check mark
    void (*action)();
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

// The commands.
bool StaysOnTop();
void ToggleStayOnTop();        // this run only; the file keeps its own
void SaveDisplayPicture();     // a PNG of the display in "screenshots"
void OpenConfigFile();         // in the user's editor for it
void ReadConfigAgain();        // as a watched file that was saved, at once
void CloseDisplay();           // as the close button does
