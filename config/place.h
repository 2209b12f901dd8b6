// The window's remembered place (RememberPlace=1), kept in a file of the
// driver's own beside the configuration, "displays\<module>.place"; the
// driver never writes the configuration file itself.
//
// The file holds where the window was left (X=, Y= in 96-DPI units, Zoom=
// in percent) and the configuration's own X=, Y= and Zoom= when it was
// written (ConfigX=, ConfigY=, ConfigZoom=): once the user has changed those
// in the configuration, the configuration's place wins.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct WindowPlace {
    int32_t X;
    int32_t Y;
    int32_t Zoom;
};

struct PlaceFile {
    WindowPlace place;      // where the window was left
    WindowPlace configured; // the configuration's values when this was written
};

enum PlaceFileState {
    PlaceFileMissing,    // no such file: nothing remembered yet
    PlaceFileRead,       // read whole
    PlaceFileUnreadable, // there, but it could not be opened or read
    PlaceFileCorrupt     // read, but not a place file the driver wrote
};

// Which place a start uses, and why.
enum PlaceChoice {
    PlaceOff,            // RememberPlace=0: the file is not looked at
    PlaceNone,           // the configuration's: nothing remembered yet
    PlaceNotRead,        // the configuration's: the file cannot be read
    PlaceIgnored,        // the configuration's: the file is corrupt
    PlaceChanged,        // the configuration's: its X=, Y= or Zoom= changed since
    PlaceRemembered      // the file's
};

// "displays\<module>.place"; false when it does not fit in `size`.
bool PlaceFilePath(char *path, size_t size);

// Reads the file at `path` into *file (filled only when read whole).
PlaceFileState ReadPlaceFile(const char *path, PlaceFile *file);
// Writes the file at `path` through "<path>.tmp" moved over it, so that it
// is never half-written; false (the system's error kept) on a failure,
// with the old file as it was and no temporary file left.
bool WritePlaceFile(const char *path, const PlaceFile &file);

// The place a start uses, from RememberPlace=, the file as read and the
// configuration's own values.
PlaceChoice ChoosePlace(bool remember, PlaceFileState state, const PlaceFile &file,
                        const WindowPlace &configured);
// Why, in words for the log and the configuration check (after the place
// file's name and ": ", or after it in brackets for the remembered place).
const char *PlaceChoiceReason(PlaceChoice choice);

// The configuration's own X=, Y= and Zoom=, kept apart from the settings
// (which hold the window's place while the driver runs). A read of the file
// starts from them, so a key the file lacks keeps the configuration's value,
// not the window's: PutBackConfiguredPlace before the read, and
// NoteConfiguredPlace after a read that worked. The window's values are
// held meanwhile, for KeepPlaceUnlessConfigured.
void PutBackConfiguredPlace();
void NoteConfiguredPlace();
WindowPlace ConfiguredPlace();
// After a read while the window is up: when the read left the
// configuration's X=, Y= and Zoom= as they were, the settings take the
// window's values back (the window stays where it is); otherwise they keep
// the configuration's, and the window goes there.
void KeepPlaceUnlessConfigured();

// At a start, with RememberPlace=1: the file's place into the settings when
// the file says so, logged; a file that cannot be read or is corrupt is
// logged once while it lasts.
void UseRememberedPlace();

// Saves `place` with the configuration's own values into the place file.
// Unless `always`, a place the next start would use anyway is not written
// again. A file that cannot be written is logged once while it lasts, and
// a save that works again says so.
void RememberPlace(const WindowPlace &place, bool always);
