// Watching the configuration file while the driver runs (WatchConfig=1):
// a file saved by an editor applies without a restart.
#pragma once

// Reads the file for DISPLAYDLL_Init and watches it from the version read
// when it says WatchConfig=1. A file written in the last two seconds is
// read once it stays the same from before the read to a look 20 ms after
// it (at most a second of tries, then as it is): a save in parts is
// not taken half-way. An older file is read at once.
void ReadConfigAtStart();

// True when the file was saved since it was last read, has stayed the same
// (last-write time and size) across two looks half a second apart, and has
// now been read again whole. An unchanged file is looked at once a second.
// A file that cannot be read, is empty or changes during the read leaves
// every setting as it was and is tried again later.
bool ConfigFileSaved();

// Reads the file on demand (the menu's command) by the same rule: once it
// has stayed the same across two looks half a second apart, waiting those
// half seconds, at most 3 seconds in all. True when it was read whole, and
// watched from then as its WatchConfig= says; otherwise every setting is as
// it was, and the log says why.
bool ReadSettledConfig();

